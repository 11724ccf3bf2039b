// The windowless modes: what each does with its argument, and its exit code.
#include "install/windowless_modes.h"

#include "discovery/installed_library.h"
#include "install/file_actions.h"
#include "install/install_script.h"
#include "install/version_script.h"
#include "platform/host.h"
#include "sync/paths.h"

int RunLibraryInstallMode(const ErrorMessage& showError) {
  std::wstring programPath;
  // A path too long for the program-path buffer gives no folder to look in.
  if (!platform::ProgramPath(programPath)) return 0;
  const std::wstring folder = ParentFolder(programPath);
  if (folder.empty()) return 0;
  (void)RunLibraryInstall(folder, showError);
  return 0;
}

int RunVersionQueryMode(const std::wstring& argument) {
  const std::wstring path = TrimChar(argument, L'"');
  // A stale file must not survive a failed query.
  DeleteIfExists(path);
  LumenarkVersion version;
  if (!QueryLumenarkVersion(version)) return 1;
  return WriteNewFile(path, FormatVersion(version)) ? 0 : 1;
}

int RunScriptMode(const std::wstring& argument) {
  (void)RunInstallScript(argument);
  return 0;
}
