// The sync run: listing, per-file set-aside and copy, restore or clean-up.
#include "sync/sync_job.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"
#include "sync/file_listing.h"
#include "sync/paths.h"

namespace {

const std::wstring backupSuffix = L".shelfmateBackup";
const std::wstring partialSuffix = L".shelfmatePartial";
constexpr auto pausePoll = std::chrono::milliseconds(500);

// What became of one remote file.
struct FileOutcome {
  bool copied = false;
  bool backupStranded = false;  // the copy failed and the backup could not be moved back
};

wchar_t FoldAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// Asked of every local file listed, so it compares in place; the suffixes are ASCII.
bool EndsWithCaseBlind(const std::wstring& text, const std::wstring& end) {
  if (text.size() <= end.size()) return false;
  const size_t start = text.size() - end.size();
  for (size_t i = 0; i < end.size(); ++i)
    if (FoldAscii(text[start + i]) != FoldAscii(end[i])) return false;
  return true;
}

// The run's own files carry a suffix of up to 17 characters, which must not
// cost a library file whose own path fits: their names take the long form
// past Windows' limit for the usual one.
std::wstring OwnFilePath(const std::wstring& libraryPath, const std::wstring& suffix) {
  return ReachablePath(libraryPath + suffix);
}

// A local file this run moved out of the way before replacing it.
struct SetAsideFile {
  std::wstring localPath;
  bool movedAside = false;  // the rename to the backup name succeeded
  bool replaced = false;    // the new copy is in place, so the backup may go

  std::wstring Backup() const { return OwnFilePath(localPath, backupSuffix); }
};

// Backups and partial copies are the program's own files: it removes them
// even when they carry the read-only mark that a copy of a read-only master
// file takes over.
bool DeleteOwnFile(const std::wstring& path) {
  platform::ClearReadOnly(path);
  return platform::DeleteOneFile(path);
}

// Copies source to destination through a temporary file beside it, so that
// the destination name only ever holds a complete file with the source's
// last-write time and attributes. A failed attempt leaves no temporary file
// behind; one left by a killed process goes first.
bool CopyThroughPartial(const std::wstring& source, const std::wstring& destination, bool stalePartial) {
  const std::wstring partial = OwnFilePath(destination, partialSuffix);
  if (stalePartial) DeleteOwnFile(partial);
  if (platform::CopyReplacing(source, partial) && platform::MoveReplacing(partial, destination)) return true;
  if (PathExists(partial)) DeleteOwnFile(partial);
  return false;
}

// The files of one local folder, listed once when the run reaches the folder:
// each present file's last-write time under the name key the file system
// compares names by. A file the listing shows counts as present even when it
// could not be opened, and so is set aside like any other.
class LocalFolder {
 public:
  // Lists the folder, making it first when it is missing. A folder that can
  // be neither listed nor made leaves each file to be asked for itself.
  void Reach(const std::wstring& folder) {
    path = folder;
    if (List()) return;
    MakeFolderTree(folder);
    List();
  }

  const std::wstring& Path() const { return path; }

  // The backups the listing showed, by name.
  const std::vector<std::wstring>& Backups() const { return backups; }

  // Whether something of this name was in the folder when it was listed.
  bool Holds(const std::wstring& name) const {
    platform::FileTime ignored;
    return listed ? Find(name, ignored) : PathExists(ReachablePath(path + name));
  }

  // Whether the folder holds a file of this name, and its last-write time.
  // Where the folder could not be listed, the file itself is asked; one that
  // exists but cannot be opened counts as present and older than any.
  bool Find(const std::wstring& name, platform::FileTime& time) const {
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

 private:
  bool List() {
    files.clear();
    backups.clear();
    platform::FolderSearch search(ReachablePath(path + L"*.*"));
    platform::FolderEntry entry;
    while (search.Next(entry)) {
      if (entry.isFolder) continue;
      files.emplace(platform::FileNameKey(entry.name), entry.lastWriteTime);
      if (EndsWithCaseBlind(entry.name, backupSuffix)) backups.push_back(entry.name);
    }
    listed = search.Started();
    return listed;
  }

  std::wstring path;  // ends in a backslash
  bool listed = false;
  std::unordered_map<std::wstring, platform::FileTime> files;
  std::vector<std::wstring> backups;
};

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
    for (size_t index = 0; index < relativePaths.size(); ++index) {
      if (!WaitWhilePausedThenCheckCancel()) break;
      SyncFile(relativePaths[index], remoteTimes[index]);
    }
    Finish();
  }

