// The run where names collide as Windows makes them: a master holding the program's own names, two master names of one case-blind local name, and a local file's second name.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "platform/posix/fault_injection.h"
#include "platform/posix/name_stand_ins.h"
#include "platform/posix/simulated_machine.h"
#include "support/recording_progress.h"
#include "sync/run_record.h"
#include "sync/sync_job.h"
#include "sync/sync_tree.h"

namespace {

using platform::faults::Call;
using sync_test::HasLeftovers;
using sync_test::Snapshot;
using sync_test::WriteFileAt;
using Lines = std::vector<std::wstring>;
using Tree = std::map<std::wstring, std::string>;

std::vector<int> CountsOf(const RunCounts& counts) {
  return {counts.copied, counts.skipped, counts.failed, counts.restored, counts.notRestored};
}

// A tree's files by their case-blind names, as a case-blind folder holds them.
Tree Folded(const Tree& tree) {
  Tree folded;
  for (const auto& [name, content] : tree) {
    std::wstring key = name;
    for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(c));
    folded[key] = content;
  }
  return folded;
}

class LocalNames : public ::testing::Test {
 protected:
  LocalNames() {
    platform::faults::Reset();
    platform::simulated::Reset();
    platform::simulated::SetCommonAppDataFolder(appData.Path());
    job.sleep = [](std::chrono::milliseconds) {};
  }
  ~LocalNames() override {
    platform::faults::Reset();
    platform::simulated::Reset();
  }

  // One run into `to` with its record; the record's text comes back, and
  // the window's log lines are kept in `messages`.
  std::string RunRecorded(const TempFolder& to, unsigned threads, bool force = false) {
    RecordingProgress progress;
    progress.hook = [this](const std::wstring& line) {
      if (hook) hook(line);
    };
    job.progress = &progress;
    RunRecord record;
    record.Begin(RecordHeader{L"1.2.2.0", remote.Path(), to.Path(), true});
    job.record = &record;
    job.copyThreads = threads;
    job.Run(remote.Path(), to.Path(), force);
    job.record = nullptr;
    job.progress = nullptr;
    messages = progress.Messages();
    record.End(ExitCodeFor(job.outcome), job.outcome.counts);
    return ReadTestFile(record.Path());
  }

  TempFolder remote, appData;
  std::function<void(const std::wstring&)> hook;
  Lines messages;
  SyncJob job;
};

