// The sync run: listing, per-file set-aside and copy, restore or clean-up.
#include "sync/sync_job.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/file_system.h"
#include "platform/run_lock.h"
#include "sync/file_listing.h"
#include "sync/own_files.h"
#include "sync/paths.h"
#include "sync/run_record.h"

namespace {

const std::wstring backupSuffix = kBackupSuffix;
const std::wstring partialSuffix = kPartialCopySuffix;
const std::wstring versionSuffix = L".version";
constexpr auto pausePoll = std::chrono::milliseconds(500);
constexpr size_t kMostRetryPasses = 3;

// What became of one remote file.
struct FileOutcome {
  bool copied = false;
  bool failed = false;          // a copy was tried and did not end in place
  bool backupStranded = false;  // and the file's backup could not be moved back
  FailureReason reason;         // why it failed
  FailureReason strandedReason;
  bool sourceGone = false;      // the master no longer has the file

  // A file the master no longer has is not asked for again, nor one whose
  // old content now lives only in its backup, which a new set-aside would
  // have to replace.
  bool WorthRetrying() const { return failed && !backupStranded && !sourceGone; }
};

// A failed file waiting for the next retry pass, or one a search found late.
struct PendingFile {
  size_t index = 0;
  bool tried = false;  // false: found by a search made again, not tried yet
  FailureReason reason;
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
  bool stranded = false;    // the backup could not be moved back when the copy failed
  bool replaced = false;    // the new copy is in place, so the backup may go
  platform::FileFacts placed;  // the new copy as it was put in place

  std::wstring Backup() const { return OwnFilePath(localPath, backupSuffix); }
};

std::wstring RetryLine(size_t files, size_t folders, unsigned seconds) {
  std::wstring line = L"Retrying " + std::to_wstring(files) + L" file(s)";
  if (folders > 0) line += L" and listing " + std::to_wstring(folders) + L" folder(s) again";
  return line + L" in " + std::to_wstring(seconds) + L" seconds";
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

  // The backups and partial copies the listing showed, by name.
  const std::vector<std::wstring>& Backups() const { return backups; }
  const std::vector<std::wstring>& Partials() const { return partials; }

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
    partials.clear();
    platform::FolderSearch search(ReachablePath(path + L"*.*"));
    platform::FolderEntry entry;
    while (search.Next(entry)) {
      if (entry.isFolder) continue;
      files.emplace(platform::FileNameKey(entry.name), entry.lastWriteTime);
      if (EndsWithCaseBlind(entry.name, backupSuffix)) backups.push_back(entry.name);
      if (EndsWithCaseBlind(entry.name, partialSuffix)) partials.push_back(entry.name);
    }
    listed = search.Started();
    return listed;
  }

  std::wstring path;  // ends in a backslash
  bool listed = false;
  std::unordered_map<std::wstring, platform::FileTime> files;
  std::vector<std::wstring> backups;
  std::vector<std::wstring> partials;
};

// The remote root as the listing trims it, so that cutting the root off a
// listed path leaves exactly the path below the root.
std::wstring TrimmedLikeTheListing(const std::wstring& root) { return TrimChar(TrimChar(root, L'\t'), L' '); }

// Whether a relative path names a file in the root's own folder. It begins
// with a backslash when the root was given without one.
bool InRootFolder(const std::wstring& relative) {
  const size_t from = (!relative.empty() && relative[0] == L'\\') ? 1 : 0;
  return relative.find(L'\\', from) == std::wstring::npos;
}

// A file in the remote root's own folder that marks the library's release.
bool IsTopLevelVersionFile(const std::wstring& relative) {
  return InRootFolder(relative) && EndsWithCaseBlind(relative, versionSuffix);
}

// The lock file of a run on a library kept from the remote one: not the
// library's, never copied.
bool IsLockFile(const std::wstring& relative) {
  return InRootFolder(relative) &&
         platform::FileNameKey(FileName(relative)) == platform::FileNameKey(kLibraryLockFileName);
}

// Whether the file at a replaced file's name is still the copy the run put
// there: the same time and size, and the same file where its identity was
// known. A user who saved it since changed at least its time.
bool StillThePlacedCopy(const std::wstring& path, const platform::FileFacts& placed) {
  platform::FileFacts now;
  if (!platform::ReadFileFacts(path, now)) return false;
  if (now.lastWriteTime != placed.lastWriteTime || now.size != placed.size) return false;
  return !placed.identity.Known() || now.identity == placed.identity;
}

