// The library lock file's path from the local library's path.
#include "sync/own_files.h"

#include "sync/paths.h"

std::wstring LibraryLockFile(const std::wstring& localRoot) {
  return ReachablePath(localRoot + L"\\" + kLibraryLockFileName);
}
