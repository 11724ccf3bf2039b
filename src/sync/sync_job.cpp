// The sync run: listing, per-file set-aside and copy, restore or clean-up.
#include "sync/sync_job.h"

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/file_system.h"
#include "sync/file_listing.h"
#include "sync/paths.h"

namespace {

const std::wstring backupSuffix = L".shelfmateBackup";
const std::wstring partialSuffix = L".shelfmatePartial";
constexpr auto pausePoll = std::chrono::milliseconds(500);

// A local file this run moved out of the way before replacing it.
struct SetAsideFile {
  std::wstring backup;      // local path + backupSuffix
  bool movedAside = false;  // the rename to the backup name succeeded
  bool replaced = false;    // the new copy is in place, so the backup may go
};

// What became of one remote file.
struct FileOutcome {
  bool copied = false;
  bool backupStranded = false;  // the copy failed and the backup could not be moved back
};

// Copies source to destination through a temporary file beside it, so that
// the destination name only ever holds a complete file with the source's
// last-write time. A failed attempt leaves no temporary file behind; one left
// by a killed process is overwritten here.
bool CopyThroughPartial(const std::wstring& source, const std::wstring& destination) {
  const std::wstring partial = destination + partialSuffix;
  if (platform::CopyReplacing(source, partial) && platform::MoveReplacing(partial, destination)) return true;
  if (PathExists(partial)) platform::DeleteOneFile(partial);
  return false;
}

// The remote root as the listing trims it, so that cutting the root off a
// listed path leaves exactly the path below the root.
std::wstring TrimmedLikeTheListing(const std::wstring& root) { return TrimChar(TrimChar(root, L'\t'), L' '); }

// One run's working data and its steps; discarded when Run returns.
class SyncRun {
 public:
  SyncRun(SyncJob& job, std::wstring remote, std::wstring local, bool force)
      : job(job), remote(TrimmedLikeTheListing(remote)), local(std::move(local)), force(force) {}

  void Execute() {
    ListRemoteTree();
    for (const std::wstring& relative : relativePaths) {
      if (!WaitWhilePausedThenCheckCancel()) break;
      SyncFile(relative);
    }
    Finish();
  }

 private:
  void ListRemoteTree() {
    if (job.progress) job.progress->SetBusy(true);
    Log(L" - Getting remote file listing - ");
    StringList remoteFiles;
    try {
      ListFiles(remote, L"*.*", remoteFiles, true);
    } catch (const std::out_of_range&) {
      // A blank root names no folder: there is nothing to copy.
    }
    relativePaths.reserve(remoteFiles.size());
    for (const std::wstring& path : remoteFiles) relativePaths.push_back(path.substr(remote.size()));
    if (job.progress) job.progress->SetBusy(false);
  }

  // False when the run is to stop before this file.
  bool WaitWhilePausedThenCheckCancel() {
    while (job.paused) std::this_thread::sleep_for(pausePoll);
    return !job.cancelRequested;
  }

  void SyncFile(const std::wstring& relative) {
    const std::wstring source = remote + L"\\" + relative;
    const std::wstring destination = local + L"\\" + relative;
    EnsureParentFolder(destination);

    // Both times are read, and their attribute handles closed, before
    // anything is renamed or copied.
    platform::FileTime sourceTime = 0, destinationTime = 0;
    const bool sourceReadable = platform::LastWriteTime(source, sourceTime);
    const bool destinationPresent = platform::LastWriteTime(destination, destinationTime);
    const bool sourceNewer = !destinationPresent || sourceTime > destinationTime;

    FileOutcome outcome;
    if (sourceReadable && (force || sourceNewer)) outcome = Replace(source, destination, destinationPresent);
    ReportFile(relative, destination, outcome);
  }

  void EnsureParentFolder(const std::wstring& destination) {
    const std::wstring folder = ParentFolder(destination);
    // Files come folder by folder, so most share the previous file's folder.
    if (!lastMadeFolder.empty() && folder == lastMadeFolder) return;
    lastMadeFolder = MakeFolderTree(folder) ? folder : std::wstring();
  }

