// The wait for the remote library.
#include "sync/remote_wait.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/file_system.h"
#include "sync/paths.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long the wait goes without looking at the job's cancel request.
constexpr auto kCancelStep = std::chrono::milliseconds(500);

// What one look found. A look's thread may outlive the wait that started it,
// so it shares this record and holds its own copy of the folder's name.
struct LookAnswer {
  std::mutex lock;
  std::condition_variable given;
  bool answered = false;
  bool present = false;
  std::uint32_t failure = 0;
};

void Look(const std::wstring& folder, LookAnswer& answer) {
  bool present = false;
  std::uint32_t failure = 0;
  try {
    present = PathExists(folder);
    if (!present) failure = platform::LastFailure();
  } catch (...) {
    // Out of memory: counted as not found.
  }
  {
    const std::lock_guard guard(answer.lock);
    answer.answered = true;
    answer.present = present;
    answer.failure = failure;
  }
  answer.given.notify_all();
}

// A look on a thread of its own; where no thread can be started, the look
// is made here.
std::shared_ptr<LookAnswer> StartLook(const std::wstring& folder) {
  auto answer = std::make_shared<LookAnswer>();
  try {
    std::thread([name = folder, answer] { Look(name, *answer); }).detach();
  } catch (const std::system_error&) {
    Look(folder, *answer);
  }
  return answer;
}

std::chrono::milliseconds WholeMilliseconds(Clock::duration time) {
  return std::max(std::chrono::milliseconds(1), std::chrono::ceil<std::chrono::milliseconds>(time));
}

}  // namespace

RemoteWaitResult WaitForRemote(const std::wstring& folder, unsigned limitSeconds, SyncJob& job,
                               const std::function<void()>& onWaiting, const MonotonicNow& now) {
  const bool limited = limitSeconds > 0;
  const Clock::time_point deadline = now() + std::chrono::seconds(limitSeconds);
  RemoteWaitResult result;
  const auto end = [&result](RemoteWaitEnd how) {
    result.end = how;
    return result;
  };
  bool waitingReported = false;
  const auto reportWaiting = [&] {
    if (waitingReported) return;
    waitingReported = true;
    if (onWaiting) onWaiting();
  };
  for (;;) {
    if (job.cancelRequested) return end(RemoteWaitEnd::Cancelled);
    const std::shared_ptr<LookAnswer> look = StartLook(folder);
    bool present = false;
    for (;;) {
      if (job.cancelRequested) return end(RemoteWaitEnd::Cancelled);
      std::unique_lock guard(look->lock);
      Clock::duration step = kCancelStep;
      if (!look->answered && limited) {
        const Clock::duration left = deadline - now();
        if (left <= Clock::duration::zero()) return end(RemoteWaitEnd::TimedOut);
        step = std::min(step, left);
      }
      if (look->given.wait_for(guard, step, [&look] { return look->answered; })) {
        present = look->present;
        if (!present) result.lastFailure = look->failure;
        break;
      }
      // A look that does not answer at once is a wait too.
      guard.unlock();
      reportWaiting();
    }
    if (present) return end(RemoteWaitEnd::Present);
    reportWaiting();
    if (!limited) return end(RemoteWaitEnd::TimedOut);
    const Clock::time_point nextLook = std::min(deadline, now() + std::chrono::seconds(kRemoteLookSeconds));
    for (Clock::time_point at = now(); at < nextLook; at = now()) {
      if (job.cancelRequested) return end(RemoteWaitEnd::Cancelled);
      job.sleep(WholeMilliseconds(std::min<Clock::duration>(kCancelStep, nextLook - at)));
    }
    if (now() >= deadline) return end(RemoteWaitEnd::TimedOut);
  }
}
