// The program's own files in a library: the lock that keeps two runs off it,
// the backups of files set aside and the partial copies not yet in place.
#pragma once

#include <string>

// A local file's path followed by this names its backup while a run replaces it.
inline constexpr wchar_t kBackupSuffix[] = L".shelfmateBackup";

// A file's path followed by this names a copy of it still being made.
inline constexpr wchar_t kPartialCopySuffix[] = L".shelfmatePartial";

// The lock file's name, in the local library's root folder. A remote
// library's file of this name at its root is never copied.
inline constexpr wchar_t kLibraryLockFileName[] = L".shelfmate.lock";

// The lock file of the library at localRoot, as the platform is given it.
// One file per library, so that however its folder is written or reached,
// every run asks for the same lock.
std::wstring LibraryLockFile(const std::wstring& localRoot);