 private:
  void ListRemoteTree() {
    if (job.progress) job.progress->SetBusy(true);
    Log(L" - Getting remote file listing - ");
    StringList remoteFiles;
    try {
      ListFilesWithTimes(remote, L"*.*", remoteFiles, remoteTimes, true);
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

  // Both times come from the folder listings: the remote one made before the
  // first file, the local one when the run reached this file's folder. A
  // remote file that has gone since its listing fails to copy and is "Not
  // Copied", its set-aside file moved back. The destination is kept as
  // joined, for the log; the platform gets it without doubled backslashes.
  void SyncFile(const std::wstring& relative, platform::FileTime sourceTime) {
    const std::wstring destination = local + L"\\" + relative;
    const LocalFolder& folder = ReachFolderOf(destination);

    platform::FileTime destinationTime = 0;
    const bool destinationPresent = folder.Find(FileName(destination), destinationTime);
    const bool sourceNewer = !destinationPresent || sourceTime > destinationTime;

    FileOutcome outcome;
    if (force || sourceNewer)
      outcome = Replace(PlatformPath(remote + L"\\" + relative), destination, destinationPresent, folder);
    ReportFile(relative, destination, outcome);
  }

  // Files come folder by folder, so the local folder is listed, and made
  // where it is missing, once for all the files it holds. The backups its
  // listing shows were left by interrupted runs, except where the run comes
  // back to a folder after setting files aside there; the finish tells
  // those apart.
  const LocalFolder& ReachFolderOf(const std::wstring& destination) {
    const std::wstring folder = ParentFolder(destination);
    if (folder != localFolder.Path()) {
      localFolder.Reach(folder);
      for (const std::wstring& name : localFolder.Backups())
        staleBackups.emplace(platform::FileNameKey(folder + name), folder + name);
    }
    return localFolder;
  }

  // A backup or partial copy left by an interrupted run shows in the
  // folder's listing; this run's own backups are of other files, so the
  // listing still tells.
  FileOutcome Replace(const std::wstring& source, const std::wstring& destination, bool destinationPresent,
                      const LocalFolder& folder) {
    constexpr size_t noBackup = static_cast<size_t>(-1);
    const std::wstring name = FileName(destination);
    const std::wstring target = PlatformPath(destination);
    const size_t aside =
        destinationPresent ? SetAside(destination, target, folder.Holds(name + backupSuffix)) : noBackup;

    FileOutcome outcome;
    outcome.copied = CopyThroughPartial(source, target, folder.Holds(name + partialSuffix));
    if (outcome.copied) {
      if (aside != noBackup) setAside[aside].replaced = true;
    } else if (aside != noBackup && setAside[aside].movedAside) {
      outcome.backupStranded = !platform::MoveNoReplace(setAside[aside].Backup(), target);
    }
    return outcome;
  }

  // Moves the local file (target, as the platform takes it) to its backup
  // name, deleting a backup left by an interrupted earlier run first.
  // Returns the file's index in setAside.
  size_t SetAside(const std::wstring& destination, const std::wstring& target, bool staleBackup) {
    SetAsideFile file;
    file.localPath = destination;
    const std::wstring backup = file.Backup();
    if (staleBackup) DeleteOwnFile(backup);
    file.movedAside = platform::MoveNoReplace(target, backup);
    setAside.push_back(std::move(file));
    return setAside.size() - 1;
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
      // A run told not to restore leaves every backup where it is.
      if (job.restoreOnCancel) ClearStaleBackups();
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
  // new copy in one step; the bar counts down one step per backup. The new
  // copy is this run's own, so a read-only mark it took over does not keep
  // the old file out.
  void RestoreBackups() {
    for (const SetAsideFile& file : setAside) {
      const std::wstring backup = file.Backup();
      if (file.movedAside && PathExists(backup)) {
        const std::wstring localPath = ReachablePath(file.localPath);
        bool restored = platform::MoveReplacing(backup, localPath);
        if (!restored && file.replaced && platform::ClearReadOnly(localPath))
          restored = platform::MoveReplacing(backup, localPath);
        Log((restored ? L"Restored: " : L"Not Restored: ") + file.localPath);
      }
      ReportPosition();
      --fileCounter;
    }
  }

  // A backup whose file could not be replaced may be the only copy of that
  // file's content, so only backups of replaced files go.
  void DeleteReplacedBackups() {
    for (const SetAsideFile& file : setAside)
      if (file.replaced) DeleteOwnFile(file.Backup());
  }

  // Backups left by interrupted runs in the folders this run visited: one
  // beside its library file is out of date and goes; one whose library file
  // is missing is the only copy of that file and takes its name back. One
  // whose name is held by anything else (a folder, a file that cannot be
  // opened) stays.
  void ClearStaleBackups() {
    for (const SetAsideFile& file : setAside) staleBackups.erase(platform::FileNameKey(file.localPath + backupSuffix));
    for (const auto& [key, listedBackup] : staleBackups) {
      (void)key;
      const std::wstring localPath = listedBackup.substr(0, listedBackup.size() - backupSuffix.size());
      const std::wstring backup = ReachablePath(listedBackup), library = ReachablePath(localPath);
      platform::FileTime ignored;
      if (platform::LastWriteTime(library, ignored))
        DeleteOwnFile(backup);
      else if (platform::MoveNoReplace(backup, library))  // refused where anything holds the name
        Log(L"Restored: " + localPath);
    }
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
  std::vector<platform::FileTime> remoteTimes;  // beside relativePaths
  std::vector<SetAsideFile> setAside;
  std::map<std::wstring, std::wstring> staleBackups;  // by name key: the backup's path as listed
  std::int32_t fileCounter = 0;
  LocalFolder localFolder;
};

}  // namespace

void SyncJob::SetRoots(const std::wstring& remote, const std::wstring& local) {
  remoteRoot = remote;
  localRoot = local;
}

void SyncJob::Run(std::wstring remote, std::wstring local, bool force) {
  SyncRun(*this, std::move(remote), std::move(local), force).Execute();
}