// A master kept by another sync holds that sync's backups and partial copies,
// at any depth and in any case. None is a library file: none reaches the
// local library, none takes the name of the run's own, and a cancel puts the
// user's own files back.
TEST_F(LocalNames, TheMastersOwnNamedFilesAreNeverCopied) {
  WriteFileAt(remote / L"x.ies", "remote x", 0);
  WriteFileAt(remote / L"x.ies.shelfmateBackup", "the master's backup of x", 0);
  WriteFileAt(remote / L"y.ies", "remote y", 0);
  WriteFileAt(remote / L"y.ies.shelfmatePartial", "the master's partial copy of y", 0);
  WriteFileAt(remote / L"z.ies.shelfmateBackup", "the master's backup of z", 0);
  WriteFileAt(remote / L"lamps\\w.ies.SHELFMATEPARTIAL", "the master's partial copy of w", 0);
  const Tree user = {{L"x.ies", "user x"}, {L"y.ies", "user y"}};
  const Tree synced = {{L"x.ies", "remote x"}, {L"y.ies", "remote y"}};
  const struct {
    const char* what;
    unsigned threads;
    bool cancel;
    Tree expected;
    std::vector<int> counts;  // copied, skipped, failed, restored, not restored
  } cases[] = {
      {"completed, one copy at a time", 1, false, synced, {2, 0, 0, 0, 0}},
      {"completed, copies side by side", 8, false, synced, {2, 0, 0, 0, 0}},
      {"cancelled once x is replaced, one copy at a time", 1, true, user, {1, 0, 0, 1, 0}},
      {"cancelled once x is replaced, copies side by side", 8, true, user, {1, 0, 0, 1, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder local;
    for (const auto& [name, content] : user) WriteFileAt(local / name, content, -10);
    hook = [&](const std::wstring& line) {
      if (c.cancel && line == L"AddMessage Copied: \\x.ies") job.cancelRequested = true;
    };
    const std::string record = RunRecorded(local, c.threads);
    hook = nullptr;
    EXPECT_EQ(Snapshot(local), c.expected);
    EXPECT_EQ(CountsOf(job.outcome.counts), c.counts);
    EXPECT_FALSE(HasLeftovers(local));
    // The record names them once; the window's log not at all.
    const std::string said = "Not copied from the remote library, as named like this program's own backups and "
                             "partial copies: 4 file(s): ";
    const size_t at = record.find(said);
    ASSERT_NE(at, std::string::npos) << record;
    EXPECT_EQ(record.find(said, at + 1), std::string::npos);
    for (const char* name : {"\\x.ies.shelfmateBackup", "\\y.ies.shelfmatePartial", "\\z.ies.shelfmateBackup",
                             "\\lamps\\w.ies.SHELFMATEPARTIAL"})
      EXPECT_NE(record.find(name, at), std::string::npos) << name;
    for (const std::wstring& line : messages)
      EXPECT_EQ(line.find(L".shelfmate"), std::wstring::npos) << line;

    // Once the library is synced, a run has nothing to copy.
    if (c.cancel) RunRecorded(local, c.threads);
    EXPECT_EQ(Snapshot(local), synced);
    platform::faults::Reset();
    RunRecorded(local, c.threads);
    EXPECT_EQ(platform::faults::CallCount(Call::CopyReplacing), 0u);
    EXPECT_EQ(job.outcome.counts.copied, 0);
    EXPECT_EQ(Snapshot(local), synced);
  }
}

// On a case-blind local folder two master names that differ only in case
// share one local name, and so one backup name. The second finds its backup
// name taken by the first's backup, the only copy of the user's file: that
// backup is never taken for a stale one, not on a retry pass either, whose
// new listing of the folder shows it, and the second fails without touching
// anything.
TEST_F(LocalNames, TwoMasterNamesOfOneLocalNameNeverCostTheUsersFile) {
  WriteFileAt(remote / L"lamps\\A.ies", "remote A", 0);
  WriteFileAt(remote / L"lamps\\a.ies", "remote a", 0);
  const struct {
    const char* what;
    unsigned threads;
    bool secondFailsOnce;  // its first copy fails, so that a retry pass tries it again
    bool cancel;
    std::vector<int> counts;  // copied, skipped, failed, restored, not restored
  } cases[] = {
      {"cancelled after both were tried, one copy at a time", 1, false, true, {1, 0, 1, 1, 0}},
      {"cancelled after both were tried, copies side by side", 8, false, true, {1, 0, 1, 1, 0}},
      {"the second tried again, cancelled, one copy at a time", 1, true, true, {1, 0, 1, 1, 0}},
      {"the second tried again, cancelled, copies side by side", 8, true, true, {1, 0, 1, 1, 0}},
      {"the second tried again, completed, one copy at a time", 1, true, false, {1, 0, 1, 0, 0}},
      {"completed, copies side by side", 8, false, false, {1, 0, 1, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder local;
    WriteFileAt(local / L"lamps\\A.ies", "user", -10);
    platform::faults::Reset();
    platform::faults::MakeCaseBlind(local.Path());
    // The second's copy starts only once the first is in place, so it is the second copy made.
    if (c.secondFailsOnce) platform::faults::FailAfter(Call::CopyReplacing, 1, 1);
    job.retryWaitSeconds = {0};
    int twinLines = 0;
    std::wstring first;
    hook = [&](const std::wstring& line) {
      for (const std::wstring twin : {L"A.ies", L"a.ies"}) {
        if (line != L"AddMessage Copied: \\lamps\\" + twin && line != L"AddMessage Not Copied: \\lamps\\" + twin)
          continue;
        if (++twinLines == 1) first = twin;
        if (twinLines == 2 && c.cancel) job.cancelRequested = true;
      }
    };
    RunRecorded(local, c.threads, true);
    hook = nullptr;
    EXPECT_EQ(twinLines, 2);
    EXPECT_EQ(platform::faults::CallCount(Call::CopyReplacing), c.secondFailsOnce ? 3u : 2u);
    const Tree expected = {{L"lamps\\a.ies", c.cancel ? "user" : first == L"A.ies" ? "remote A" : "remote a"}};
    EXPECT_EQ(Folded(Snapshot(local)), expected);
    EXPECT_EQ(CountsOf(job.outcome.counts), c.counts);
  }
}

// Windows opens a listed file by its 8.3 short name too, which the listing
// does not show. A master file literally of that name is not the listed
// file's to replace: the stand-in is a second name linked to the listed file.
TEST_F(LocalNames, ASecondNameOfAListedFileIsNeverWrittenThrough) {
  WriteFileAt(remote / L"lamps\\LONGFI~1.IES", "remote short name", 0);
  const struct {
    const char* what;
    unsigned threads;
    bool force;
  } cases[] = {
      {"newer, one copy at a time", 1, false},
      {"newer, copies side by side", 8, false},
      {"forced", 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder local;
    const std::wstring listed = local / L"lamps\\longfilename.ies", second = local / L"lamps\\LONGFI~1.IES";
    WriteFileAt(listed, "user", -10);
    std::filesystem::create_hard_link(NativeOf(listed), NativeOf(second));
    platform::faults::Reset();
    platform::faults::HideFromListings(second);
    RunRecorded(local, c.threads, c.force);
    EXPECT_EQ(CountsOf(job.outcome.counts), std::vector<int>({0, 0, 1, 0, 0}));
    ASSERT_GE(messages.size(), 2u);
    EXPECT_EQ(messages[1], L"Not Copied: \\lamps\\LONGFI~1.IES");
    struct stat a {}, b {};
    ASSERT_EQ(::stat(NativeOf(listed).c_str(), &a), 0);
    ASSERT_EQ(::stat(NativeOf(second).c_str(), &b), 0);
    EXPECT_EQ(a.st_ino, b.st_ino) << "the second name was written through";
    EXPECT_EQ(ReadTestFile(listed), "user");
    EXPECT_FALSE(HasLeftovers(local));
  }
}

}  // namespace
