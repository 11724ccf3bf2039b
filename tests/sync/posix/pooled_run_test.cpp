// The run with copies made side by side: files finished in their order whatever order the copies end in, and pause, cancel and names in two cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/posix/fault_injection.h"
#include "support/recording_progress.h"
#include "sync/sync_job.h"
#include "sync/sync_tree.h"

namespace {

using platform::faults::Call;
using platform::faults::CopyPlan;
using sync_test::HasLeftovers;
using sync_test::Snapshot;
using sync_test::WriteFileAt;
using Lines = std::vector<std::wstring>;
using Tree = std::map<std::wstring, std::string>;
using namespace std::chrono_literals;

// A library of twelve files in two folders and its version file; the local
// copy holds an older version of every third file, which the run sets aside.
class PooledRun : public ::testing::Test {
 protected:
  PooledRun() {
    platform::faults::Reset();
    for (int i = 0; i < 12; ++i) {
      std::wstring name = std::wstring(i < 6 ? L"lamps" : L"materials") + L"\\f" + std::to_wstring(10 + i) + L".ies";
      WriteFileAt(remote / name, "remote " + std::to_string(i), 0);
      names.push_back(std::move(name));
    }
    WriteFileAt(remote / L"library.version", "2", 0);
  }
  ~PooledRun() override { platform::faults::Reset(); }

  void MakeLocal(const TempFolder& to) const {
    for (size_t i = 0; i < names.size(); i += 3) WriteFileAt(to / names[i], "local " + std::to_string(i), -10);
  }

  // Runs into `to` with `threads` copy threads; the progress lines come back.
  Lines RunWith(unsigned threads, const TempFolder& to) {
    RecordingProgress progress;
    progress.hook = [&](const std::wstring& line) {
      if (hook) hook(line);
    };
    job.progress = &progress;
    job.copyThreads = threads;
    job.Run(remote.Path(), to.Path(), false);
    job.progress = nullptr;
    return progress.Lines();
  }

  // Where the copy of the library file ended among all copies; npos when none did.
  static size_t EndOf(const Lines& ends, const std::wstring& name) {
    for (size_t at = 0; at < ends.size(); ++at)
      if (ends[at].size() >= name.size() && ends[at].compare(ends[at].size() - name.size(), name.size(), name) == 0)
        return at;
    return std::wstring::npos;
  }

