// The program's own files in a library: the lock that keeps two runs off it,
// the backups of files set aside and the partial copies not yet in place.
#pragma once

#include <cstdint>
#include <string>

#include "sync/failure_reason.h"

// A local file's path followed by this names its backup while a run replaces it.
inline constexpr wchar_t kBackupSuffix[] = L".shelfmateBackup";

// A file's path followed by this names a copy of it still being made.
inline constexpr wchar_t kPartialCopySuffix[] = L".shelfmatePartial";

// The lock file's name, in the local library's root folder. A remote
// library's file of this name at its root is never copied.
inline constexpr wchar_t kLibraryLockFileName[] = L".shelfmate.lock";

// Whether a file's name carries the suffix of a backup or of a partial copy
// (in any case). Such a file in a library is the program's own, never one
// of the library's: one that a master library holds came from a sync of
// that master and is not copied from it.
bool IsOwnFileName(const std::wstring& name);

// The lock file of the library at localRoot, as the platform is given it.
// One file per library, so that however its folder is written or reached,
// every run asks for the same lock.
std::wstring LibraryLockFile(const std::wstring& localRoot);

// Deletes one of the program's own files (a backup, a partial copy), also
// when it carries the read-only mark that a copy of a read-only master file
// takes over (the mark is asked for only when the delete is refused).
bool DeleteOwnFile(const std::wstring& path);

// Copies source to partial, the copy that is later moved into place, so that
// a library name only ever holds a complete file with the source's last-write
// time and attributes. The copy is whole only when its size is the one
// expected of the source: a copy call may report success on reads that
// failed, and a file rewritten meanwhile is no copy of what was listed
// either. A failed attempt leaves no partial copy behind, and says why where
// asked; a stale one (left by a killed process) goes first. A copy stopped
// through `stop` fails the same way. Where asked, the facts of the copy made
// come back (they stay the file's when it is moved into place).
bool CopyToPartial(const std::wstring& source, std::uint64_t expectedSize, const std::wstring& partial,
                   bool stalePartial, FailureReason* reason = nullptr, platform::CopyStop* stop = nullptr,
                   platform::FileFacts* made = nullptr);

// The reason of a copy that came back with fewer bytes than its source:
// "the copy has 1,024 of 2,048 bytes".
std::wstring ShortCopyText(std::uint64_t copied, std::uint64_t expected);
