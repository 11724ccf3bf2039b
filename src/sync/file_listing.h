// The recursive listing of a folder's files: the one place that enumerates folders.
#pragma once

#include <cstdint>
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

// A folder whose search broke off, so that files below it may be missing: its
// path as listed (with a final backslash) and the error that broke it.
struct BrokenSearch {
  std::wstring folder;
  std::uint32_t failure = 0;
};

// What the folder searches delivered with the names, beside the listed paths.
struct ListingDetails {
  std::vector<platform::FileTime> times;  // each file's last-write time
  std::vector<std::uint64_t> sizes;       // each file's size in bytes
  bool incomplete = false;                // a search broke off: files may be missing
  std::vector<BrokenSearch> brokenSearches;  // which, once each
};

// ListFiles, and beside each appended path, at the same index of details, the
// file's last-write time and size as the folder search delivered them.
int ListFilesWithDetails(std::wstring folder, std::wstring pattern, StringList& list, ListingDetails& details,
                         bool recurse);