// One run's working data and its steps; discarded when Run returns.
class SyncRun {
 public:
  SyncRun(SyncJob& job, std::wstring remote, std::wstring local, bool force)
      : job(job), remote(TrimmedLikeTheListing(remote)), local(std::move(local)), force(force) {}

  // The run holds the library's lock from before the first file is touched
  // until the version files are in place, so that no other run counts its
  // backups and partial copies as left by a killed one. The lock file lies in
  // the library's root, which is made for it where it is missing. A library
  // where the file cannot be made at all is still synced.
  void Execute() {
    MakeFolderTree(local);
    const std::wstring lockFile = LibraryLockFile(local);
    const platform::RunLock lock(lockFile);
    if (lock.Busy()) {
      EndAsBusy(lockFile);
      return;
    }
    if (!lock.Held()) Log(L"The library could not be locked against other syncs; this sync goes on without it.");
    ListRemoteTree();
    for (size_t index = 0; index < relativePaths.size(); ++index) {
      if (IsTopLevelVersionFile(relativePaths[index])) {
        versionFiles.push_back(index);
        continue;
      }
      if (!WaitWhilePausedThenCheckCancel()) break;
      FirstTry(index);
    }
    RetryFailures();
    Finish();
  }

 private:
  void ListRemoteTree() {
    if (job.progress) job.progress->SetBusy(true);
    Log(L" - Getting remote file listing - ");
    StringList remoteFiles;
    try {
      ListFilesWithDetails(remote, L"*.*", remoteFiles, remoteDetails, true);
    } catch (const std::out_of_range&) {
      // A blank root names no folder: there is nothing to copy.
    }
    // A search that broke off left files out, which the run cannot copy
    // unless the folder lists whole when it is tried again.
    brokenSearches = remoteDetails.brokenSearches;
    for (const BrokenSearch& broken : brokenSearches)
      Record(L"The listing of " + broken.folder + L" broke off", FailureReason{broken.failure, {}});
    relativePaths.reserve(remoteFiles.size());
    for (const std::wstring& path : remoteFiles) relativePaths.push_back(path.substr(remote.size()));
    DropLockFile();
    barFiles = static_cast<std::int32_t>(relativePaths.size());
    if (job.progress) job.progress->SetBusy(false);
  }

  // A master library that was itself synced as a local one may list a lock
  // file at its root (a case-sensitive server more than one); it has no line
  // and no place on the bar.
  void DropLockFile() {
    size_t kept = 0;
    for (size_t index = 0; index < relativePaths.size(); ++index) {
      if (IsLockFile(relativePaths[index])) continue;
      if (kept != index) {
        relativePaths[kept] = std::move(relativePaths[index]);
        remoteDetails.times[kept] = remoteDetails.times[index];
        remoteDetails.sizes[kept] = remoteDetails.sizes[index];
      }
      ++kept;
    }
    relativePaths.resize(kept);
    remoteDetails.times.resize(kept);
    remoteDetails.sizes.resize(kept);
  }

  // Another run holds the library: nothing is touched, and the run ends as a
  // cancelled one does.
  void EndAsBusy(const std::wstring& lockFile) {
    job.cancelRequested = false;
    Log(L"A sync of this library is already running.",
        FailureReason::Saying(L"another sync holds " + lockFile + L" open"));
    Log(L" - Sync Cancelled - ");
    Log(L" - Sync Complete - ");
    outcome.end = RunEnd::Busy;
    job.outcome = outcome;
    if (job.progress) job.progress->Finished(L"Sync Canceled", true);
  }

  bool IsOutdated(const std::wstring& relative) const {
    const std::wstring key = platform::FileNameKey(FileName(relative));
    for (const std::wstring& name : job.outdatedVersionFiles)
      if (platform::FileNameKey(name) == key) return true;
    return false;
  }

  // False when the run is to stop before this file.
  bool WaitWhilePausedThenCheckCancel() {
    while (job.paused) job.sleep(pausePoll);
    return !job.cancelRequested;
  }

