// The recursive folder listing over the platform's wildcard search.
#include "sync/file_listing.h"

#include <stdexcept>

namespace {

const std::wstring everyName = L"*.*";

// Where a listing puts the files it finds, and their times when asked for.
struct Listing {
  StringList& paths;
  std::vector<platform::FileTime>* times;

  void Add(const std::wstring& folder, const platform::FolderEntry& entry) {
    paths.push_back(folder + entry.name);
    if (times) times->push_back(entry.lastWriteTime);
  }
};

bool IsSubfolder(const platform::FolderEntry& entry) {
  return entry.isFolder && entry.name != L"." && entry.name != L"..";
}

int ListInto(std::wstring folder, const std::wstring& pattern, Listing& listing, bool recurse) {
  folder = TrimChar(TrimChar(folder, L'\t'), L' ');
  if (folder.empty()) throw std::out_of_range("ListFiles: the folder is empty");
  if (folder.back() != L'\\') folder += L'\\';

  // With every name as the pattern, one search serves both passes: it
  // delivers the same entries in the same order as a second one would, and
  // on a share each search costs round trips.
  const bool onePass = pattern == everyName;
  int count = 0;
  StringList subfolders;
  {
    platform::FolderSearch files(ReachablePath(folder + pattern));
    if (!files.Started()) return 0;
    platform::FolderEntry entry;
    while (files.Next(entry)) {
      if (!entry.isFolder) {
        listing.Add(folder, entry);
        ++count;
      } else if (onePass && recurse && IsSubfolder(entry)) {
        subfolders.push_back(entry.name);
      }
    }
  }
  if (!recurse) return count;

  if (!onePass) {
    platform::FolderSearch folders(ReachablePath(folder + everyName));
    if (!folders.Started()) return count;
    platform::FolderEntry entry;
    while (folders.Next(entry))
      if (IsSubfolder(entry)) subfolders.push_back(entry.name);
  }
  for (const std::wstring& name : subfolders) count += ListInto(folder + name + L"\\", pattern, listing, true);
  return count;
}

}  // namespace

int ListFiles(std::wstring folder, std::wstring pattern, StringList& list, bool recurse) {
  Listing listing{list, nullptr};
  return ListInto(std::move(folder), pattern, listing, recurse);
}

int ListFilesWithTimes(std::wstring folder, std::wstring pattern, StringList& list,
                       std::vector<platform::FileTime>& times, bool recurse) {
  Listing listing{list, &times};
  return ListInto(std::move(folder), pattern, listing, recurse);
}
