// The recursive folder listing over the platform's wildcard search.
#include "sync/file_listing.h"

#include <stdexcept>

namespace {

const std::wstring everyName = L"*.*";

// Where a listing puts the files it finds, and their details when asked for.
struct Listing {
  StringList& paths;
  ListingDetails* details;

  void Add(const std::wstring& folder, const platform::FolderEntry& entry) {
    paths.push_back(folder + entry.name);
    if (!details) return;
    details->times.push_back(entry.lastWriteTime);
    details->sizes.push_back(entry.size);
  }

  void NoteEnd(const platform::FolderSearch& search, const std::wstring& folder) {
    if (!details || !search.Broken()) return;
    details->incomplete = true;
    if (details->brokenSearches.empty() || details->brokenSearches.back().folder != folder)
      details->brokenSearches.push_back({folder, search.Failure()});
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
    platform::FolderEntry entry;
    while (files.Next(entry)) {
      if (!entry.isFolder) {
        listing.Add(folder, entry);
        ++count;
      } else if (onePass && recurse && IsSubfolder(entry)) {
        subfolders.push_back(entry.name);
      }
    }
    listing.NoteEnd(files, folder);
    if (!files.Started()) return 0;
  }
  if (!recurse) return count;

  if (!onePass) {
    platform::FolderSearch folders(ReachablePath(folder + everyName));
    platform::FolderEntry entry;
    while (folders.Next(entry))
      if (IsSubfolder(entry)) subfolders.push_back(entry.name);
    listing.NoteEnd(folders, folder);
    if (!folders.Started()) return count;
  }
  for (const std::wstring& name : subfolders) count += ListInto(folder + name + L"\\", pattern, listing, true);
  return count;
}

}  // namespace

int ListFiles(std::wstring folder, std::wstring pattern, StringList& list, bool recurse) {
  Listing listing{list, nullptr};
  return ListInto(std::move(folder), pattern, listing, recurse);
}

int ListFilesWithDetails(std::wstring folder, std::wstring pattern, StringList& list, ListingDetails& details,
                         bool recurse) {
  Listing listing{list, &details};
  return ListInto(std::move(folder), pattern, listing, recurse);
}