  // Waits before a retry pass, in steps of the pause poll: a pause holds the
  // wait, a cancel ends it. False when the run is to stop.
  bool WaitBeforeRetry(unsigned seconds) {
    const auto wait = std::chrono::milliseconds(1000) * seconds;
    std::chrono::milliseconds waited(0);
    while (waited < wait) {
      if (job.cancelRequested) return false;
      const auto step = std::min<std::chrono::milliseconds>(pausePoll, wait - waited);
      const bool counts = !job.paused;
      job.sleep(step);
      if (counts) waited += step;
    }
    return WaitWhilePausedThenCheckCancel();
  }

  // The first try of each file moves the bar; a file that failed and may
  // come through on a retry gets its line only when it is decided.
  void FirstTry(size_t index) {
    const FileOutcome tried = SyncFile(index, force);
    AdvanceBar();
    if (tried.WorthRetrying() && !job.retryWaitSeconds.empty()) {
      pending.push_back(PendingFile{index, true, tried.reason});
      return;
    }
    Decide(index, tried);
  }

  // After the pass over every file, up to three passes over the files still
  // failing, each after its wait. A folder whose search broke off is listed
  // again first, with everything below it, and the files it now shows that
  // the run has not met join the pass. A run with nothing failed makes none.
  void RetryFailures() {
    const size_t passes = std::min(kMostRetryPasses, job.retryWaitSeconds.size());
    if (passes > 0 && (!pending.empty() || !brokenSearches.empty()) && !job.cancelRequested) {
      // The bar shows the first pass done while the waits go on; nothing moves it back.
      if (job.progress) job.progress->SetProgress(0, barFiles - 1, barFiles - 1);
      barAtEnd = true;
    }
    for (size_t pass = 0; pass < passes && (!pending.empty() || !brokenSearches.empty()); ++pass) {
      if (job.cancelRequested) break;
      const unsigned seconds = job.retryWaitSeconds[pass];
      Log(RetryLine(pending.size(), brokenSearches.size(), seconds));
      if (!WaitBeforeRetry(seconds)) break;
      ListBrokenFoldersAgain();
      // Each pass sees the local folders afresh.
      localFolder = LocalFolder();
      const bool lastPass = pass + 1 == passes;
      std::vector<PendingFile> still;
      for (size_t at = 0; at < pending.size(); ++at) {
        if (!WaitWhilePausedThenCheckCancel()) {
          still.insert(still.end(), pending.begin() + static_cast<std::ptrdiff_t>(at), pending.end());
          break;
        }
        PendingFile file = pending[at];
        const FileOutcome tried = SyncFile(file.index, force);
        if (tried.WorthRetrying() && !lastPass) {
          file.tried = true;
          file.reason = tried.reason;
          still.push_back(file);
          continue;
        }
        Decide(file.index, tried);
      }
      pending = std::move(still);
    }
    // A cancel left these: each tried one failed, with its last reason; one
    // found late and never tried is not the run's, as files after a cancel are not.
    for (const PendingFile& file : pending) {
      if (!file.tried) continue;
      FileOutcome failedOutcome;
      failedOutcome.failed = true;
      failedOutcome.reason = file.reason;
      Decide(file.index, failedOutcome);
    }
    pending.clear();
  }

  void ListBrokenFoldersAgain() {
    if (brokenSearches.empty()) return;
    if (knownFiles.empty())
      for (const std::wstring& relative : relativePaths) knownFiles.insert(platform::FileNameKey(relative));
    std::vector<BrokenSearch> stillBroken;
    for (const BrokenSearch& broken : brokenSearches) {
      StringList paths;
      ListingDetails details;
      ListFilesWithDetails(broken.folder, L"*.*", paths, details, true);
      for (size_t at = 0; at < paths.size(); ++at) {
        std::wstring relative = paths[at].substr(remote.size());
        if (IsLockFile(relative) || !knownFiles.insert(platform::FileNameKey(relative)).second) continue;
        relativePaths.push_back(std::move(relative));
        remoteDetails.times.push_back(details.times[at]);
        remoteDetails.sizes.push_back(details.sizes[at]);
        const size_t index = relativePaths.size() - 1;
        if (IsTopLevelVersionFile(relativePaths[index]))
          versionFiles.push_back(index);
        else
          pending.push_back(PendingFile{index, false, {}});
      }
      if (!details.incomplete) {
        Record(L"Listed whole again: " + broken.folder);
        continue;
      }
      for (const BrokenSearch& again : details.brokenSearches) {
        Record(L"The listing of " + again.folder + L" broke off again", FailureReason{again.failure, {}});
        stillBroken.push_back(again);
      }
    }
    brokenSearches = std::move(stillBroken);
  }