  TempFolder remote;
  std::vector<std::wstring> names;  // in listing order
  SyncJob job;
  std::function<void(const std::wstring&)> hook;
};

// The log, the bar and the files are the same whatever the pool's size, while
// with more than one thread a copy held up early is overtaken by later ones.
TEST_F(PooledRun, FilesAreFinishedInTheirOrderWhateverOrderTheirCopiesEndIn) {
  enum class Mishap { SlowCopy, CopyFails, CopyFailsOnce, CopyComesBackShort };
  const struct {
    const char* what;
    Mishap mishap;
  } mishaps[] = {{"an early copy is slow", Mishap::SlowCopy},
                 {"a copy in the window fails", Mishap::CopyFails},
                 {"a copy fails once and comes through on the retry", Mishap::CopyFailsOnce},
                 {"a copy comes back short", Mishap::CopyComesBackShort}};
  job.retryWaitSeconds = {1};
  job.sleep = [](std::chrono::milliseconds) {};
  for (const auto& m : mishaps) {
    Lines firstLines;
    Tree firstTree;
    for (const unsigned threads : {1u, 2u, 8u}) {
      SCOPED_TRACE(std::string(m.what) + ", threads " + std::to_string(threads));
      platform::faults::Reset();
      platform::faults::RecordCopyEnds();
      if (m.mishap == Mishap::SlowCopy) platform::faults::PlanCopy(names[1], CopyPlan::Delay, 0, 300ms);
      if (m.mishap == Mishap::CopyFails) platform::faults::PlanCopy(names[4], CopyPlan::Fail);
      if (m.mishap == Mishap::CopyFailsOnce) platform::faults::PlanCopy(names[4], CopyPlan::Fail, 1);
      if (m.mishap == Mishap::CopyComesBackShort) platform::faults::PlanCopy(names[3], CopyPlan::Shorten);
      TempFolder to;
      MakeLocal(to);
      Lines lines = RunWith(threads, to);
      const Lines ends = platform::faults::CopyEnds();
      EXPECT_FALSE(HasLeftovers(to));
      const Tree tree = Snapshot(to);
      if (threads == 1) {
        firstLines = lines;
        firstTree = tree;
        // One copy at a time: each ends in its file's turn.
        for (size_t i = 1; i < names.size(); ++i) EXPECT_LT(EndOf(ends, names[i - 1]), EndOf(ends, names[i]));
      } else {
        EXPECT_EQ(lines, firstLines);
        EXPECT_EQ(tree, firstTree);
      }
      if (m.mishap == Mishap::SlowCopy && threads > 1) {
        size_t overtaking = 0;
        for (size_t i = 2; i < names.size(); ++i) overtaking += EndOf(ends, names[i]) < EndOf(ends, names[1]);
        EXPECT_GT(overtaking, 0u);
      }
    }
    // A file that failed for good keeps the version file back; the new file
    // that failed is missing, the old one that failed keeps its old content.
    const bool failed = m.mishap == Mishap::CopyFails || m.mishap == Mishap::CopyComesBackShort;
    EXPECT_EQ(firstTree.count(L"library.version"), failed ? 0u : 1u) << m.what;
    EXPECT_EQ(firstTree.size(), names.size() + (failed ? 0 : 1) - (m.mishap == Mishap::CopyFails ? 1 : 0)) << m.what;
    if (m.mishap == Mishap::CopyComesBackShort) EXPECT_EQ(firstTree[names[3]], "local 3");
  }
}

// Threads the system refuses to start, for the copies or for deleting the
// backups, leave their work to the threads that did start, or to the run's
// own: the run copies every file and ends as with one copy at a time.
TEST_F(PooledRun, ThreadsTheSystemRefusesLeaveTheirWorkToTheOthers) {
  const struct {
    const char* what;
    unsigned startedFirst;  // threads started before the refusals
    bool always;
  } cases[] = {
      {"the pool's first thread", 0, false},
      {"the pool's third thread", 2, false},
      {"the second helper deleting the backups", 8 + 1, false},
      {"every thread", 0, true},
  };
  TempFolder alone;
  MakeLocal(alone);
  const Lines expected = RunWith(1, alone);
  ASSERT_EQ(job.outcome.end, RunEnd::Completed);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform::faults::Reset();
    if (c.always)
      platform::faults::FailAlways(Call::StartThread);
    else
      platform::faults::FailAfter(Call::StartThread, c.startedFirst, 1);
    TempFolder to;
    MakeLocal(to);
    Lines lines;
    EXPECT_NO_THROW(lines = RunWith(8, to));
    EXPECT_GT(platform::faults::CallCount(Call::StartThread), c.startedFirst);
    platform::faults::Reset();
    EXPECT_EQ(job.outcome.end, RunEnd::Completed);
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(Snapshot(to), Snapshot(alone));
    EXPECT_FALSE(HasLeftovers(to));
  }
}

// A pause lets the copies under way finish into their partial copies and
// starts none; after Resume the run goes on from there.
TEST_F(PooledRun, PauseStartsNoCopyAndResumeGoesOn) {
  // The first file comes at once, so that the pause finds the next ones under way.
  for (size_t i = 1; i < names.size(); ++i) platform::faults::PlanCopy(names[i], CopyPlan::Delay, 0, 300ms);
  platform::faults::RecordCopyEnds();
  hook = [&](const std::wstring& line) {
    if (line == L"AddMessage Copied: \\" + names[0]) job.paused = true;
  };
  unsigned long startedAtPause = 0, startedLater = 0;
  size_t endedLater = 0;
  job.sleep = [&](std::chrono::milliseconds) {
    std::this_thread::sleep_for(50ms);
    startedAtPause = platform::faults::CallCount(Call::CopyReplacing);
    std::this_thread::sleep_for(500ms);  // the copies under way take 300 ms
    startedLater = platform::faults::CallCount(Call::CopyReplacing);
    endedLater = platform::faults::CopyEnds().size();
    job.paused = false;
  };
  TempFolder to;
  MakeLocal(to);
  const Lines lines = RunWith(8, to);
  EXPECT_GT(startedAtPause, 1u);
  EXPECT_LT(startedAtPause, names.size());
  EXPECT_EQ(startedLater, startedAtPause);
  EXPECT_EQ(endedLater, startedAtPause);
  const Lines messages = [&] {
    Lines texts;
    for (const std::wstring& line : lines)
      if (line.rfind(L"AddMessage ", 0) == 0) texts.push_back(line.substr(11));
    return texts;
  }();
  for (const std::wstring& name : names)
    EXPECT_NE(std::find(messages.begin(), messages.end(), L"Copied: \\" + name), messages.end()) << name;
  EXPECT_EQ(Snapshot(to).size(), names.size() + 1);
  EXPECT_FALSE(HasLeftovers(to));
}

