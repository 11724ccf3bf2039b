// The library lock file's path, and deleting and making the program's own files.
#include "sync/own_files.h"

#include "platform/file_system.h"
#include "sync/paths.h"

std::wstring LibraryLockFile(const std::wstring& localRoot) {
  return ReachablePath(localRoot + L"\\" + kLibraryLockFileName);
}

bool DeleteOwnFile(const std::wstring& path) {
  platform::ClearReadOnly(path);
  return platform::DeleteOneFile(path);
}

bool CopyToPartial(const std::wstring& source, std::uint64_t expectedSize, const std::wstring& partial,
                   bool stalePartial) {
  if (stalePartial) DeleteOwnFile(partial);
  std::uint64_t copiedSize = 0;
  if (platform::CopyReplacing(source, partial) && platform::FileSize(partial, copiedSize) && copiedSize == expectedSize)
    return true;
  if (PathExists(partial)) DeleteOwnFile(partial);
  return false;
}
