// Replacing one library file: the partial copy, the re-check, the set-aside, the move into place and the way back.
#include "sync/file_replacement.h"

#include "sync/own_files.h"
#include "sync/paths.h"
#include "sync/side_by_side.h"

namespace {

const std::wstring backupSuffix = kBackupSuffix;

// The run's own files carry a suffix of up to 17 characters, which must not
// cost a library file whose own path fits: their names take the long form
// past Windows' limit for the usual one.
std::wstring OwnFilePath(const std::wstring& libraryPath, const std::wstring& suffix) {
  return ReachablePath(libraryPath + suffix);
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

// A copy that cannot be put in place: its partial copy, made whole just
// before, goes.
FileOutcome GiveUp(const std::wstring& partial, const FailureReason& reason) {
  DeleteOwnFile(partial);
  FileOutcome outcome;
  outcome.failed = true;
  outcome.reason = reason;
  return outcome;
}

// One whose local name another file holds for the whole run: nothing local
// is touched, and no retry would find the name free.
FileOutcome NameHeld(const std::wstring& partial, std::wstring why) {
  FileOutcome outcome = GiveUp(partial, FailureReason::Saying(std::move(why)));
  outcome.nameHeld = true;
  return outcome;
}

// The listed file that a name the folder's listing did not show opens, where
// it is another name of that file (an 8.3 short name); empty where it is not.
std::wstring ListedFileBehind(const std::wstring& target) {
  std::wstring listed;
  if (!platform::ListedNameOf(target, listed)) return {};
  return platform::FileNameKey(listed) == platform::FileNameKey(FileName(target)) ? std::wstring() : listed;
}

}  // namespace

PartialCopy MakePartialCopy(const FileCopy& copy, platform::CopyStop* stop) {
  PartialCopy made;
  made.factsRead = copy.destinationListed;
  made.made = CopyToPartial(copy.source, copy.expectedSize, copy.partial, copy.stalePartial, &made.reason, stop,
                            made.factsRead ? &made.facts : nullptr);
  return made;
}

std::wstring SetAsideFile::Backup() const { return OwnFilePath(localPath, backupSuffix); }

FileOutcome Replacements::PutInPlace(const FileCopy& copy, const PartialCopy& made) {
  FileOutcome outcome;
  if (!made.made) {
    outcome.failed = true;
    outcome.reason = made.reason;
    // Gone from a folder that is still there: not a connection that dropped.
    outcome.sourceGone = outcome.reason.FileNotFound() && PathExists(ParentFolder(copy.source));
    return outcome;
  }
  const std::wstring& target = copy.target;
  const std::wstring& partial = copy.partial;
  if (!copy.destinationListed) {
    outcome.copied = platform::MoveNoReplace(partial, target);
    if (outcome.copied) return outcome;
    const FailureReason refused = FailureReason::OfLastCall();
    // A file that came in since the listing is decided for below; a
    // folder that holds the name is never moved out of its way.
    if (!PathExists(target) || platform::IsFolder(target)) return GiveUp(partial, refused);
  }
  // A name the listing did not show is asked what it is before anything
  // there is set aside: Windows opens a listed file by its short name too.
  if (!copy.nameShownListed) {
    const std::wstring behind = ListedFileBehind(target);
    if (!behind.empty())
      return NameHeld(partial, L"the local name " + FileName(copy.destination) +
                                   L" is another name of the local file " + behind + L", which is left as it is");
  }
  if (!copy.copyAnyway) {
    platform::FileTime current = 0;
    if (platform::LastWriteTime(target, current) && !(copy.remoteTime > current)) {
      DeleteOwnFile(partial);
      return outcome;
    }
  }
  const size_t aside = SetAside(copy);
  if (!setAside[aside].movedAside) {
    const FailureReason refused = FailureReason::OfLastCall();
    if (BackupNameHeldByAnother(aside))
      return NameHeld(partial, L"another file of the remote library with the same local name was copied first");
    // A file that went meanwhile leaves the name free; one that stays
    // (in use, no access) is not replaced without its backup.
    if (!PathExists(target) && platform::MoveNoReplace(partial, target)) {
      outcome.copied = true;
      return outcome;
    }
    return GiveUp(partial, refused);
  }
  if (platform::MoveNoReplace(partial, target)) {
    RememberPlacedCopy(setAside[aside], copy, made);
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
// saves over it later: its time, size and identity, as read from the partial
// copy (a move within its folder changes none) or else from the file now.
// Where the copy cannot be read back, the listing's time and size stand for it.
void Replacements::RememberPlacedCopy(SetAsideFile& file, const FileCopy& copy, const PartialCopy& made) {
  file.replaced = true;
  if (made.factsRead) {
    file.placed = made.facts;
    return;
  }
  if (platform::ReadFileFacts(copy.target, file.placed)) return;
  file.placed = platform::FileFacts{};
  file.placed.lastWriteTime = copy.remoteTime;
  file.placed.size = copy.expectedSize;
}

// Moves the local file to its backup name, deleting a backup left by an
// interrupted earlier run first. Returns the file's place in setAside; a
// file tried again keeps its entry.
size_t Replacements::SetAside(const FileCopy& copy) {
  const auto [found, added] = asideOf.emplace(copy.index, setAside.size());
  if (added) setAside.emplace_back();
  SetAsideFile& file = setAside[found->second];
  file = SetAsideFile{};
  file.localPath = copy.destination;
  const std::wstring backup = file.Backup();
  // A backup this run made of another file is no stale one, whatever a
  // listing made since shows.
  if (copy.staleBackup && !BackupNameHeldByAnother(found->second)) DeleteOwnFile(backup);
  file.movedAside = platform::MoveNoReplace(copy.target, backup);
  if (file.movedAside)
    backupHolders.emplace(std::hash<std::wstring>{}(platform::FileNameKey(file.localPath)), found->second);
  return found->second;
}

bool Replacements::BackupNameHeldByAnother(size_t aside) const {
  const std::wstring key = platform::FileNameKey(setAside[aside].localPath);
  const auto [from, to] = backupHolders.equal_range(std::hash<std::wstring>{}(key));
  for (auto holder = from; holder != to; ++holder)
    if (holder->second != aside && setAside[holder->second].movedAside &&
        platform::FileNameKey(setAside[holder->second].localPath) == key)
      return true;
  return false;
}

// The backup replaces, in one step, only the copy this run put in place,
// as it was put there; a read-only mark the copy took over does not keep
// the old file out. Anything else at the name (a file the user saved over
// the copy, or one that came into a name the copy never reached) is the
// user's: the backup then goes only into a free name, and otherwise stays
// beside it under its backup name.
bool Replacements::PutBack(const SetAsideFile& file, FailureReason& reason) const {
  const std::wstring backup = file.Backup();
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
void Replacements::DeleteReplacedBackups(unsigned threads) const {
  DoSideBySide(setAside.size(), threads, [this](size_t at) {
    if (setAside[at].replaced) DeleteOwnFile(setAside[at].Backup());
  });
}