  // The file's line and its place in the counts.
  void Decide(size_t index, const FileOutcome& decided) {
    const std::wstring& relative = relativePaths[index];
    if (decided.copied) {
      ++outcome.counts.copied;
      Log(L"Copied: " + relative);
    } else if (decided.failed) {
      ++outcome.counts.failed;
      Log(L"Not Copied: " + relative, decided.reason);
    } else {
      ++outcome.counts.skipped;
      Log(L"Not Copied: " + relative);
    }
    if (decided.backupStranded) {
      ++outcome.counts.notRestored;
      Log(L"Not Restored: " + local + L"\\" + relative, decided.strandedReason);
    }
  }

  bool AnyFailure() const { return outcome.counts.failed > 0 || !brokenSearches.empty(); }

  // Both times come from the folder listings: the remote one made before the
  // first file, the local one when the run reached this file's folder. The
  // local time is read again from the file itself before it is set aside.
  // A remote file that has gone since its listing fails to copy and is "Not
  // Copied". The destination is kept as joined, for the log; the platform
  // gets it without doubled backslashes, and in the long form where it is too
  // long for the usual one.
  FileOutcome SyncFile(size_t index, bool copyAnyway) {
    const std::wstring destination = local + L"\\" + relativePaths[index];
    const LocalFolder& folder = ReachFolderOf(destination);

    platform::FileTime destinationTime = 0;
    const bool destinationPresent = folder.Find(FileName(destination), destinationTime);
    const bool sourceNewer = !destinationPresent || remoteDetails.times[index] > destinationTime;

    if (copyAnyway || sourceNewer) return Replace(index, destination, destinationPresent, copyAnyway, folder);
    return FileOutcome{};
  }

  // Files come folder by folder, so the local folder is listed, and made
  // where it is missing, once for all the files it holds. The backups and
  // partial copies its listing shows were left by interrupted runs, as the
  // lock keeps other runs out, except where the run comes back to a folder
  // after setting files aside there; the finish tells those apart.
  const LocalFolder& ReachFolderOf(const std::wstring& destination) {
    const std::wstring folder = ParentFolder(destination);
    if (folder != localFolder.Path()) {
      localFolder.Reach(folder);
      for (const std::wstring& name : localFolder.Backups())
        staleBackups.emplace(platform::FileNameKey(folder + name), folder + name);
      for (const std::wstring& name : localFolder.Partials()) stalePartials.push_back(folder + name);
    }
    return localFolder;
  }

  // Copies the remote file beside its local path, then moves it into place.
  // The move never replaces a file: one there is set aside first, and only
  // once its own current time says it is still older than the remote file
  // (in a forced run, whatever its time). So a file that a user saved or
  // created since the folder was listed is left as it is, and every file
  // replaced has a backup.
  FileOutcome Replace(size_t index, const std::wstring& destination, bool destinationListed, bool copyAnyway,
                      const LocalFolder& folder) {
    const std::wstring name = FileName(destination);
    const std::wstring target = ReachablePath(destination);
    const std::wstring partial = OwnFilePath(target, partialSuffix);
    const std::wstring source = ReachablePath(remote + L"\\" + relativePaths[index]);
    FileOutcome outcome;
    if (!CopyToPartial(source, remoteDetails.sizes[index], partial, folder.Holds(name + partialSuffix),
                       &outcome.reason)) {
      outcome.failed = true;
      // Gone from a folder that is still there: not a connection that dropped.
      outcome.sourceGone = outcome.reason.FileNotFound() && PathExists(ParentFolder(source));
      return outcome;
    }
    if (!destinationListed) {
      outcome.copied = platform::MoveNoReplace(partial, target);
      if (outcome.copied) return outcome;
      const FailureReason refused = FailureReason::OfLastCall();
      // A file that came in since the listing is decided for below; a
      // folder that holds the name is never moved out of its way.
      if (!PathExists(target) || platform::IsFolder(target)) return GiveUp(partial, refused);
    }
    if (!copyAnyway) {
      platform::FileTime current = 0;
      if (platform::LastWriteTime(target, current) && !(remoteDetails.times[index] > current)) {
        DeleteOwnFile(partial);
        return outcome;
      }
    }
    const size_t aside = SetAside(index, destination, target, folder.Holds(name + backupSuffix));
    if (!setAside[aside].movedAside) {
      const FailureReason refused = FailureReason::OfLastCall();
      // A file that went meanwhile leaves the name free; one that stays
      // (in use, no access) is not replaced without its backup.
      if (!PathExists(target) && platform::MoveNoReplace(partial, target)) {
        outcome.copied = true;
        return outcome;
      }
      return GiveUp(partial, refused);
    }
    if (platform::MoveNoReplace(partial, target)) {
      RememberPlacedCopy(setAside[aside], target, index);
      outcome.copied = true;
      return outcome;
    }
    outcome = GiveUp(partial, FailureReason::OfLastCall());
    if (platform::MoveNoReplace(setAside[aside].Backup(), target)) {
      setAside[aside].movedAside = false;  // its backup is gone: nothing to restore
    } else {
      outcome.backupStranded = true;
      outcome.strandedReason = FailureReason::OfLastCall();
      setAside[aside].stranded = true;
    }
    return outcome;
  }

