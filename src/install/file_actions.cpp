// Deleting and writing files for the install modes.
#include "install/file_actions.h"

#include "platform/file_system.h"
#include "sync/paths.h"

bool DeleteIfExists(const std::wstring& given) {
  const std::wstring path = PlatformPath(given);
  if (!PathExists(path)) return false;
  return platform::DeleteOneFile(path);
}

bool WriteNewFile(const std::wstring& given, const std::string& content) {
  const std::wstring path = PlatformPath(given);
  if (PathExists(path)) return false;
  return platform::WriteNewFile(path, content);
}
