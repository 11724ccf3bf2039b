// Planned failures and call counts of the POSIX seam (test machinery).
#include "platform/posix/fault_injection.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "platform/posix/name_stand_ins.h"

namespace platform::faults {
namespace {

constexpr size_t kinds = static_cast<size_t>(Call::Count_);

struct Plan {
  long remaining = -1;  // successes still allowed before the failures; -1: none planned
  unsigned failures = 1;
  bool always = false;
  std::uint32_t code = 5;
  std::chrono::milliseconds delay{0};  // every call waits this long first
};

thread_local std::uint32_t keptFailure = 0;

// The seam's calls are free functions, so the plan they consult is one
// process-wide record; tests set it up and reset it.
struct FaultBoard {
  std::mutex lock;
  std::array<Plan, kinds> plans{};
  std::atomic<bool> armed{false};  // any failure planned: only then is the plan consulted
  std::array<std::atomic<unsigned long>, kinds> counts{};
  std::wstring countedTree;  // empty: no tree counted
  std::atomic<unsigned long> treeCalls{0};
  std::vector<std::wstring> folderCreations;
  std::atomic<bool> recordingDeletions{false};
  std::vector<std::wstring> deletions;
  Plan shortCopy;
  std::atomic<bool> fileIndexesHidden{false};
  struct PathPlan {
    std::wstring sourceEnd;
    CopyPlan plan = CopyPlan::Fail;
    unsigned left = 0;  // copies still to do as planned; 0: every one
    std::chrono::milliseconds delay{0};
    std::uint32_t code = 5;
  };
  std::vector<PathPlan> pathPlans;
  std::atomic<bool> recordingCopyEnds{false};
  std::vector<std::wstring> copyEnds;
  std::condition_variable resets;  // wakes the delayed calls
  unsigned long resetCount = 0;
};

// Never destroyed: a thread the program left to end by itself may still be
// inside a delayed call when the process ends.
FaultBoard& Board() {
  static FaultBoard& board = *new FaultBoard;
  return board;
}

}  // namespace

void FailAfter(Call call, unsigned successes, unsigned failures, std::uint32_t errorCode) {
  std::lock_guard guard(Board().lock);
  Plan& plan = Board().plans[static_cast<size_t>(call)];
  plan.remaining = successes;
  plan.failures = failures;
  plan.code = errorCode;
  Board().armed = true;
}

void FailAlways(Call call, std::uint32_t errorCode) {
  std::lock_guard guard(Board().lock);
  Plan& plan = Board().plans[static_cast<size_t>(call)];
  plan.always = true;
  plan.code = errorCode;
  Board().armed = true;
}

void DelayCalls(Call call, std::chrono::milliseconds delay) {
  std::lock_guard guard(Board().lock);
  Board().plans[static_cast<size_t>(call)].delay = delay;
  Board().armed = true;
}

void KeepFailure(std::uint32_t code) { keptFailure = code; }

std::uint32_t KeptFailure() { return keptFailure; }

void Reset() {
  std::lock_guard guard(Board().lock);
  for (auto& plan : Board().plans) plan = Plan{};
  for (auto& count : Board().counts) count = 0;
  Board().armed = false;
  Board().countedTree.clear();
  Board().treeCalls = 0;
  Board().folderCreations.clear();
  Board().recordingDeletions = false;
  Board().deletions.clear();
  Board().shortCopy = Plan{};
  Board().fileIndexesHidden = false;
  Board().pathPlans.clear();
  Board().recordingCopyEnds = false;
  Board().copyEnds.clear();
  ResetNameStandIns();
  ++Board().resetCount;
  Board().resets.notify_all();
}

void PlanCopy(const std::wstring& sourceEnd, CopyPlan plan, unsigned times, std::chrono::milliseconds delay,
              std::uint32_t errorCode) {
  std::lock_guard guard(Board().lock);
  auto& plans = Board().pathPlans;
  for (auto at = plans.begin(); at != plans.end();) at = at->sourceEnd == sourceEnd ? plans.erase(at) : at + 1;
  plans.push_back(FaultBoard::PathPlan{sourceEnd, plan, times, delay, errorCode});
  Board().armed = true;
}

void RecordCopyEnds() { Board().recordingCopyEnds = true; }

std::vector<std::wstring> CopyEnds() {
  std::lock_guard guard(Board().lock);
  return Board().copyEnds;
}

PlannedCopy CopyPlanFor(const std::wstring& source) {
  FaultBoard& board = Board();
  PlannedCopy planned;
  if (!board.armed.load(std::memory_order_acquire)) return planned;
  std::lock_guard guard(board.lock);
  for (auto at = board.pathPlans.begin(); at != board.pathPlans.end(); ++at) {
    const std::wstring& end = at->sourceEnd;
    if (source.size() < end.size() || source.compare(source.size() - end.size(), end.size(), end) != 0) continue;
    planned.fail = at->plan == CopyPlan::Fail;
    planned.shorten = at->plan == CopyPlan::Shorten;
    if (at->plan == CopyPlan::Delay) planned.delay = at->delay;
    planned.code = at->code;
    if (at->left > 0 && --at->left == 0) board.pathPlans.erase(at);
    break;
  }
  return planned;
}

void NoteCopyEnd(const std::wstring& source) {
  if (!Board().recordingCopyEnds) return;
  std::lock_guard guard(Board().lock);
  Board().copyEnds.push_back(source);
}

void HideFileIndexes() { Board().fileIndexesHidden = true; }

bool FileIndexesHidden() { return Board().fileIndexesHidden; }

void CountTreeCalls(const std::wstring& root) {
  std::lock_guard guard(Board().lock);
  Board().countedTree = root;
  Board().treeCalls = 0;
}

unsigned long TreeCallCount() { return Board().treeCalls; }

void NoteTreeCalls(const std::wstring& path, unsigned long calls) {
  FaultBoard& board = Board();
  if (board.countedTree.empty() || path.compare(0, board.countedTree.size(), board.countedTree) != 0) return;
  board.treeCalls.fetch_add(calls, std::memory_order_relaxed);
}

std::vector<std::wstring> FolderCreations() {
  std::lock_guard guard(Board().lock);
  return Board().folderCreations;
}

void NoteFolderCreation(const std::wstring& path) {
  std::lock_guard guard(Board().lock);
  Board().folderCreations.push_back(path);
}

void RecordDeletions() { Board().recordingDeletions = true; }

void NoteDeletion(const std::wstring& path) {
  if (!Board().recordingDeletions) return;
  std::lock_guard guard(Board().lock);
  Board().deletions.push_back(path);
}

std::vector<std::wstring> Deletions() {
  std::lock_guard guard(Board().lock);
  return Board().deletions;
}

void ShortCopyAfter(unsigned successes) {
  std::lock_guard guard(Board().lock);
  Board().shortCopy.remaining = successes;
  Board().shortCopy.failures = 1;
  Board().armed = true;
}

unsigned long CallCount(Call call) { return Board().counts[static_cast<size_t>(call)]; }

namespace {

// Whether a planned event is due now, counting this call against the plan.
bool Due(Plan& plan) {
  if (plan.always) return true;
  if (plan.remaining < 0) return false;
  if (plan.remaining == 0) {
    if (plan.failures <= 1) plan.remaining = -1;
    else --plan.failures;
    return true;
  }
  --plan.remaining;
  return false;
}

}  // namespace

bool ShouldFail(Call call) {
  FaultBoard& board = Board();
  const size_t index = static_cast<size_t>(call);
  board.counts[index].fetch_add(1, std::memory_order_relaxed);
  // The seam's hot path (every file of a sync) takes no lock unless a test planned a failure.
  if (!board.armed.load(std::memory_order_acquire)) return false;
  std::unique_lock guard(board.lock);
  Plan& plan = board.plans[index];
  if (plan.delay.count() > 0) {
    const unsigned long resetBefore = board.resetCount;
    board.resets.wait_for(guard, plan.delay, [&] { return board.resetCount != resetBefore; });
    if (board.resetCount != resetBefore) return false;
  }
  if (!Due(plan)) return false;
  keptFailure = plan.code;
  return true;
}

bool CopyComesBackShort() {
  FaultBoard& board = Board();
  if (!board.armed.load(std::memory_order_acquire)) return false;
  std::lock_guard guard(board.lock);
  return Due(board.shortCopy);
}

}  // namespace platform::faults
