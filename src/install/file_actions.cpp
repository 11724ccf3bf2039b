// Deleting and writing files for the install modes.
#include "install/file_actions.h"

#include "platform/file_system.h"
#include "sync/paths.h"

bool DeleteIfExists(const std::wstring& path) {
  if (!PathExists(path)) return false;
  return platform::DeleteOneFile(path);
}

bool WriteNewFile(const std::wstring& path, const std::string& content) {
  if (PathExists(path)) return false;
  return platform::WriteNewFile(path, content);
}
