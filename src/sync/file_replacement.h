// One library file replaced by its remote copy: the copy beside it, the check of its time, the set-aside, the move into place and the way back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <functional>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"
#include "sync/failure_reason.h"

// What became of one remote file.
struct FileOutcome {
  bool copied = false;
  bool failed = false;          // a copy was tried and did not end in place
  bool backupStranded = false;  // and the file's backup could not be moved back
  FailureReason reason;         // why it failed
  FailureReason strandedReason;
  bool sourceGone = false;      // the master no longer has the file
  bool nameHeld = false;        // the local name belongs to another file for the whole run

  // A file the master no longer has is not asked for again, nor one whose
  // old content now lives only in its backup, which a new set-aside would
  // have to replace, nor one whose local name another file holds.
  bool WorthRetrying() const { return failed && !backupStranded && !sourceGone && !nameHeld; }
};

// A remote file the run decided to copy, with every path its copy goes
// through and what the listings said of it.
struct FileCopy {
  size_t index = 0;                 // the file's place in the run's list
  std::wstring destination;         // the local path as joined, for the log
  std::wstring target;              // the local path as the platform takes it
  std::wstring partial;             // the copy being made beside it
  std::wstring source;              // the remote file as the platform takes it
  std::uint64_t expectedSize = 0;   // the remote file's size as listed
  platform::FileTime remoteTime = 0;  // and its last-write time
  bool destinationListed = false;   // a file is at the name, as the local folder's listing showed
  bool nameShownListed = false;     // the listing itself showed the name (it was not asked for alone)
  bool copyAnyway = false;          // the file is replaced whatever its time
  bool stalePartial = false;        // the listing showed a partial copy at the name
  bool staleBackup = false;         // and a backup
};

// How the copy of the remote file to its partial copy ended.
struct PartialCopy {
  bool made = false;
  FailureReason reason;       // why not
  bool factsRead = false;     // facts holds the copy as made, which it stays when moved into place
  platform::FileFacts facts;
};

// The slow part of a file's replacement, which may run on any thread: the
// remote file copied to its partial copy and checked for its size. For a file
// that replaces one the listing showed, the copy's facts are read with its
// size, for the set-aside that will follow.
PartialCopy MakePartialCopy(const FileCopy& copy, platform::CopyStop* stop);

// A local file this run moved out of the way before replacing it.
struct SetAsideFile {
  std::wstring localPath;
  bool movedAside = false;  // the rename to the backup name succeeded
  bool stranded = false;    // the backup could not be moved back when the copy failed
  bool replaced = false;    // the new copy is in place, so the backup may go
  platform::FileFacts placed;  // the new copy as it was put in place

  std::wstring Backup() const;
};

// The files a run set aside, in the order it set them aside, and the steps
// that replace a library file with its partial copy and can undo it.
class Replacements {
 public:
  // Moves a made partial copy into place. The move never replaces a file:
  // one there is set aside first, and only once its own current time says it
  // is still older than the remote file (for a copy made anyway, whatever
  // its time). So a file that a user saved or created since the folder was
  // listed is left as it is, and every file replaced has a backup. A copy
  // that was not made is the file's failure.
  FileOutcome PutInPlace(const FileCopy& copy, const PartialCopy& made);

  const std::vector<SetAsideFile>& Files() const { return setAside; }

  // Moves a set-aside file's backup back to its name; false with the reason
  // where the backup has to stay where it is.
  bool PutBack(const SetAsideFile& file, FailureReason& reason) const;

  // Deletes the backups of the files whose copies are in place, on up to
  // `threads` threads.
  void DeleteReplacedBackups(unsigned threads) const;

 private:
  size_t SetAside(const FileCopy& copy);
  bool BackupNameHeldByAnother(size_t aside) const;
  static void RememberPlacedCopy(SetAsideFile& file, const FileCopy& copy, const PartialCopy& made);

  std::vector<SetAsideFile> setAside;
  std::unordered_map<size_t, size_t> asideOf;  // a file's place in setAside, by its index
  // The files whose backups hold a backup name, by a hash of the name's key
  // (a forced run sets aside every file, so no key is kept whole): where two
  // master names share one local name, the second's backup name is the
  // first's, and that backup is never taken for a stale one.
  std::unordered_multimap<size_t, size_t> backupHolders;
};