// A cancel stops the copy under way at once, deletes every partial copy made
// ahead of the worker, and puts every replaced file back.
TEST_F(PooledRun, CancelStopsCopiesAndLeavesNothingBehind) {
  platform::faults::PlanCopy(names[6], CopyPlan::Delay, 0, 30s);
  platform::faults::RecordCopyEnds();
  bool aheadDone = false;
  hook = [&](const std::wstring& line) {
    if (line != L"AddMessage Copied: \\" + names[3]) return;
    // Copies of files after this one complete before the cancel comes.
    for (int tries = 0; tries < 500 && !aheadDone; ++tries) {
      const Lines ends = platform::faults::CopyEnds();
      aheadDone = EndOf(ends, names[4]) != std::wstring::npos && EndOf(ends, names[5]) != std::wstring::npos;
      if (!aheadDone) std::this_thread::sleep_for(10ms);
    }
    job.cancelRequested = true;
  };
  TempFolder to;
  MakeLocal(to);
  const Tree before = Snapshot(to);
  const auto start = std::chrono::steady_clock::now();
  const Lines lines = RunWith(8, to);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(aheadDone);
  EXPECT_LT(took, 10s);  // not the slow copy's 30 seconds
  // The new files copied before the cancel stay, as in any cancelled run.
  Tree expected = before;
  expected[names[1]] = "remote 1";
  expected[names[2]] = "remote 2";
  EXPECT_EQ(Snapshot(to), expected);
  EXPECT_FALSE(HasLeftovers(to));
  for (const size_t replaced : {0u, 3u})
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        L"AddMessage Restored: " + to.Path() + L"\\\\" + names[replaced]),
              lines.end());
  EXPECT_EQ(std::find(lines.begin(), lines.end(), L"AddMessage Copied: \\" + names[4]), lines.end());
  EXPECT_EQ(lines.back(), L"Finished Sync Canceled 1");
}

// Two remote names that differ only in case (a master on a server that tells
// case apart) share one local name and one partial copy, so the second copy
// starts only after the worker has finished the first.
TEST_F(PooledRun, NamesThatDifferOnlyInCaseAreNeverCopiedAtOnce) {
  const std::wstring upper = L"lamps\\Twin.ies", lower = L"lamps\\twin.ies";
  WriteFileAt(remote / upper, "upper", 0);
  WriteFileAt(remote / lower, "lower", 0);
  // Which of the two the listing gives first.
  TempFolder once;
  const Lines lines = RunWith(8, once);
  const auto lineOf = [&](const std::wstring& name) {
    return std::find(lines.begin(), lines.end(), L"AddMessage Copied: \\" + name);
  };
  ASSERT_NE(lineOf(upper), lines.end());
  ASSERT_NE(lineOf(lower), lines.end());
  const std::wstring first = lineOf(upper) < lineOf(lower) ? upper : lower;
  const std::wstring second = first == upper ? lower : upper;
  // Side by side, the second's quicker copy would end long before the first's.
  platform::faults::PlanCopy(first, CopyPlan::Delay, 0, 300ms);
  platform::faults::PlanCopy(second, CopyPlan::Delay, 0, 20ms);
  platform::faults::RecordCopyEnds();
  bool secondEndedBeforeFirstWasFinished = true;
  hook = [&](const std::wstring& line) {
    if (line == L"AddMessage Copied: \\" + first)
      secondEndedBeforeFirstWasFinished = EndOf(platform::faults::CopyEnds(), second) != std::wstring::npos;
  };
  TempFolder to;
  RunWith(8, to);
  EXPECT_FALSE(secondEndedBeforeFirstWasFinished);
  EXPECT_NE(EndOf(platform::faults::CopyEnds(), second), std::wstring::npos);
  EXPECT_FALSE(HasLeftovers(to));
}

}  // namespace
