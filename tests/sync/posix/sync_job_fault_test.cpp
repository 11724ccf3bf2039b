// The sync run when copies, moves and reads fail: no local file may be lost or truncated.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "platform/posix/fault_injection.h"
#include "support/recording_progress.h"
#include "sync/sync_job.h"
#include "sync/sync_tree.h"

namespace {

using platform::faults::Call;
using sync_test::Snapshot;
using sync_test::WriteFileAt;
using Lines = std::vector<std::wstring>;
using Tree = std::map<std::wstring, std::string>;

class SyncFaults : public ::testing::Test {
 protected:
  SyncFaults() {
    platform::faults::Reset();
    job.progress = &progress;
    // Failures planned by count need the calls in one order: one copy at a time.
    job.copyThreads = 1;
    WriteFileAt(remote / L"lamps\\old.ies", "remote old", 0);
    WriteFileAt(remote / L"lamps\\new.ies", "remote new", 0);
    WriteFileAt(local / L"lamps\\old.ies", "local old", -10);
  }
  ~SyncFaults() override { platform::faults::Reset(); }

  void Run() { job.Run(remote.Path(), local.Path(), false); }
  Lines Messages() const { return progress.Messages(); }

  TempFolder remote, local;
  RecordingProgress progress;
  SyncJob job;
};

// Listing order is case-blind name order: new.ies comes before old.ies.
// Without a call, the copy of that number comes back short yet reports success.
struct FaultCase {
  const char* what;
  std::optional<Call> call;
  unsigned successes;
  Tree expected;
  Lines fileLines;
};

TEST_F(SyncFaults, FailedCopyOrMoveLeavesTheOldFileOrNoneButNeverAPart) {
  const FaultCase cases[] = {
      {"copy of a new file fails half way", Call::CopyReplacing, 0,
       {{L"lamps\\old.ies", "remote old"}},
       {L"Not Copied: \\lamps\\new.ies", L"Copied: \\lamps\\old.ies"}},
      {"copy over an old file fails half way", Call::CopyReplacing, 1,
       {{L"lamps\\new.ies", "remote new"}, {L"lamps\\old.ies", "local old"}},
       {L"Copied: \\lamps\\new.ies", L"Not Copied: \\lamps\\old.ies"}},
      {"copy of a new file comes back short", std::nullopt, 0,
       {{L"lamps\\old.ies", "remote old"}},
       {L"Not Copied: \\lamps\\new.ies", L"Copied: \\lamps\\old.ies"}},
      {"copy over an old file comes back short", std::nullopt, 1,
       {{L"lamps\\new.ies", "remote new"}, {L"lamps\\old.ies", "local old"}},
       {L"Copied: \\lamps\\new.ies", L"Not Copied: \\lamps\\old.ies"}},
      {"moving a new file's copy into place fails", Call::MoveNoReplace, 0,
       {{L"lamps\\old.ies", "remote old"}},
       {L"Not Copied: \\lamps\\new.ies", L"Copied: \\lamps\\old.ies"}},
      {"setting the old file aside fails", Call::MoveNoReplace, 1,
       {{L"lamps\\new.ies", "remote new"}, {L"lamps\\old.ies", "local old"}},
       {L"Copied: \\lamps\\new.ies", L"Not Copied: \\lamps\\old.ies"}},
      {"moving the copy into the old file's place fails", Call::MoveNoReplace, 2,
       {{L"lamps\\new.ies", "remote new"}, {L"lamps\\old.ies", "local old"}},
       {L"Copied: \\lamps\\new.ies", L"Not Copied: \\lamps\\old.ies"}},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder fresh;
    WriteFileAt(fresh / L"lamps\\old.ies", "local old", -10);
    platform::faults::Reset();
    if (c.call)
      platform::faults::FailAfter(*c.call, c.successes);
    else
      platform::faults::ShortCopyAfter(c.successes);
    RecordingProgress recorder;
    job.progress = &recorder;
    job.Run(remote.Path(), fresh.Path(), false);
    platform::faults::Reset();
    EXPECT_EQ(Snapshot(fresh), c.expected);
    Lines files;
    for (const std::wstring& m : recorder.Messages())
      if (m.find(L"Copied: ") != std::wstring::npos) files.push_back(m);
    EXPECT_EQ(files, c.fileLines);
  }
}

TEST_F(SyncFaults, BackupThatCannotBeMovedBackIsKeptAndReported) {
  // Moving the copy into old.ies's place, then moving its backup back.
  platform::faults::FailAfter(Call::MoveNoReplace, 2, 2);
  Run();
  const Lines messages = Messages();
  const auto notCopied = std::find(messages.begin(), messages.end(), L"Not Copied: \\lamps\\old.ies");
  ASSERT_NE(notCopied, messages.end());
  ASSERT_NE(notCopied + 1, messages.end());
  EXPECT_EQ(*(notCopied + 1), L"Not Restored: " + (local / L"\\lamps\\old.ies"));
  // The completion step must not delete the only copy of the old content.
  EXPECT_EQ(Snapshot(local), (Tree{{L"lamps\\new.ies", "remote new"}, {L"lamps\\old.ies.shelfmateBackup", "local old"}}));
}

// The version file marks the library current, so it is brought over only by
// a run in which every other file that was due arrived whole in the end; a
// run cut short or failed leaves it old, and the next run tries again. The
// files that failed are tried again after the retry waits, which pass on the
// test's own clock.
TEST_F(SyncFaults, VersionFileIsCopiedOnlyAfterACleanCompletedRun) {
  enum class Mishap {
    None, Cancel, CancelTooLate, CopyFails, CopyComesBackShort, SearchBreaksOff, DeepFile, CancelDuringWait
  };
  const std::wstring complete = L"Finished Sync Complete 0", oneFailed =
      L"Finished Sync Complete - 1 file(s) could not be copied 1";
  struct Case {
    const char* what;
    Mishap mishap;
    std::string expectedVersion;
    std::wstring finished;
    std::wstring rootEnd = L"";  // what follows the remote root's name
    unsigned failures = 1;       // how many tries of old.ies's copy, or of the lamps search, fail
    std::vector<unsigned> waits = {};
    long long waitedMs = 0;      // on the test's clock
    std::string oldLamp = "remote old";
  } cases[] = {
      {"clean run", Mishap::None, "5.2", complete},
      {"clean run from a root with a final backslash", Mishap::None, "5.2", complete, L"\\"},
      {"cancelled during its last lamp", Mishap::Cancel, "5.1", L"Finished Sync Canceled 1", L"", 1, {}, 0,
       "local old"},
      {"cancelled once the version file is copied: too late", Mishap::CancelTooLate, "5.2", complete},
      {"a copy fails", Mishap::CopyFails, "5.1", oneFailed, L"", 1, {}, 0, "local old"},
      {"a copy comes back short", Mishap::CopyComesBackShort, "5.1", oneFailed, L"", 1, {}, 0, "local old"},
      {"a remote folder search breaks off", Mishap::SearchBreaksOff, "5.1",
       L"Finished Sync Complete - some remote folders could not be listed 1", L"", 1, {}, 0, "local old"},
      {"a file lies deeper than the usual path limit", Mishap::DeepFile, "5.2", complete},
      {"a copy fails once, then comes through", Mishap::CopyFails, "5.2", complete, L"", 1, {10, 30, 90}, 10000},
      {"a copy fails twice, then comes through", Mishap::CopyFails, "5.2", complete, L"", 2, {10, 30, 90}, 40000},
      {"a copy fails three times, then comes through", Mishap::CopyFails, "5.2", complete, L"", 3, {10, 30, 90},
       130000},
      {"a copy fails four times: the last retry fails too", Mishap::CopyFails, "5.1", oneFailed, L"", 4,
       {10, 30, 90}, 130000, "local old"},
      {"a short copy is tried again", Mishap::CopyComesBackShort, "5.2", complete, L"", 1, {0}, 0},
      {"a search breaks off and heals: its sub-folder is listed too", Mishap::SearchBreaksOff, "5.2", complete, L"", 1,
       {10}, 10000},
      {"a search breaks off twice", Mishap::SearchBreaksOff, "5.1",
       L"Finished Sync Complete - some remote folders could not be listed 1", L"", 2, {10}, 10000, "local old"},
      {"cancelled during a retry wait", Mishap::CancelDuringWait, "5.1", L"Finished Sync Canceled 1", L"", 9,
       {10, 30, 90}, 1000, "local old"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder from, to;
    // The version file lists first and is older than the local one, so only
    // the window's finding that it is outdated brings it over.
    WriteFileAt(from / L"a.version", "5.2", -20);
    WriteFileAt(from / L"lamps\\new.ies", "remote new", 0);
    WriteFileAt(from / L"lamps\\old.ies", "remote old", 0);
    WriteFileAt(to / L"a.version", "5.1", 0);
    WriteFileAt(to / L"lamps\\old.ies", "local old", -10);
    if (c.mishap == Mishap::SearchBreaksOff) WriteFileAt(from / L"lamps\\sub\\below.ies", "below", 0);
    // Replaced before the wait, so the cancel has it to put back.
    if (c.mishap == Mishap::CancelDuringWait) WriteFileAt(to / L"lamps\\new.ies", "local new", -10);
    const std::wstring deep = std::wstring(250, L'd') + L"\\deep.ies";
    if (c.mishap == Mishap::DeepFile) WriteFileAt(from / deep, "deep", 0);
    platform::faults::Reset();
    SyncJob run;
    // Failures planned by count need the copies in one order: one at a time.
    run.copyThreads = 1;
    run.outdatedVersionFiles = {L"A.VERSION"};
    run.retryWaitSeconds = c.waits;
    std::chrono::milliseconds waited(0);
    run.sleep = [&](std::chrono::milliseconds time) {
      waited += time;
      if (c.mishap == Mishap::CancelDuringWait && waited >= std::chrono::seconds(1)) run.cancelRequested = true;
    };
    RecordingProgress recorder;
    recorder.hook = [&](const std::wstring& line) {
      if (c.mishap == Mishap::Cancel && line.find(L"Copied: \\lamps\\old.ies") != std::wstring::npos)
        run.cancelRequested = true;
      if (c.mishap == Mishap::CancelTooLate && line.find(L"Copied: \\a.version") != std::wstring::npos)
        run.cancelRequested = true;
    };
    run.progress = &recorder;
    if (c.mishap == Mishap::CopyFails || c.mishap == Mishap::CancelDuringWait)
      platform::faults::FailAfter(Call::CopyReplacing, 1, c.failures);
    if (c.mishap == Mishap::CopyComesBackShort) platform::faults::ShortCopyAfter(1);
    if (c.mishap == Mishap::SearchBreaksOff)
      platform::faults::FailAfter(Call::FolderSearch, 1, c.failures, platform::kErrorNetNameDeleted);
    run.Run(from.Path() + c.rootEnd, to.Path(), false);
    platform::faults::Reset();
    EXPECT_EQ(ReadTestFile(to / L"a.version"), c.expectedVersion);
    if (c.mishap == Mishap::DeepFile) {
      EXPECT_EQ(ReadTestFile(to / deep), "deep");
    }
    EXPECT_EQ(recorder.Lines().back(), c.finished);
    if (c.mishap == Mishap::CancelDuringWait) {
      EXPECT_EQ(ReadTestFile(to / L"lamps\\new.ies"), "local new");
      EXPECT_EQ(run.outcome.counts.restored, 1);
    }
    EXPECT_EQ(waited.count(), c.waitedMs);
    if (c.mishap != Mishap::SearchBreaksOff || c.expectedVersion == "5.2")
      EXPECT_EQ(ReadTestFile(to / L"lamps\\old.ies"), c.oldLamp);
    if (c.mishap == Mishap::SearchBreaksOff && c.expectedVersion == "5.2") {
      EXPECT_EQ(ReadTestFile(to / L"lamps\\sub\\below.ies"), "below");
    }
    const Lines messages = recorder.Messages();
    // Every other file's line comes before the version file's.
    const auto versionLine = std::find_if(messages.begin(), messages.end(), [](const std::wstring& m) {
      return m.find(L"Copied: ") != std::wstring::npos && m.find(L"a.version") != std::wstring::npos;
    });
    if (c.mishap == Mishap::Cancel || c.mishap == Mishap::CancelDuringWait) {
      EXPECT_EQ(versionLine, messages.end());
    } else {
      ASSERT_NE(versionLine, messages.end());
      EXPECT_EQ(*versionLine, (c.expectedVersion == "5.2" ? L"Copied: " : L"Not Copied: ") +
                                  std::wstring(c.rootEnd.empty() ? L"\\a.version" : L"a.version"));
      for (auto later = versionLine + 1; later != messages.end(); ++later)
        EXPECT_EQ(later->find(L"\\lamps\\"), std::wstring::npos) << ::testing::PrintToString(*later);
    }
    EXPECT_FALSE(sync_test::HasLeftovers(to));
  }
}

TEST_F(SyncFaults, RestoreThatFailsSaysSoAndKeepsTheBackup) {
  progress.hook = [&](const std::wstring& line) {
    if (line == L"AddMessage Copied: \\lamps\\old.ies") {
      job.cancelRequested = true;
      platform::faults::FailAlways(Call::MoveReplacing);
    }
  };
  Run();
  const Lines messages = Messages();
  EXPECT_NE(std::find(messages.begin(), messages.end(), L"Not Restored: " + (local / L"\\lamps\\old.ies")),
            messages.end());
  for (const std::wstring& m : messages) EXPECT_NE(m.rfind(L"Restored: ", 0), 0u) << m;
  EXPECT_EQ(Snapshot(local), (Tree{{L"lamps\\new.ies", "remote new"},
                                   {L"lamps\\old.ies", "remote old"},
                                   {L"lamps\\old.ies.shelfmateBackup", "local old"}}));
}

// The seam refuses paths of 260 characters or more in the usual form, and
// folders to be made of 248 or more, as Windows does. A file is copied, set
// aside and restored whatever the length of its path, of its folder's, and
// of the names of the run's own files beside it.
TEST(SyncPathLimit, FilesAreCopiedSetAsideAndRestoredWhateverTheirPathsLength) {
  enum class Local { Missing, Older, Same };
  struct Case {
    size_t length;  // of the local file's path as the platform is given it
    Local local;
    bool staleBackup;  // left by a killed run
    bool cancel;
    std::string expected;
  } cases[] = {
      {243, Local::Missing, false, false, "remote"}, {259, Local::Missing, false, false, "remote"},
      {259, Local::Older, false, false, "remote"},   {259, Local::Older, false, true, "local"},
      {259, Local::Same, true, false, "local"},      {260, Local::Missing, false, false, "remote"},
      {280, Local::Older, false, false, "remote"},   {280, Local::Older, true, true, "local"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.length) + " " + std::to_string(static_cast<int>(c.local)) +
                 (c.staleBackup ? " stale" : "") + (c.cancel ? " cancel" : ""));
    TempFolder remote, base;
    // A deeper local root keeps the remote paths short.
    const std::wstring local = base / std::wstring(40, L'p');
    const std::wstring name = L"a.ies";
    const size_t fixed = local.size() + 2 + name.size();  // local, two backslashes, folder, name
    ASSERT_LT(fixed, c.length);
    const std::wstring relative = L"\\" + std::wstring(c.length - fixed, L'f') + L"\\" + name;
    const std::wstring destination = local + relative;
    ASSERT_EQ(destination.size(), c.length);
    WriteFileAt(remote.Path() + relative, "remote", 0);
    if (c.local != Local::Missing) WriteFileAt(destination, "local", c.local == Local::Older ? -10 : 0);
    if (c.staleBackup) WriteFileAt(destination + L".shelfmateBackup", "stale", -99);

    SyncJob job;
    RecordingProgress progress;
    progress.hook = [&](const std::wstring& line) {
      if (c.cancel && line.rfind(L"AddMessage Copied: ", 0) == 0) job.cancelRequested = true;
    };
    job.progress = &progress;
    job.Run(remote.Path(), local, false);
    EXPECT_EQ(ReadTestFile(destination), c.expected);
    const Lines messages = progress.Messages();
    const bool copied = c.local != Local::Same;
    const std::wstring line = (copied ? L"Copied: " : L"Not Copied: ") + relative;
    EXPECT_NE(std::find(messages.begin(), messages.end(), line), messages.end());
    if (c.cancel) {
      EXPECT_NE(std::find(messages.begin(), messages.end(), L"Restored: " + local + L"\\" + relative),
                messages.end());
    }
    EXPECT_FALSE(sync_test::HasLeftovers(base));
  }
}

// A remote folder whose search pattern ("folder\*.*") reaches the limit is
// still listed, and every file in it is copied, whether its name fits beside
// it in the usual form or not.
TEST(SyncPathLimit, RemoteFolderTooDeepForTheUsualSearchIsListed) {
  TempFolder base, local;
  const std::wstring remote = base / std::wstring(40, L'r');
  const std::wstring folder = L"\\" + std::wstring(256 - remote.size() - 1, L'f');
  ASSERT_EQ((remote + folder).size(), 256u);
  WriteFileAt(remote + folder + L"\\a", "fits", 0);
  WriteFileAt(remote + folder + L"\\lamp.ies", "too long", 0);

  SyncJob job;
  RecordingProgress progress;
  job.progress = &progress;
  job.Run(remote, local.Path(), false);
  const Lines messages = progress.Messages();
  EXPECT_NE(std::find(messages.begin(), messages.end(), L"Copied: " + folder + L"\\a"), messages.end());
  EXPECT_NE(std::find(messages.begin(), messages.end(), L"Copied: " + folder + L"\\lamp.ies"), messages.end());
  EXPECT_EQ(ReadTestFile(local.Path() + folder + L"\\a"), "fits");
  EXPECT_EQ(ReadTestFile(local.Path() + folder + L"\\lamp.ies"), "too long");
}

// A library whose lock file cannot be made (a read-only folder, a full disk)
// is still synced, and the log says it ran unlocked.
TEST_F(SyncFaults, LibraryThatCannotBeLockedIsSyncedAllTheSame) {
  platform::faults::FailAlways(Call::LockFile);
  Run();
  const Lines messages = Messages();
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.front(), L"The library could not be locked against other syncs; this sync goes on without it.");
  EXPECT_EQ(Snapshot(local), (Tree{{L"lamps\\new.ies", "remote new"}, {L"lamps\\old.ies", "remote old"}}));
  EXPECT_EQ(progress.Lines().back(), L"Finished Sync Complete 0");
}

TEST_F(SyncFaults, UnchangedFilesAreComparedFromTheFolderListings) {
  Run();
  platform::faults::Reset();
  Run();
  // The remote root and its one folder, and the one local folder, are each
  // searched once; no file is opened, read, renamed or copied.
  EXPECT_EQ(platform::faults::CallCount(Call::FolderSearch), 3u);
  EXPECT_EQ(platform::faults::CallCount(Call::LastWriteTime), 0u);
  EXPECT_EQ(platform::faults::CallCount(Call::ReadWholeFile), 0u);
  EXPECT_EQ(platform::faults::CallCount(Call::CopyReplacing), 0u);
  EXPECT_EQ(platform::faults::CallCount(Call::MoveNoReplace), 0u);
}

}  // namespace
