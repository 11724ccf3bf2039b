// The sequence of one sync run: listing, the pass over every file, the retries, the version files and the finish.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "sync/copy_pool.h"
#include "sync/file_listing.h"
#include "sync/file_replacement.h"
#include "sync/local_folder.h"
#include "sync/run_outcome.h"
#include "sync/sync_job.h"

// A failed file waiting for the next retry pass, or one a search found late.
struct PendingFile {
  size_t index = 0;
  bool tried = false;  // false: found by a search made again, not tried yet
  FailureReason reason;
};

// One run's working data and its steps; discarded when the run ends. Only
// the thread that runs Execute decides, reports and touches library names;
// the copy pool's threads only make partial copies.
class SyncRun {
 public:
  SyncRun(SyncJob& job, std::wstring remote, std::wstring local, bool force);

  // The run holds the library's lock from before the first file is touched
  // until the version files are in place, so that no other run counts its
  // backups and partial copies as left by a killed one. The lock file lies in
  // the library's root, which is made for it where it is missing. A library
  // where the file cannot be made at all is still synced.
  void Execute();

 private:
  // A file decided ahead of the one being finished, and its copy.
  struct Decided {
    size_t index = 0;
    std::wstring folder;            // its local folder, whose listing it holds
    std::optional<FileCopy> copy;   // none: the file is not copied
    CopyPool::Handle handle;        // set once the copy is handed to the pool
    std::wstring nameKey;           // and its local name's key, under which two copies share one name
  };

  void ListRemoteTree();
  void DropOwnFiles();
  bool LeftOut(const std::wstring& relative);
  void RecordLeftOut();
  void EndAsBusy(const std::wstring& lockFile);
  bool IsOutdated(const std::wstring& relative) const;
  bool WaitWhilePausedThenCheckCancel();
  bool WaitBeforeRetry(unsigned seconds);
  void FirstPass();
  void FirstTry(size_t index, const FileOutcome& tried);
  void RetryFailures();
  void ListBrokenFoldersAgain();
  size_t GoThrough(const std::vector<size_t>& files,
                   const std::function<void(size_t at, const FileOutcome& outcome)>& finished);
  void HandReadyCopies(std::deque<Decided>& ahead);
  void Abandon(std::deque<Decided>& ahead);
  Decided DecideFile(size_t index, bool copyAnyway);
  FileOutcome SyncFileNow(size_t index, bool copyAnyway);
  void Decide(size_t index, const FileOutcome& decided);
  bool AnyFailure() const;
  void AdvanceBar();
  void SyncVersionFiles();
  void Finish();
  void RestoreBackups();
  void ClearStaleBackups();
  void ClearStalePartials();
  void Log(const std::wstring& text);
  void Log(const std::wstring& text, const FailureReason& reason);
  void Record(const std::wstring& text);
  void Record(const std::wstring& text, const FailureReason& reason);
  void ReportPosition();

  SyncJob& job;
  const std::wstring remote;
  const std::wstring local;
  const bool force;
  const unsigned poolThreads;  // 0: the copies are made on the run's own thread
  StringList relativePaths;
  ListingDetails remoteDetails;  // beside relativePaths
  std::vector<size_t> versionFiles;  // indexes of the remote root's version files, kept for the end
  std::vector<BrokenSearch> brokenSearches;  // remote folders not yet listed whole
  std::unordered_set<std::wstring> knownFiles;  // name keys of relativePaths, made when a search is made again
  StringList leftOut;  // the remote files named as the program's own, never copied
  std::unordered_set<std::wstring> leftOutKeys;
  std::vector<PendingFile> pending;  // files for the next retry pass
  RunOutcome outcome;
  std::int32_t barFiles = 0;
  bool barAtEnd = false;  // set at its end before the retries
  std::int32_t fileCounter = 0;
  Replacements replacements;
  std::map<std::wstring, std::wstring> staleBackups;  // by name key: the backup's path as listed
  StringList stalePartials;                           // their paths as listed
  LocalFolders folders;
  CopyPool* pool = nullptr;  // lives in Execute, inside the lock's time
  // How many files at the front of the window are handed to the pool or
  // need no copy; the copies handed and not yet finished: how many, their
  // bytes, and their local names' keys.
  size_t settledAhead = 0;
  size_t copiesAhead = 0;
  std::uint64_t bytesAhead = 0;
  std::unordered_map<std::wstring, unsigned> namesAhead;
};
