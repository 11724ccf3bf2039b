// The local library's folders as a run lists them: each file's time, and the backups and partial copies they hold.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"

// The files of one local folder, listed once when the run reaches the folder:
// each present file's last-write time under the name key the file system
// compares names by. A file the listing shows counts as present even when it
// could not be opened, and so is set aside like any other.
class LocalFolder {
 public:
  // Lists the folder, making it first when it is missing. A folder that can
  // be neither listed nor made leaves each file to be asked for itself.
  void Reach(const std::wstring& folder);

  const std::wstring& Path() const { return path; }

  // Whether the folder was listed; where not, each file is asked for itself.
  bool Listed() const { return listed; }

  // The backups and partial copies the listing showed, by name.
  const std::vector<std::wstring>& Backups() const { return backups; }
  const std::vector<std::wstring>& Partials() const { return partials; }

  // Whether something of this name was in the folder when it was listed.
  bool Holds(const std::wstring& name) const;

  // Whether the folder holds a file of this name, and its last-write time.
  // Where the folder could not be listed, the file itself is asked; one that
  // exists but cannot be opened counts as present and older than any.
  bool Find(const std::wstring& name, platform::FileTime& time) const;

 private:
  bool List();

  std::wstring path;  // ends in a backslash
  bool listed = false;
  std::unordered_map<std::wstring, platform::FileTime> files;
  std::vector<std::wstring> backups;
  std::vector<std::wstring> partials;
};

// The local folders whose files the run has decided and not yet finished.
// Files come folder by folder, so a folder is listed, and made where it is
// missing, once for all the files it holds, and its listing is kept while
// any of them waits to be finished. The folder reached last is kept too, so
// that the next file of it needs no new listing; coming back to a folder
// after leaving it lists it again.
class LocalFolders {
 public:
  // The listing of the folder, made now where it is not kept; `listed` tells
  // which. Each call holds the listing once more, until Release.
  const LocalFolder& Hold(const std::wstring& folder, bool& listed);

  // One hold of the folder's listing ends.
  void Release(const std::wstring& folder);

  // Forgets every listing, so that the folders are listed afresh.
  void Clear();

 private:
  struct Kept {
    LocalFolder listing;
    size_t holds = 0;
  };
  void DropUnheld(const std::wstring& keep);

  std::map<std::wstring, Kept> kept;
  std::wstring latest;  // the folder reached last
};
