// Running the install scripts that fit the installed release.
#include "install/library_install.h"

#include <optional>

#include "discovery/installed_library.h"
#include "install/install_script.h"
#include "install/version_script.h"

bool RunLibraryInstall(const std::wstring& programFolder, const ErrorMessage& showError) {
  std::wstring folder = programFolder;
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';

  LumenarkVersion version;
  std::optional<std::wstring> script;
  if (QueryLumenarkVersion(version)) {
    script = VersionScriptFor(version);
  } else {
    std::wstring library;
    if (!LibraryFromSharedIni(library)) {
      if (showError) showError(kNothingInstalledText, kNothingInstalledCaption);
      return false;
    }
    script = kScriptWithoutVersion;
  }

  bool result = true;
  if (script) result = RunInstallScript(folder + *script);
  std::wstring solidWorksLibrary;
  if (FindSolidWorksLibrary(solidWorksLibrary)) {
    // Runs also after a failed version script; both must succeed.
    const bool solidWorks = RunInstallScript(folder + kSolidWorksScript);
    result = result && solidWorks;
  }
  return result;
}