  // What a cancel needs to tell the copy put in place from a file the user
  // saves over it later. Where the copy cannot be read back, the listing's
  // time and size stand for it.
  void RememberPlacedCopy(SetAsideFile& file, const std::wstring& target, size_t index) {
    file.replaced = true;
    if (platform::ReadFileFacts(target, file.placed)) return;
    file.placed = platform::FileFacts{};
    file.placed.lastWriteTime = remoteDetails.times[index];
    file.placed.size = remoteDetails.sizes[index];
  }

  // A copy that cannot be put in place: its partial copy, made whole just
  // before, goes.
  FileOutcome GiveUp(const std::wstring& partial, const FailureReason& reason) {
    DeleteOwnFile(partial);
    FileOutcome outcome;
    outcome.failed = true;
    outcome.reason = reason;
    return outcome;
  }

  // Moves the local file (target, as the platform takes it) to its backup
  // name, deleting a backup left by an interrupted earlier run first.
  // Returns the file's index in setAside; a file tried again keeps its entry.
  size_t SetAside(size_t index, const std::wstring& destination, const std::wstring& target, bool staleBackup) {
    const auto [found, added] = asideOf.emplace(index, setAside.size());
    if (added) setAside.emplace_back();
    SetAsideFile& file = setAside[found->second];
    file = SetAsideFile{};
    file.localPath = destination;
    const std::wstring backup = file.Backup();
    if (staleBackup) DeleteOwnFile(backup);
    file.movedAside = platform::MoveNoReplace(target, backup);
    return found->second;
  }

  void AdvanceBar() {
    if (!barAtEnd) ReportPosition();
    ++fileCounter;
  }

  // The version files say the library is current, so they come once the
  // run is known not to be cancelled, and are copied only when nothing
  // failed before them; otherwise the next run finds them in step and never
  // catches up. Those the window found outdated are copied whatever their
  // times. A cancel that comes now is too late for this run, as one that
  // comes during the backups' deletion is.
  void SyncVersionFiles() {
    for (size_t index : versionFiles) {
      const FileOutcome tried = AnyFailure() ? FileOutcome{} : SyncFile(index, force || IsOutdated(relativePaths[index]));
      AdvanceBar();
      Decide(index, tried);
    }
  }

  void Finish() {
    const bool cancelled = job.cancelRequested;
    if (cancelled) {
      job.cancelRequested = false;
      Log(L" - Sync Cancelled - ");
      if (job.restoreOnCancel) RestoreBackups();
    } else {
      SyncVersionFiles();
      Log(L" - Deleting Backup Files - ");
      DeleteReplacedBackups();
      // A run told not to restore leaves every backup where it is.
      if (job.restoreOnCancel) ClearStaleBackups();
      ClearStalePartials();
    }
    Log(L" - Sync Complete - ");
    outcome.end = cancelled ? RunEnd::Cancelled : RunEnd::Completed;
    outcome.listingIncomplete = !brokenSearches.empty();
    job.outcome = outcome;
    if (job.progress) {
      if (cancelled)
        job.progress->Finished(L"Sync Canceled", true);
      else if (HasFailures(outcome))
        job.progress->Finished(CompletedBalloonText(outcome).c_str(), true);
      else
        job.progress->Finished(L"Sync Complete", false);
    }
  }

