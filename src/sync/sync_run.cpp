// The run's sequence: the lock, the listing, the files in order through the copy pool, the retries and the finish.
#include "sync/sync_run.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

#include "platform/file_system.h"
#include "platform/run_lock.h"
#include "sync/own_files.h"
#include "sync/paths.h"
#include "sync/run_record.h"

namespace {

const std::wstring backupSuffix = kBackupSuffix;
const std::wstring partialSuffix = kPartialCopySuffix;
const std::wstring versionSuffix = L".version";
constexpr auto pausePoll = std::chrono::milliseconds(500);
constexpr size_t kMostRetryPasses = 3;

// How far the worker decides ahead of the file it finishes: at most this many
// files, of which at most copiesAhead copies (and about bytesAhead bytes) are
// handed to the pool and not yet finished.
constexpr size_t kFilesAhead = 512;
constexpr size_t kLeastCopiesAhead = 32;
constexpr std::uint64_t kBytesAhead = 64ull << 20;

std::wstring RetryLine(size_t files, size_t folders, unsigned seconds) {
  std::wstring line = L"Retrying " + std::to_wstring(files) + L" file(s)";
  if (folders > 0) line += L" and listing " + std::to_wstring(folders) + L" folder(s) again";
  return line + L" in " + std::to_wstring(seconds) + L" seconds";
}

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

// The pool's threads: none for a single copy at a time, which the worker
// then makes itself, in the order and at the time it always did.
unsigned PoolThreads(unsigned copyThreads) {
  return copyThreads <= 1 ? 0 : std::min(copyThreads, kMostCopyThreads);
}

}  // namespace

SyncRun::SyncRun(SyncJob& job, std::wstring remote, std::wstring local, bool force)
    : job(job),
      remote(TrimmedLikeTheListing(remote)),
      local(std::move(local)),
      force(force),
      poolThreads(PoolThreads(job.copyThreads)) {}

void SyncRun::Execute() {
  MakeFolderTree(local);
  const std::wstring lockFile = LibraryLockFile(local);
  const platform::RunLock lock(lockFile);
  if (lock.Busy()) {
    EndAsBusy(lockFile);
    return;
  }
  if (!lock.Held()) Log(L"The library could not be locked against other syncs; this sync goes on without it.");
  ListRemoteTree();
  {
    // No copy thread outlives the passes, nor the lock.
    CopyPool copies(poolThreads, job.paused);
    pool = &copies;
    FirstPass();
    RetryFailures();
    copies.StopAll();
    pool = nullptr;
  }
  Finish();
}

void SyncRun::ListRemoteTree() {
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
  DropOwnFiles();
  barFiles = static_cast<std::int32_t>(relativePaths.size());
  if (job.progress) job.progress->SetBusy(false);
}

