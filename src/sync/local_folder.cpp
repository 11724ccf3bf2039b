// Listing the local library's folders and keeping each listing while the run needs it.
#include "sync/local_folder.h"

#include "sync/own_files.h"
#include "sync/paths.h"

void LocalFolder::Reach(const std::wstring& folder) {
  path = folder;
  if (List()) return;
  MakeFolderTree(folder);
  List();
}

bool LocalFolder::Holds(const std::wstring& name) const {
  platform::FileTime ignored;
  return listed ? Find(name, ignored) : PathExists(ReachablePath(path + name));
}

bool LocalFolder::Find(const std::wstring& name, platform::FileTime& time) const {
  if (!listed) {
    time = 0;
    const std::wstring file = ReachablePath(path + name);
    return platform::LastWriteTime(file, time) || PathExists(file);
  }
  const auto found = files.find(platform::FileNameKey(name));
  if (found == files.end()) return false;
  time = found->second;
  return true;
}

bool LocalFolder::List() {
  files.clear();
  backups.clear();
  partials.clear();
  platform::FolderSearch search(ReachablePath(path + L"*.*"));
  platform::FolderEntry entry;
  while (search.Next(entry)) {
    if (entry.isFolder) continue;
    files.emplace(platform::FileNameKey(entry.name), entry.lastWriteTime);
    if (EndsWithCaseBlind(entry.name, kBackupSuffix)) backups.push_back(entry.name);
    if (EndsWithCaseBlind(entry.name, kPartialCopySuffix)) partials.push_back(entry.name);
  }
  listed = search.Started();
  return listed;
}

const LocalFolder& LocalFolders::Hold(const std::wstring& folder, bool& listed) {
  listed = false;
  if (folder != latest) {
    DropUnheld(folder);
    latest = folder;
  }
  auto [found, added] = kept.try_emplace(folder);
  if (added) {
    found->second.listing.Reach(folder);
    listed = true;
  }
  ++found->second.holds;
  return found->second.listing;
}

void LocalFolders::Release(const std::wstring& folder) {
  const auto found = kept.find(folder);
  if (found == kept.end() || found->second.holds == 0) return;
  if (--found->second.holds == 0 && folder != latest) kept.erase(found);
}

void LocalFolders::Clear() {
  kept.clear();
  latest.clear();
}

void LocalFolders::DropUnheld(const std::wstring& keep) {
  for (auto at = kept.begin(); at != kept.end();) {
    if (at->second.holds == 0 && at->first != keep)
      at = kept.erase(at);
    else
      ++at;
  }
}
