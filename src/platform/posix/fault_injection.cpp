// Planned failures and call counts of the POSIX seam (test machinery).
#include "platform/posix/fault_injection.h"

#include <array>
#include <atomic>
#include <mutex>

namespace platform::faults {
namespace {

constexpr size_t kinds = static_cast<size_t>(Call::Count_);

struct Plan {
  long remaining = -1;  // successes still allowed before the failure; -1: none planned
  bool always = false;
};

// The seam's calls are free functions, so the plan they consult is one
// process-wide record; tests set it up and reset it.
struct FaultBoard {
  std::mutex lock;
  std::array<Plan, kinds> plans{};
  std::array<std::atomic<unsigned long>, kinds> counts{};
};

FaultBoard& Board() {
  static FaultBoard board;
  return board;
}

}  // namespace

void FailAfter(Call call, unsigned successes) {
  std::lock_guard guard(Board().lock);
  Board().plans[static_cast<size_t>(call)].remaining = successes;
}

void FailAlways(Call call) {
  std::lock_guard guard(Board().lock);
  Board().plans[static_cast<size_t>(call)].always = true;
}

void Reset() {
  std::lock_guard guard(Board().lock);
  for (auto& plan : Board().plans) plan = Plan{};
  for (auto& count : Board().counts) count = 0;
}

unsigned long CallCount(Call call) { return Board().counts[static_cast<size_t>(call)]; }

bool ShouldFail(Call call) {
  FaultBoard& board = Board();
  const size_t index = static_cast<size_t>(call);
  ++board.counts[index];
  std::lock_guard guard(board.lock);
  Plan& plan = board.plans[index];
  if (plan.always) return true;
  if (plan.remaining < 0) return false;
  if (plan.remaining == 0) {
    plan.remaining = -1;
    return true;
  }
  --plan.remaining;
  return false;
}

}  // namespace platform::faults
