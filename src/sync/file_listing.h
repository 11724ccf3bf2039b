// The recursive listing of a folder's files: the one place that enumerates folders.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "sync/paths.h"

// Appends to list the full path of every file in folder whose name matches
// pattern ("*.*", "*.version"), and with recurse those of every subfolder at
// any depth, in the order the file system delivers them: a folder's files
// first, then each subfolder completely. Each entry is the folder (tabs, then
// spaces, trimmed from both ends, with a final backslash) followed by the
// file's name. Returns how many entries this call appended.
//
// A folder in which the pattern matches nothing is not descended into. A
// missing or unreadable folder contributes nothing. Throws std::out_of_range
// when the trimmed folder is empty.
int ListFiles(std::wstring folder, std::wstring pattern, StringList& list, bool recurse);

// ListFiles, and beside each appended path, at the same index of times, the
// file's last-write time as the folder search delivered it with the name.
int ListFilesWithTimes(std::wstring folder, std::wstring pattern, StringList& list,
                       std::vector<platform::FileTime>& times, bool recurse);
