// The sync run: what it copies, what it reports, and how it sets aside and restores.
#include "sync/sync_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/recording_progress.h"
#include "sync/sync_tree.h"

namespace {

using sync_test::HasLeftovers;
using sync_test::Snapshot;
using sync_test::WriteFileAt;
using sync_test::WriteTimeOf;
using Lines = std::vector<std::wstring>;

class SyncRun : public ::testing::Test {
 protected:
  SyncRun() { job.progress = &progress; }

  void Run(bool force = false) { Run(remote.Path(), force); }
  void Run(const std::wstring& remoteRoot, bool force = false) {
    job.SetRoots(remoteRoot, local.Path());
    job.forceCopyAll = force;
    job.Run(job.remoteRoot, job.localRoot, job.forceCopyAll);
  }

  TempFolder remote, local;
  RecordingProgress progress;
  SyncJob job;
};

TEST_F(SyncRun, EmptyRemoteTreeMakesOnlyTheListingAndCompletionCalls) {
  Run();
  EXPECT_EQ(progress.Lines(), (Lines{L"SetBusy 1", L"AddMessage  - Getting remote file listing - ", L"SetBusy 0",
                                     L"AddMessage  - Deleting Backup Files - ", L"AddMessage  - Sync Complete - ",
                                     L"Finished Sync Complete 0"}));
}

TEST_F(SyncRun, OneFileReportsMinimumAndMaximumZero) {
  WriteFileAt(remote / L"lamps\\a.ies", "remote a", 0);
  Run();
  EXPECT_EQ(progress.Lines(), (Lines{L"SetBusy 1", L"AddMessage  - Getting remote file listing - ", L"SetBusy 0",
                                     L"SetProgress 0 0 0", L"AddMessage Copied: \\lamps\\a.ies",
                                     L"AddMessage  - Deleting Backup Files - ", L"AddMessage  - Sync Complete - ",
                                     L"Finished Sync Complete 0"}));
  EXPECT_EQ(ReadTestFile(local / L"lamps\\a.ies"), "remote a");
  EXPECT_EQ(WriteTimeOf(local / L"lamps\\a.ies"), WriteTimeOf(remote / L"lamps\\a.ies"));
}

// Either root may end in a backslash: the log shows the paths as joined, the
// files are found and made all the same.
TEST_F(SyncRun, RelativePathsAreCutByTheRootAsGiven) {
  struct Case {
    std::wstring suffix;
    std::wstring localSuffix;
    std::wstring line;
  } cases[] = {
      {L"", L"", L"Copied: \\lamps\\a.ies"},
      {L"\\", L"", L"Copied: lamps\\a.ies"},
      {L"  ", L"", L"Copied: \\lamps\\a.ies"},  // blanks the listing trims do not shift the cut
      {L"", L"\\", L"Copied: \\lamps\\a.ies"},
      {L"\\", L"\\", L"Copied: lamps\\a.ies"},
  };
  WriteFileAt(remote / L"lamps\\a.ies", "remote a", 0);
  for (const Case& c : cases) {
    std::filesystem::remove_all(NativeOf(local.Path() + L"\\lamps"));
    RecordingProgress fresh;
    job.progress = &fresh;
    job.SetRoots(remote.Path() + c.suffix, local.Path() + c.localSuffix);
    job.Run(job.remoteRoot, job.localRoot, false);
    const Lines messages = fresh.Messages();
    EXPECT_NE(std::find(messages.begin(), messages.end(), c.line), messages.end()) << c.line;
    EXPECT_EQ(ReadTestFile(local / L"lamps\\a.ies"), "remote a");
  }
}

TEST_F(SyncRun, CopiesMissingAndOlderFilesAndEverythingWhenForced) {
  enum Local { Missing, Older, Equal, Newer };
  struct Case {
    const wchar_t* name;
    Local state;
    bool copied;
    bool copiedWhenForced;
  } cases[] = {
      {L"missing.ies", Missing, true, true},
      {L"older.ies", Older, true, true},
      {L"equal.ies", Equal, false, true},
      {L"newer.ies", Newer, false, true},
  };
  for (const bool force : {false, true}) {
    TempFolder from, to;
    for (const Case& c : cases) {
      WriteFileAt(from / c.name, std::string("remote ") + "x", 0);
      if (c.state == Older) WriteFileAt(to / c.name, "old local", -100);
      if (c.state == Equal) WriteFileAt(to / c.name, "equal local", 0);
      if (c.state == Newer) WriteFileAt(to / c.name, "newer local", 100);
    }
    WriteFileAt(to / L"localonly.txt", "mine", 0);
    const auto before = Snapshot(to);
    RecordingProgress fresh;
    job.progress = &fresh;
    job.SetRoots(from.Path(), to.Path());
    job.Run(job.remoteRoot, job.localRoot, force);
    const Lines messages = fresh.Messages();
    for (const Case& c : cases) {
      const bool copied = force ? c.copiedWhenForced : c.copied;
      const std::wstring line = (copied ? L"Copied: \\" : L"Not Copied: \\") + std::wstring(c.name);
      EXPECT_NE(std::find(messages.begin(), messages.end(), line), messages.end()) << line;
      EXPECT_EQ(ReadTestFile(to / c.name), copied ? "remote x" : before.at(c.name)) << c.name;
    }
    EXPECT_EQ(ReadTestFile(to / L"localonly.txt"), "mine");
    EXPECT_FALSE(HasLeftovers(to));
    EXPECT_EQ(fresh.Lines().back(), L"Finished Sync Complete 0");
  }
}

TEST_F(SyncRun, LocalNameInAnotherCaseIsTheSameFile) {
  WriteFileAt(remote / L"lamps\\a.ies", "remote a", 0);
  WriteFileAt(local / L"lamps\\A.IES", "newer local", 100);
  Run();
  const Lines messages = progress.Messages();
  EXPECT_NE(std::find(messages.begin(), messages.end(), L"Not Copied: \\lamps\\a.ies"), messages.end());
  EXPECT_EQ(Snapshot(local), (std::map<std::wstring, std::string>{{L"lamps\\A.IES", "newer local"}}));
}

TEST_F(SyncRun, NothingToCopyLogsEveryFileAsNotCopied) {
  for (const wchar_t* name : {L"a.ies", L"b.ies"}) {
    WriteFileAt(remote / name, "same", 0);
    WriteFileAt(local / name, "same", 0);
  }
  Run();
  EXPECT_EQ(progress.Messages(), (Lines{L" - Getting remote file listing - ", L"Not Copied: \\a.ies",
                                        L"Not Copied: \\b.ies", L" - Deleting Backup Files - ",
                                        L" - Sync Complete - "}));
}

TEST_F(SyncRun, ReportsThePositionJustBeforeEachFileLine) {
  for (const wchar_t* name : {L"a", L"b", L"c"}) WriteFileAt(remote / name, "r", 0);
  WriteFileAt(local / L"b", "r", 0);
  Run();
  const Lines lines = progress.Lines();
  const Lines perFile(lines.begin() + 3, lines.begin() + 9);
  EXPECT_EQ(perFile, (Lines{L"SetProgress 0 2 0", L"AddMessage Copied: \\a", L"SetProgress 0 2 1",
                            L"AddMessage Not Copied: \\b", L"SetProgress 0 2 2", L"AddMessage Copied: \\c"}));
}

TEST_F(SyncRun, RunsTheSameWithoutAProgressCallback) {
  WriteFileAt(remote / L"x\\a", "ra", 0);
  WriteFileAt(remote / L"b", "rb", 0);
  WriteFileAt(local / L"b", "old", -10);
  job.progress = nullptr;
  Run();
  EXPECT_EQ(Snapshot(local), (std::map<std::wstring, std::string>{{L"b", "rb"}, {L"x\\a", "ra"}}));
}

TEST_F(SyncRun, LeftoversOfAnInterruptedRunGoOnceTheFileIsReplaced) {
  struct Case {
    bool localPresent;
    bool staleBackup;
    bool stalePartial;
  } cases[] = {
      {true, true, false}, {false, true, false}, {true, false, true}, {false, false, true}, {true, true, true},
  };
  for (const Case& c : cases) {
    TempFolder from, to;
    WriteFileAt(from / L"a.ies", "new content", 0);
    if (c.localPresent) WriteFileAt(to / L"a.ies", "old", -50);
    if (c.staleBackup) WriteFileAt(to / L"a.ies.shelfmateBackup", "stale backup", -99);
    if (c.stalePartial) WriteFileAt(to / L"a.ies.shelfmatePartial", "half", -99);
    job.SetRoots(from.Path(), to.Path());
    job.Run(job.remoteRoot, job.localRoot, false);
    EXPECT_EQ(Snapshot(to), (std::map<std::wstring, std::string>{{L"a.ies", "new content"}}))
        << c.localPresent << c.staleBackup << c.stalePartial;
  }
}

// Backups left by killed runs: a completed run clears them in the folders it
// visits, putting back the one that is the only copy of its file; a cancelled
// run, or one told not to restore, leaves them. Partial copies hold nothing
// of the library's: every completed run clears them.
TEST_F(SyncRun, StaleBackupsAreClearedOnlyByARunThatCompletes) {
  using Tree = std::map<std::wstring, std::string>;
  enum class End { Completes, Cancelled, CompletesWithoutRestore };
  const Tree stale{{L"lamps\\a.ies.shelfmateBackup", "stale a"}, {L"lamps\\b.ies.shelfmateBackup", "stale b"},
                   {L"lamps\\c.ies.shelfmateBackup", "only c"},   {L"lamps\\e.ies.shelfmateBackup", "stale e"},
                   {L"lamps\\f.ies.shelfmateBackup", "only f"},   {L"other\\d.ies.shelfmateBackup", "far d"}};
  // Partial copies of a file that is up to date and of one the master no
  // longer has: no run copies either file again.
  const Tree partials{{L"lamps\\a.ies.shelfmatePartial", "half a"}, {L"lamps\\g.ies.shelfmatePartial", "half g"}};
  // e.ies exists only here and its backup is read-only; a folder holds f.ies's name.
  const Tree localOnly{{L"lamps\\e.ies", "mine e"}, {L"lamps\\f.ies\\inner", "in a folder"}};
  auto with = [](Tree tree, const Tree& more) {
    tree.insert(more.begin(), more.end());
    return tree;
  };
  const Tree lamps{{L"lamps\\a.ies", "same a"}, {L"lamps\\b.ies", "remote b"}};
  const Tree untouched = with(with(with(stale, partials), localOnly), lamps);
  struct Case {
    const char* what;
    End end;
    Tree expected;
    bool restoredLine;
  } cases[] = {
      {"completes", End::Completes,
       with(localOnly, {{L"lamps\\a.ies", "same a"},
                        {L"lamps\\b.ies", "remote b"},
                        {L"lamps\\c.ies", "only c"},
                        {L"lamps\\f.ies.shelfmateBackup", "only f"},
                        {L"other\\d.ies.shelfmateBackup", "far d"}}),
       true},
      {"cancelled during the last file", End::Cancelled, untouched, false},
      {"completes with restoring turned off", End::CompletesWithoutRestore, with(with(stale, localOnly), lamps),
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder from, to;
    WriteFileAt(from / L"lamps\\a.ies", "remote a", 0);
    WriteFileAt(from / L"lamps\\b.ies", "remote b", 0);
    WriteFileAt(to / L"lamps\\a.ies", "same a", 0);  // equal times: not copied
    for (const auto& [relative, content] : with(with(stale, partials), localOnly))
      WriteFileAt(to / relative, content, -99);
    std::filesystem::permissions(NativeOf(to / L"lamps\\e.ies.shelfmateBackup"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    SyncJob run;
    RecordingProgress recorder;
    recorder.hook = [&](const std::wstring& line) {
      if (line != L"AddMessage Copied: \\lamps\\b.ies") return;
      if (c.end == End::Cancelled) run.cancelRequested = true;
      if (c.end == End::CompletesWithoutRestore) run.restoreOnCancel = false;
    };
    run.progress = &recorder;
    run.Run(from.Path(), to.Path(), false);
    EXPECT_EQ(Snapshot(to), c.expected);
    const Lines messages = recorder.Messages();
    const bool restoredLine =
        std::find(messages.begin(), messages.end(), L"Restored: " + (to / L"\\lamps\\c.ies")) != messages.end();
    EXPECT_EQ(restoredLine, c.restoredLine);
  }
}

// A user may save or create a file in a folder after the run listed it and
// before the file's turn. The file is then decided for again from its own
// time: kept when it is not older than the master, and otherwise replaced
// only after it was set aside, so that a cancel still gives it back. A file
// the user saves after the run replaced it is the user's too: a cancel keeps
// it and leaves the old content beside it under its backup name.
TEST_F(SyncRun, FileSavedOrCreatedAfterItsFolderWasListedIsDecidedAgain) {
  struct Case {
    const char* what;
    bool force;
    bool listed;           // b.ies was there, older, when the folder was listed
    int savedAt;           // the time of the user's b.ies, against the master's 0
    bool cancelAfterB;
    std::string expected;  // b.ies at the end
    bool copiedLine;
    std::string savedA = "";  // instead of b.ies, the user saves a.ies, just replaced, with this
    int savedAAt = 0;
  } cases[] = {
      {"created, newer than the master", false, false, 100, false, "mine", false},
      {"saved after the listing, newer than the master", false, true, 100, false, "mine", false},
      {"created, older than the master", false, false, -50, false, "remote b", true},
      {"created, older than the master, run cancelled", false, false, -50, true, "mine", true},
      {"forced run, created", true, false, 100, false, "remote b", true},
      {"forced run, created, run cancelled", true, false, 100, true, "mine", true},
      // The copy's own time: only its size tells the save.
      {"replaced, then saved longer, run cancelled", false, true, 0, true, "old b", true, "mine, saved later", 0},
      // The copy's own size: only its time tells the save.
      {"replaced, then saved at the same size, run cancelled", false, true, 0, true, "old b", true, "mine a!!", 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder from, to;
    WriteFileAt(from / L"lamps\\a.ies", "remote a", 0);
    WriteFileAt(from / L"lamps\\b.ies", "remote b", 0);
    WriteFileAt(to / L"lamps\\a.ies", "old a", -10);
    if (c.listed) WriteFileAt(to / L"lamps\\b.ies", "old b", -10);
    SyncJob run;
    RecordingProgress recorder;
    recorder.hook = [&](const std::wstring& line) {
      if (line == L"AddMessage Copied: \\lamps\\a.ies") {
        if (c.savedA.empty())
          WriteFileAt(to / L"lamps\\b.ies", "mine", c.savedAt);
        else
          WriteFileAt(to / L"lamps\\a.ies", c.savedA, c.savedAAt);
      }
      if (c.cancelAfterB && line.find(L"Copied: \\lamps\\b.ies") != std::wstring::npos) run.cancelRequested = true;
    };
    run.progress = &recorder;
    run.Run(from.Path(), to.Path(), c.force);
    EXPECT_EQ(ReadTestFile(to / L"lamps\\b.ies"), c.expected);
    const Lines messages = recorder.Messages();
    const std::wstring line = (c.copiedLine ? L"Copied: " : L"Not Copied: ") + std::wstring(L"\\lamps\\b.ies");
    EXPECT_NE(std::find(messages.begin(), messages.end(), line), messages.end());
    const bool userSavedA = !c.savedA.empty();
    EXPECT_EQ(ReadTestFile(to / L"lamps\\a.ies"), userSavedA ? c.savedA : c.cancelAfterB ? "old a" : "remote a");
    EXPECT_EQ(ReadTestFile(to / L"lamps\\a.ies.shelfmateBackup"), userSavedA ? "old a" : "<missing>");
    const bool notRestoredLine =
        std::find(messages.begin(), messages.end(), L"Not Restored: " + (to / L"\\lamps\\a.ies")) != messages.end();
    EXPECT_EQ(notRestoredLine, userSavedA);
    if (!userSavedA) {
      EXPECT_FALSE(HasLeftovers(to));
    }
  }
}

// A master library that was itself once a local copy may hold a lock file at
// its root: the program's own, never copied, logged or counted. One of that
// name further down is a library file like any other.
TEST_F(SyncRun, RemoteLockFileIsNeverCopied) {
  WriteFileAt(remote / L".shelfmate.lock", "", 0);
  WriteFileAt(remote / L".SHELFMATE.LOCK", "", 0);  // a second one where the share tells case apart
  WriteFileAt(remote / L"lamps\\.shelfmate.lock", "a library file", 0);
  Run();
  EXPECT_EQ(progress.Lines(), (Lines{L"SetBusy 1", L"AddMessage  - Getting remote file listing - ", L"SetBusy 0",
                                     L"SetProgress 0 0 0", L"AddMessage Copied: \\lamps\\.shelfmate.lock",
                                     L"AddMessage  - Deleting Backup Files - ", L"AddMessage  - Sync Complete - ",
                                     L"Finished Sync Complete 0"}));
  EXPECT_EQ(Snapshot(local), (std::map<std::wstring, std::string>{{L"lamps\\.shelfmate.lock", "a library file"}}));
}

// A read-only master file makes read-only copies, backups and partial
// copies; none of them may keep the file from being updated, or stay behind.
TEST_F(SyncRun, ReadOnlyMasterFileIsUpdatedOnEveryRunAndStaysReadOnly) {
  namespace fs = std::filesystem;
  const std::wstring master = remote / L"lamps\\a.ies", copy = local / L"lamps\\a.ies";
  auto setReadOnly = [](const std::wstring& path, bool readOnly) {
    fs::permissions(NativeOf(path), fs::perms::owner_write,
                    readOnly ? fs::perm_options::remove : fs::perm_options::add);
  };
  auto isReadOnly = [](const std::wstring& path) {
    return (fs::status(NativeOf(path)).permissions() & fs::perms::owner_write) == fs::perms::none;
  };
  // A killed run left a read-only partial copy behind.
  WriteFileAt(local / L"lamps\\a.ies.shelfmatePartial", "half", -99);
  setReadOnly(local / L"lamps\\a.ies.shelfmatePartial", true);
  for (int update = 1; update <= 4; ++update) {
    SCOPED_TRACE("update " + std::to_string(update));
    if (update > 1) setReadOnly(master, false);
    WriteFileAt(master, "master " + std::to_string(update), update * 10);
    setReadOnly(master, true);
    const bool cancel = update == 4;
    RecordingProgress recorder;
    recorder.hook = [&](const std::wstring& line) {
      if (cancel && line == L"AddMessage Copied: \\lamps\\a.ies") job.cancelRequested = true;
    };
    job.progress = &recorder;
    Run();
    const Lines messages = recorder.Messages();
    EXPECT_NE(std::find(messages.begin(), messages.end(), L"Copied: \\lamps\\a.ies"), messages.end());
    // A cancelled run puts the old copy back over the read-only new one.
    EXPECT_EQ(ReadTestFile(copy), "master " + std::to_string(cancel ? update - 1 : update));
    EXPECT_TRUE(isReadOnly(copy));
    EXPECT_FALSE(HasLeftovers(local));
  }
  setReadOnly(master, false);
}

// A tree of a few dozen files in several folders: a quarter missing locally,
// a quarter older, a quarter with equal times, a quarter newer, plus files
// that exist only locally.
struct MixedTree {
  TempFolder remote, local;
  std::map<std::wstring, std::string> localBefore;
  std::map<std::wstring, std::string> remoteFiles;
  std::map<std::wstring, int> kinds;  // 0 missing, 1 older, 2 equal, 3 newer locally

  MixedTree() {
    int number = 0;
    for (const wchar_t* folder : {L"lamps", L"materials\\metal", L"components", L"geometry\\deep\\er"}) {
      for (int i = 0; i < 9; ++i, ++number) {
        const std::wstring relative = std::wstring(folder) + L"\\f" + std::to_wstring(i) + L".dat";
        const std::string content = "remote " + std::to_string(number) + std::string(number * 37 % 500, 'r');
        WriteFileAt(remote / relative, content, 0);
        remoteFiles[relative] = content;
        const int kind = number % 4;
        kinds[relative] = kind;
        if (kind == 0) continue;
        const int offset = kind == 1 ? -100 : kind == 2 ? 0 : 100;
        WriteFileAt(local / relative, "local " + std::to_string(number) + std::string(number * 11 % 300, 'l'), offset);
      }
    }
    WriteFileAt(local / L"lamps\\mine.ies", "only here", 0);
    WriteFileAt(local / L"custom\\mine.xml", "only here too", 0);
    localBefore = Snapshot(local);
  }
};

Lines FileLines(const Lines& messages) {
  Lines files;
  for (const std::wstring& m : messages)
    if (m.rfind(L"Copied: ", 0) == 0 || m.rfind(L"Not Copied: ", 0) == 0) files.push_back(m);
  return files;
}

TEST(SyncRunCancel, CancelAtEveryFileGivesBackTheOldLocalTree) {
  for (const bool force : {false, true}) {
    const size_t fileCount = MixedTree().remoteFiles.size();
    for (size_t cancelAfter = 0; cancelAfter <= fileCount; ++cancelAfter) {
      SCOPED_TRACE("force " + std::to_string(force) + ", cancel after " + std::to_string(cancelAfter));
      MixedTree tree;
      SyncJob job;
      RecordingProgress progress;
      size_t filesSeen = 0;
      progress.hook = [&](const std::wstring& line) {
        if (line.rfind(L"AddMessage Copied: ", 0) == 0 || line.rfind(L"AddMessage Not Copied: ", 0) == 0)
          if (++filesSeen == cancelAfter) job.cancelRequested = true;
      };
      job.progress = &progress;
      if (cancelAfter == 0) job.cancelRequested = true;
      job.Run(tree.remote.Path(), tree.local.Path(), force);

      EXPECT_FALSE(job.cancelRequested);
      const Lines messages = progress.Messages();
      const Lines files = FileLines(messages);
      ASSERT_EQ(files.size(), cancelAfter);
      EXPECT_NE(std::find(messages.begin(), messages.end(), L" - Sync Cancelled - "), messages.end());
      EXPECT_EQ(progress.Lines().back(), L"Finished Sync Canceled 1");

      // Files that were there hold their old bytes; new ones are complete
      // copies of files this run processed; no run leftovers.
      const auto after = Snapshot(tree.local);
      for (const auto& [relative, content] : tree.localBefore) EXPECT_EQ(after.at(relative), content) << relative;
      size_t restored = 0;
      for (const auto& [relative, content] : after) {
        if (tree.localBefore.count(relative)) continue;
        ASSERT_TRUE(tree.remoteFiles.count(relative)) << relative;
        EXPECT_EQ(content, tree.remoteFiles.at(relative)) << relative;
        EXPECT_NE(std::find(files.begin(), files.end(), L"Copied: \\" + relative), files.end()) << relative;
      }
      for (const std::wstring& m : messages) restored += m.rfind(L"Restored: ", 0) == 0;
      size_t setAside = 0;
      for (const std::wstring& line : files) {
        const std::wstring relative = line.substr(line.find(L'\\') + 1);
        setAside += line.rfind(L"Copied: ", 0) == 0 && tree.localBefore.count(relative);
      }
      EXPECT_EQ(restored, setAside);
      EXPECT_FALSE(HasLeftovers(tree.local));

      // The bar counts down from the number of processed files, one step per backup.
      const Lines lines = progress.Lines();
      auto position = std::find(lines.begin(), lines.end(), L"AddMessage  - Sync Cancelled - ");
      std::int32_t expected = static_cast<std::int32_t>(cancelAfter);
      for (; position != lines.end(); ++position) {
        if (position->rfind(L"SetProgress ", 0) != 0) continue;
        EXPECT_EQ(*position, L"SetProgress 0 " + std::to_wstring(fileCount - 1) + L" " + std::to_wstring(expected));
        --expected;
      }
      EXPECT_EQ(static_cast<size_t>(static_cast<std::int32_t>(cancelAfter) - expected), setAside);
    }

    // The same tree, run to the end.
    MixedTree tree;
    SyncJob job;
    job.Run(tree.remote.Path(), tree.local.Path(), force);
    const auto after = Snapshot(tree.local);
    EXPECT_EQ(after.size(), tree.remoteFiles.size() + 2);
    for (const auto& [relative, content] : tree.remoteFiles) {
      const bool replaced = force || tree.kinds.at(relative) <= 1;
      EXPECT_EQ(after.at(relative), replaced ? content : tree.localBefore.at(relative)) << relative;
    }
    EXPECT_EQ(after.at(L"lamps\\mine.ies"), "only here");
    EXPECT_EQ(after.at(L"custom\\mine.xml"), "only here too");
    EXPECT_FALSE(HasLeftovers(tree.local));
  }
}

TEST(SyncRunCancel, WithoutRestoreTheBackupsStay) {
  TempFolder remote, local;
  WriteFileAt(remote / L"a", "new a", 0);
  WriteFileAt(local / L"a", "old a", -10);
  SyncJob job;
  RecordingProgress progress;
  progress.hook = [&](const std::wstring& line) {
    if (line == L"AddMessage Copied: \\a") {
      job.cancelRequested = true;
      job.restoreOnCancel = false;
    }
  };
  job.progress = &progress;
  job.Run(remote.Path(), local.Path(), false);
  EXPECT_EQ(Snapshot(local), (std::map<std::wstring, std::string>{{L"a", "new a"}, {L"a.shelfmateBackup", "old a"}}));
  EXPECT_EQ(progress.Lines().back(), L"Finished Sync Canceled 1");
}

}  // namespace
