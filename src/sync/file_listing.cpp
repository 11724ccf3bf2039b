// The recursive folder listing over the platform's wildcard search.
#include "sync/file_listing.h"

#include <stdexcept>

#include "platform/file_system.h"

int ListFiles(std::wstring folder, std::wstring pattern, StringList& list, bool recurse) {
  folder = TrimChar(TrimChar(folder, L'\t'), L' ');
  if (folder.empty()) throw std::out_of_range("ListFiles: the folder is empty");
  if (folder.back() != L'\\') folder += L'\\';

  int count = 0;
  {
    platform::FolderSearch files(folder + pattern);
    if (!files.Started()) return 0;
    platform::FolderEntry entry;
    while (files.Next(entry)) {
      if (entry.isFolder) continue;
      list.push_back(folder + entry.name);
      ++count;
    }
  }
  if (!recurse) return count;

  platform::FolderSearch folders(folder + L"*.*");
  if (!folders.Started()) return count;
  platform::FolderEntry entry;
  while (folders.Next(entry)) {
    if (!entry.isFolder || entry.name == L"." || entry.name == L"..") continue;
    count += ListFiles(folder + entry.name + L"\\", pattern, list, true);
  }
  return count;
}