// A master library that was itself synced as a local one may list the
// program's own files: a lock file at its root (a case-sensitive server more
// than one), and backups and partial copies anywhere while, or after, a sync
// of it ran. None is a library file: copied, they would take the names of
// this run's own. They have no line and no place on the bar.
void SyncRun::DropOwnFiles() {
  size_t kept = 0;
  for (size_t index = 0; index < relativePaths.size(); ++index) {
    if (LeftOut(relativePaths[index])) continue;
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

// Whether a listed remote file is left out of the run; a file named as the
// program's own is kept for the record's line.
bool SyncRun::LeftOut(const std::wstring& relative) {
  if (IsLockFile(relative)) return true;
  if (!IsOwnFileName(relative)) return false;
  if (leftOutKeys.insert(platform::FileNameKey(relative)).second) leftOut.push_back(relative);
  return true;
}

// The record says once which remote files the run left out as the program's own.
void SyncRun::RecordLeftOut() {
  if (leftOut.empty()) return;
  constexpr size_t kNamed = 5;
  std::wstring line = L"Not copied from the remote library, as named like this program's own backups and partial "
                      L"copies: " + std::to_wstring(leftOut.size()) + L" file(s): ";
  for (size_t at = 0; at < leftOut.size() && at < kNamed; ++at) line += (at > 0 ? L", " : L"") + leftOut[at];
  if (leftOut.size() > kNamed) line += L" and " + std::to_wstring(leftOut.size() - kNamed) + L" more";
  Record(line);
}

// Another run holds the library: nothing is touched, and the run ends as a
// cancelled one does.
void SyncRun::EndAsBusy(const std::wstring& lockFile) {
  job.cancelRequested = false;
  Log(L"A sync of this library is already running.",
      FailureReason::Saying(L"another sync holds " + lockFile + L" open"));
  Log(L" - Sync Cancelled - ");
  Log(L" - Sync Complete - ");
  outcome.end = RunEnd::Busy;
  job.outcome = outcome;
  if (job.progress) job.progress->Finished(L"Sync Canceled", true);
}

bool SyncRun::IsOutdated(const std::wstring& relative) const {
  const std::wstring key = platform::FileNameKey(FileName(relative));
  for (const std::wstring& name : job.outdatedVersionFiles)
    if (platform::FileNameKey(name) == key) return true;
  return false;
}

// False when the run is to stop before this file.
bool SyncRun::WaitWhilePausedThenCheckCancel() {
  while (job.paused) job.sleep(pausePoll);
  return !job.cancelRequested;
}

// Waits before a retry pass, in steps of the pause poll: a pause holds the
// wait, a cancel ends it. False when the run is to stop.
bool SyncRun::WaitBeforeRetry(unsigned seconds) {
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

// Every file of the listing in its order, but the version files, which are
// kept for the end.
void SyncRun::FirstPass() {
  std::vector<size_t> files;
  files.reserve(relativePaths.size());
  for (size_t index = 0; index < relativePaths.size(); ++index) {
    if (IsTopLevelVersionFile(relativePaths[index]))
      versionFiles.push_back(index);
    else
      files.push_back(index);
  }
  GoThrough(files, [&](size_t at, const FileOutcome& tried) { FirstTry(files[at], tried); });
}

// The first try of each file moves the bar; a file that failed and may
// come through on a retry gets its line only when it is decided.
void SyncRun::FirstTry(size_t index, const FileOutcome& tried) {
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
void SyncRun::RetryFailures() {
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
    folders.Clear();
    const bool lastPass = pass + 1 == passes;
    std::vector<size_t> files;
    files.reserve(pending.size());
    for (const PendingFile& file : pending) files.push_back(file.index);
    std::vector<PendingFile> still;
    const size_t finished = GoThrough(files, [&](size_t at, const FileOutcome& tried) {
      PendingFile file = pending[at];
      if (tried.WorthRetrying() && !lastPass) {
        file.tried = true;
        file.reason = tried.reason;
        still.push_back(file);
        return;
      }
      Decide(file.index, tried);
    });
    still.insert(still.end(), pending.begin() + static_cast<std::ptrdiff_t>(finished), pending.end());
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

void SyncRun::ListBrokenFoldersAgain() {
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
      if (LeftOut(relative) || !knownFiles.insert(platform::FileNameKey(relative)).second) continue;
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

// Goes through the files in their order. Each is decided ahead, as far as
// the window reaches, and its copy handed to the pool; then the files are
// finished one by one, in order, as their copies end: the re-check of the
// local file, the set-aside, the move into place and the report all happen
// here. Before each file the run waits while paused and stops if cancelled.
// Returns how many files were finished: fewer than all when the run was
// cancelled, and then no partial copy of the others is left behind.
size_t SyncRun::GoThrough(const std::vector<size_t>& files,
                          const std::function<void(size_t at, const FileOutcome& outcome)>& finished) {
  const size_t filesAhead = poolThreads == 0 ? 1 : kFilesAhead;
  std::deque<Decided> ahead;
  size_t next = 0;
  for (size_t at = 0; at < files.size(); ++at) {
    if (!WaitWhilePausedThenCheckCancel()) {
      Abandon(ahead);
      return at;
    }
    while (next < files.size() && ahead.size() < filesAhead) ahead.push_back(DecideFile(files[next++], force));
    HandReadyCopies(ahead);
    Decided& current = ahead.front();
    FileOutcome outcome;
    if (current.copy) {
      PartialCopy made;
      if (!pool->WaitFor(current.handle, made, [this] { return job.cancelRequested.load(); })) {
        Abandon(ahead);
        return at;
      }
      outcome = replacements.PutInPlace(*current.copy, made);
      --copiesAhead;
      bytesAhead -= current.copy->expectedSize;
      const auto name = namesAhead.find(current.nameKey);
      if (name != namesAhead.end() && --name->second == 0) namesAhead.erase(name);
    }
    folders.Release(current.folder);
    ahead.pop_front();
    if (settledAhead > 0) --settledAhead;
    finished(at, outcome);
  }
  return files.size();
}

// Hands the pool the copies decided ahead, in order, while the window has
// room. Two remote names that differ only in case share one local name and
// one partial copy: a copy whose local name is still held by one ahead of
// it waits, and so do all after it, until the worker has finished that one.
void SyncRun::HandReadyCopies(std::deque<Decided>& ahead) {
  const size_t mostCopies = std::max<size_t>(kLeastCopiesAhead, 2 * poolThreads);
  for (; settledAhead < ahead.size(); ++settledAhead) {
    Decided& file = ahead[settledAhead];
    if (!file.copy) continue;
    if (copiesAhead > 0 && (copiesAhead >= mostCopies || bytesAhead + file.copy->expectedSize > kBytesAhead)) return;
    if (file.nameKey.empty()) file.nameKey = platform::FileNameKey(file.copy->target);
    if (namesAhead.count(file.nameKey) != 0) return;
    file.handle = pool->Hand(*file.copy);
    ++copiesAhead;
    bytesAhead += file.copy->expectedSize;
    ++namesAhead[file.nameKey];
  }
}

// A cancel: no copy starts, those in flight stop, and every partial copy
// made ahead of the worker goes.
void SyncRun::Abandon(std::deque<Decided>& ahead) {
  pool->StopAll();
  for (const Decided& file : ahead) {
    if (file.handle && CopyPool::MadeWhole(file.handle)) DeleteOwnFile(file.copy->partial);
    folders.Release(file.folder);
  }
  ahead.clear();
  settledAhead = 0;
  copiesAhead = 0;
  bytesAhead = 0;
  namesAhead.clear();
}

// Both times come from the folder listings: the remote one made before the
// first file, the local one when the run reached this file's folder. The
// local time is read again from the file itself before it is set aside. The
// destination is kept as joined, for the log; the platform gets it without
// doubled backslashes, and in the long form where it is too long for the
// usual one. The backups and partial copies a folder's listing shows were
// left by interrupted runs, as the lock keeps other runs out, except where
// the run comes back to a folder after setting files aside there; the
// finish tells those apart.
SyncRun::Decided SyncRun::DecideFile(size_t index, bool copyAnyway) {
  Decided decided;
  decided.index = index;
  std::wstring destination = local + L"\\" + relativePaths[index];
  decided.folder = ParentFolder(destination);
  bool listedNow = false;
  const LocalFolder& folder = folders.Hold(decided.folder, listedNow);
  if (listedNow) {
    for (const std::wstring& name : folder.Backups())
      staleBackups.emplace(platform::FileNameKey(decided.folder + name), decided.folder + name);
    for (const std::wstring& name : folder.Partials()) stalePartials.push_back(decided.folder + name);
  }
  const std::wstring name = FileName(destination);
  platform::FileTime destinationTime = 0;
  const bool destinationPresent = folder.Find(name, destinationTime);
  const bool sourceNewer = !destinationPresent || remoteDetails.times[index] > destinationTime;
  if (!copyAnyway && !sourceNewer) return decided;

  FileCopy copy;
  copy.index = index;
  copy.target = ReachablePath(destination);
  copy.partial = ReachablePath(copy.target + partialSuffix);
  copy.source = ReachablePath(remote + L"\\" + relativePaths[index]);
  copy.destination = std::move(destination);
  copy.expectedSize = remoteDetails.sizes[index];
  copy.remoteTime = remoteDetails.times[index];
  copy.destinationListed = destinationPresent;
  copy.nameShownListed = destinationPresent && folder.Listed();
  copy.copyAnyway = copyAnyway;
  copy.stalePartial = folder.Holds(name + partialSuffix);
  copy.staleBackup = folder.Holds(name + backupSuffix);
  decided.copy = std::move(copy);
  return decided;
}

// A file decided and finished at once, its copy made on this thread.
FileOutcome SyncRun::SyncFileNow(size_t index, bool copyAnyway) {
  const Decided decided = DecideFile(index, copyAnyway);
  FileOutcome outcome;
  if (decided.copy) outcome = replacements.PutInPlace(*decided.copy, MakePartialCopy(*decided.copy, nullptr));
  folders.Release(decided.folder);
  return outcome;
}

// The file's line and its place in the counts.
void SyncRun::Decide(size_t index, const FileOutcome& decided) {
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

bool SyncRun::AnyFailure() const { return outcome.counts.failed > 0 || !brokenSearches.empty(); }

void SyncRun::AdvanceBar() {
  if (!barAtEnd) ReportPosition();
  ++fileCounter;
}

// The version files say the library is current, so they come once the
// run is known not to be cancelled, and are copied only when nothing
// failed before them; otherwise the next run finds them in step and never
// catches up. Those the window found outdated are copied whatever their
// times. A cancel that comes now is too late for this run, as one that
// comes during the backups' deletion is.
void SyncRun::SyncVersionFiles() {
  for (size_t index : versionFiles) {
    const FileOutcome tried =
        AnyFailure() ? FileOutcome{} : SyncFileNow(index, force || IsOutdated(relativePaths[index]));
    AdvanceBar();
    Decide(index, tried);
  }
}

void SyncRun::Finish() {
  const bool cancelled = job.cancelRequested;
  if (cancelled) {
    job.cancelRequested = false;
    Log(L" - Sync Cancelled - ");
    if (job.restoreOnCancel) RestoreBackups();
  } else {
    SyncVersionFiles();
    Log(L" - Deleting Backup Files - ");
    replacements.DeleteReplacedBackups(std::max(1u, poolThreads));
    // A run told not to restore leaves every backup where it is.
    if (job.restoreOnCancel) ClearStaleBackups();
    ClearStalePartials();
  }
  RecordLeftOut();
  Log(L" - Sync Complete - ");
  outcome.end = cancelled ? RunEnd::Cancelled : RunEnd::Completed;
  outcome.listingIncomplete = !brokenSearches.empty();
  // A listing that broke off and never came whole is a failure of the run;
  // its line came when it broke off.
  if (job.record)
    for (const BrokenSearch& broken : brokenSearches)
      job.record->NoteFailure(L"The listing of " + broken.folder + L" broke off",
                              FailureReason{broken.failure, {}}.Text());
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
void SyncRun::RestoreBackups() {
  for (const SetAsideFile& file : replacements.Files()) {
    if (file.movedAside && PathExists(file.Backup())) {
      FailureReason reason;
      if (replacements.PutBack(file, reason)) {
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

// Backups left by interrupted runs in the folders this run visited: one
// beside its library file is out of date and goes; one whose library file
// is missing is the only copy of that file and takes its name back. One
// whose name is held by anything else (a folder, a file that cannot be
// opened) stays.
void SyncRun::ClearStaleBackups() {
  for (const SetAsideFile& file : replacements.Files())
    staleBackups.erase(platform::FileNameKey(file.localPath + backupSuffix));
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
void SyncRun::ClearStalePartials() {
  // One that a copy of its file replaced is gone already; its delete fails.
  for (const std::wstring& partial : stalePartials) DeleteOwnFile(ReachablePath(partial));
}

// A line of the window's log, and of the record, where the record also
// gets the reason of a failure.
void SyncRun::Log(const std::wstring& text) {
  if (job.progress) job.progress->AddMessage(text.c_str());
  if (job.record) job.record->Line(text);
}

// Every failure the window's log shows is one of the run's failures.
void SyncRun::Log(const std::wstring& text, const FailureReason& reason) {
  if (job.progress) job.progress->AddMessage(text.c_str());
  if (job.record) job.record->Failure(text, reason.Text());
}

// A line for the record alone.
void SyncRun::Record(const std::wstring& text) {
  if (job.record) job.record->Line(text);
}

void SyncRun::Record(const std::wstring& text, const FailureReason& reason) {
  if (job.record) job.record->Line(text, reason.Text());
}

// The bar spans the files of the first listing; files a search made again
// finds later do not move it back.
void SyncRun::ReportPosition() {
  if (job.progress) job.progress->SetProgress(0, barFiles - 1, fileCounter);
}