  // Puts every file this run set aside back at its local path; the bar
  // counts down one step per backup.
  void RestoreBackups() {
    for (const SetAsideFile& file : setAside) {
      const std::wstring backup = file.Backup();
      if (file.movedAside && PathExists(backup)) {
        FailureReason reason;
        if (PutBack(file, backup, reason)) {
          ++outcome.counts.restored;
          if (file.stranded) --outcome.counts.notRestored;  // counted when its copy failed; back now
          Log(L"Restored: " + file.localPath);
        } else {
          ++outcome.counts.notRestored;
          Log(L"Not Restored: " + file.localPath, reason);
        }
      }
      ReportPosition();
      --fileCounter;
    }
  }

  // The backup replaces, in one step, only the copy this run put in place,
  // as it was put there; a read-only mark the copy took over does not keep
  // the old file out. Anything else at the name (a file the user saved over
  // the copy, or one that came into a name the copy never reached) is the
  // user's: the backup then goes only into a free name, and otherwise stays
  // beside it under its backup name.
  bool PutBack(const SetAsideFile& file, const std::wstring& backup, FailureReason& reason) {
    const std::wstring localPath = ReachablePath(file.localPath);
    if (!file.replaced || !StillThePlacedCopy(localPath, file.placed)) {
      if (platform::MoveNoReplace(backup, localPath)) return true;
      const FailureReason refused = FailureReason::OfLastCall();
      reason = PathExists(localPath)
                   ? FailureReason::Saying(L"a file changed after this sync replaced it holds the name; the old one "
                                           L"stays beside it as " + FileName(file.localPath) + backupSuffix)
                   : refused;
      return false;
    }
    if (platform::MoveReplacing(backup, localPath)) return true;
    if (platform::ClearReadOnly(localPath) && platform::MoveReplacing(backup, localPath)) return true;
    reason = FailureReason::OfLastCall();
    return false;
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

  // Partial copies left by killed runs in the folders this run visited hold
  // nothing of the library's; this run's own have all gone by now.
  void ClearStalePartials() {
    // One that a copy of its file replaced is gone already; its delete fails.
    for (const std::wstring& partial : stalePartials) DeleteOwnFile(ReachablePath(partial));
  }

  // A line of the window's log, and of the record, where the record also
  // gets the reason of a failure.
  void Log(const std::wstring& text) {
    if (job.progress) job.progress->AddMessage(text.c_str());
    if (job.record) job.record->Line(text);
  }

  void Log(const std::wstring& text, const FailureReason& reason) {
    if (job.progress) job.progress->AddMessage(text.c_str());
    if (job.record) job.record->Line(text, reason.Text());
  }

  // A line for the record alone.
  void Record(const std::wstring& text) {
    if (job.record) job.record->Line(text);
  }

  void Record(const std::wstring& text, const FailureReason& reason) {
    if (job.record) job.record->Line(text, reason.Text());
  }

  // The bar spans the files of the first listing; files a search made again
  // finds later do not move it back.
  void ReportPosition() {
    if (job.progress) job.progress->SetProgress(0, barFiles - 1, fileCounter);
  }

  SyncJob& job;
  const std::wstring remote;
  const std::wstring local;
  const bool force;
  StringList relativePaths;
  ListingDetails remoteDetails;  // beside relativePaths
  std::vector<size_t> versionFiles;  // indexes of the remote root's version files, kept for the end
  std::vector<BrokenSearch> brokenSearches;  // remote folders not yet listed whole
  std::unordered_set<std::wstring> knownFiles;  // name keys of relativePaths, made when a search is made again
  std::vector<PendingFile> pending;  // files for the next retry pass
  RunOutcome outcome;
  std::int32_t barFiles = 0;
  bool barAtEnd = false;  // set at its end before the retries
  std::vector<SetAsideFile> setAside;
  std::unordered_map<size_t, size_t> asideOf;  // a file's index in setAside, by its index
  std::map<std::wstring, std::wstring> staleBackups;  // by name key: the backup's path as listed
  StringList stalePartials;                           // their paths as listed
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
