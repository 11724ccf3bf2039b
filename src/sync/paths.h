// Taking backslash paths apart, splitting text, and making folder trees.
//
// Paths are wide strings with the backslash as the only separator; nothing
// here folds case or resolves "." or "..". Paths are joined by plain
// concatenation and shown as joined; only the forms handed to the platform
// have their doubled backslashes made single.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

using StringList = std::vector<std::wstring>;

// The folder part of a path up to and including its last backslash; the whole
// path when it ends in a backslash; empty when it has none.
std::wstring ParentFolder(const std::wstring& path);

// What follows the last backslash; the whole path when there is none or the
// path ends in one.
std::wstring FileName(const std::wstring& path);

// The text without the character c at either end.
std::wstring TrimChar(const std::wstring& text, wchar_t c);

// Appends the pieces of text between separators to pieces: n separators give
// n + 1 pieces, empty ones included. The list is not cleared first.
void SplitAt(const std::wstring& text, wchar_t separator, StringList& pieces);
void SplitAt(const std::wstring& text, char separator, StringList& pieces);

// A path as it is handed to the platform: each run of backslashes made one,
// but for the two that open a UNC name. Windows makes them one itself; Wine
// takes one right after a share name ("\\server\share\\x") for an invalid name.
std::wstring PlatformPath(const std::wstring& path);

// The same, in the long form where Windows refuses the usual form for its
// length: at `limit` characters or more (the limit of a file path, or the
// shorter one of a folder to be created).
std::wstring ReachablePath(const std::wstring& path, size_t limit = platform::kShortPathLimit);

// Whether text ends in `end`, longer than it, with ASCII letters compared
// without regard to case, as the program's own suffixes are.
bool EndsWithCaseBlind(const std::wstring& text, const std::wstring& end);

// True when a file or folder of exactly this name exists.
bool PathExists(const std::wstring& path);

// Creates every missing folder of the path, from the drive down, or from the
// share down for a UNC path ("\\server\share\" is kept whole), in the long
// form where a folder's path is too long for the usual one. False as soon
// as one folder cannot be created; the ones made before stay.
bool MakeFolderTree(const std::wstring& folder);