  FileOutcome Replace(const std::wstring& source, const std::wstring& destination, bool destinationPresent) {
    constexpr size_t noBackup = static_cast<size_t>(-1);
    const size_t aside = destinationPresent ? SetAside(destination) : noBackup;

    FileOutcome outcome;
    outcome.copied = CopyThroughPartial(source, destination);
    if (outcome.copied) {
      if (aside != noBackup)
        setAside[aside].replaced = true;
      else
        DeleteStaleBackup(destination);
    } else if (aside != noBackup && setAside[aside].movedAside) {
      outcome.backupStranded = !platform::MoveNoReplace(setAside[aside].backup, destination);
    }
    return outcome;
  }

  // Moves the local file to its backup name, deleting a backup left by an
  // interrupted earlier run first. Returns the file's index in setAside.
  size_t SetAside(const std::wstring& destination) {
    SetAsideFile file;
    file.backup = destination + backupSuffix;
    if (PathExists(file.backup)) platform::DeleteOneFile(file.backup);
    file.movedAside = platform::MoveNoReplace(destination, file.backup);
    setAside.push_back(std::move(file));
    return setAside.size() - 1;
  }

  // A backup left by an interrupted run for a file that was missing locally
  // is out of date once the new copy is in place.
  void DeleteStaleBackup(const std::wstring& destination) {
    const std::wstring backup = destination + backupSuffix;
    if (PathExists(backup)) platform::DeleteOneFile(backup);
  }

  void ReportFile(const std::wstring& relative, const std::wstring& destination, const FileOutcome& outcome) {
    ReportPosition();
    ++fileCounter;
    Log((outcome.copied ? L"Copied: " : L"Not Copied: ") + relative);
    if (outcome.backupStranded) Log(L"Not Restored: " + destination);
  }

  void Finish() {
    const bool cancelled = job.cancelRequested;
    if (cancelled) {
      job.cancelRequested = false;
      Log(L" - Sync Cancelled - ");
      if (job.restoreOnCancel) RestoreBackups();
    } else {
      Log(L" - Deleting Backup Files - ");
      DeleteReplacedBackups();
    }
    Log(L" - Sync Complete - ");
    if (job.progress) {
      if (cancelled)
        job.progress->Finished(L"Sync Canceled", true);
      else
        job.progress->Finished(L"Sync Complete", false);
    }
  }

  // Puts every file this run set aside back at its local path, replacing the
  // new copy in one step; the bar counts down one step per backup.
  void RestoreBackups() {
    for (const SetAsideFile& file : setAside) {
      if (file.movedAside && PathExists(file.backup)) {
        const std::wstring localPath = file.backup.substr(0, file.backup.size() - backupSuffix.size());
        const bool restored = platform::MoveReplacing(file.backup, localPath);
        Log((restored ? L"Restored: " : L"Not Restored: ") + localPath);
      }
      ReportPosition();
      --fileCounter;
    }
  }

  // A backup whose file could not be replaced may be the only copy of that
  // file's content, so only backups of replaced files go.
  void DeleteReplacedBackups() {
    for (const SetAsideFile& file : setAside)
      if (file.replaced) platform::DeleteOneFile(file.backup);
  }

  void Log(const std::wstring& text) {
    if (job.progress) job.progress->AddMessage(text.c_str());
  }

  void ReportPosition() {
    if (job.progress)
      job.progress->SetProgress(0, static_cast<std::int32_t>(relativePaths.size()) - 1, fileCounter);
  }

  SyncJob& job;
  const std::wstring remote;
  const std::wstring local;
  const bool force;
  StringList relativePaths;
  std::vector<SetAsideFile> setAside;
  std::int32_t fileCounter = 0;
  std::wstring lastMadeFolder;
};

}  // namespace

void SyncJob::SetRoots(const std::wstring& remote, const std::wstring& local) {
  remoteRoot = remote;
  localRoot = local;
}

void SyncJob::Run(std::wstring remote, std::wstring local, bool force) {
  SyncRun(*this, std::move(remote), std::move(local), force).Execute();
}
