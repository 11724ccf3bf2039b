// The wait for a late remote library: its limit by the clock, and its cancel,
// also while a look at the folder blocks, as one at an absent server does.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "platform/file_system.h"
#include "platform/posix/fault_injection.h"
#include "support/temp_folder.h"
#include "sync/remote_wait.h"

namespace {

using namespace std::chrono_literals;
using platform::faults::Call;
using Clock = std::chrono::steady_clock;

class RemoteWait : public ::testing::Test {
 protected:
  RemoteWait() { platform::faults::Reset(); }
  // Also lets a look still blocked in its delay go on.
  ~RemoteWait() override { platform::faults::Reset(); }

  TempFolder remote;
  SyncJob job;
};

struct WaitCase {
  const char* what;
  bool folderThere;
  std::chrono::milliseconds lookBlocks;  // every look takes this long to answer
  unsigned limitSeconds;
  std::optional<std::chrono::milliseconds> cancelAfter;
  RemoteWaitEnd expected;
  std::chrono::milliseconds endsWithin;  // loosely: well before the blocked look answers
  bool waitingReported;
};

TEST_F(RemoteWait, EndsAtItsLimitOrOnCancelWhateverTheLookIsDoing) {
  const WaitCase cases[] = {
      {"a folder that is there", true, 0ms, 60, std::nullopt, RemoteWaitEnd::Present, 1000ms, false},
      {"no waiting: the one look's answer", false, 0ms, 0, std::nullopt, RemoteWaitEnd::TimedOut, 1000ms, true},
      {"a look blocked past the limit", false, 8000ms, 1, std::nullopt, RemoteWaitEnd::TimedOut, 3000ms, true},
      {"a look at a folder that is there, blocked past the limit", true, 8000ms, 1, std::nullopt,
       RemoteWaitEnd::TimedOut, 3000ms, true},
      {"a cancel while a look is blocked", false, 8000ms, 60, 300ms, RemoteWaitEnd::Cancelled, 1500ms, true},
      {"a cancel between two looks", false, 0ms, 60, 1000ms, RemoteWaitEnd::Cancelled, 2200ms, true},
  };
  for (const WaitCase& c : cases) {
    SCOPED_TRACE(c.what);
    platform::faults::Reset();
    job.cancelRequested = false;
    const std::wstring folder = c.folderThere ? remote.Path() : remote / L"absent";
    if (c.lookBlocks.count() > 0) platform::faults::DelayCalls(Call::PathExists, c.lookBlocks);
    std::optional<std::thread> canceller;
    if (c.cancelAfter)
      canceller.emplace([this, after = *c.cancelAfter] {
        std::this_thread::sleep_for(after);
        job.cancelRequested = true;
      });
    int waitingReports = 0;
    const Clock::time_point start = Clock::now();
    const RemoteWaitResult result = WaitForRemote(folder, c.limitSeconds, job, [&] { ++waitingReports; });
    const auto took = Clock::now() - start;
    if (canceller) canceller->join();
    EXPECT_EQ(result.end, c.expected);
    EXPECT_LT(took, c.endsWithin);
    EXPECT_EQ(waitingReports, c.waitingReported ? 1 : 0);
    // A look that answered tells why it found nothing; one cut off tells nothing.
    const bool answeredMissing = !c.folderThere && c.lookBlocks.count() == 0;
    if (answeredMissing) {
      EXPECT_EQ(result.lastFailure, platform::kErrorFileNotFound);
    } else {
      EXPECT_EQ(result.lastFailure, 0u);
    }
  }
}

// The limit is the clock's, from the wait's start: pauses that oversleep (a
// busy or suspended machine) do not stretch it.
TEST_F(RemoteWait, KeepsItsLimitByTheClockWhenItsSleepsOverrun) {
  Clock::time_point fake = Clock::now();
  const Clock::time_point start = fake;
  job.sleep = [&fake](std::chrono::milliseconds time) { fake += 3 * time; };
  const RemoteWaitResult result =
      WaitForRemote(remote / L"absent", 60, job, nullptr, [&fake] { return fake; });
  EXPECT_EQ(result.end, RemoteWaitEnd::TimedOut);
  EXPECT_GE(fake - start, 60s);
  EXPECT_LT(fake - start, 62s);
  // Looks 5 seconds of the clock apart: at 0, 6, 12 ... 54 (each pause ends on a 3 s step).
  EXPECT_EQ(platform::faults::CallCount(Call::PathExists), 10u);
}

}  // namespace
