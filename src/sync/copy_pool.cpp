// The copy threads of a run and the hand-over of copies between them and the worker.
#include "sync/copy_pool.h"

#include <chrono>
#include <exception>
#include <new>
#include <system_error>

#include "platform/host.h"

namespace {

constexpr auto kWaitPoll = std::chrono::milliseconds(50);
constexpr auto kPausePoll = std::chrono::milliseconds(20);

// A copy on one of the pool's threads, from which nothing may escape: a copy
// that throws is that file's failure.
PartialCopy CopyOnThisThread(const FileCopy& copy, platform::CopyStop& stop) {
  PartialCopy failed;
  try {
    return MakePartialCopy(copy, &stop);
  } catch (const std::bad_alloc&) {
    failed.reason = FailureReason::Saying(L"the program ran out of memory while it copied the file");
  } catch (const std::exception&) {
    failed.reason = FailureReason::Saying(L"the program met an error of its own while it copied the file");
  }
  return failed;
}

}  // namespace

class CopyPool::Copy {
 public:
  enum class State { Queued, Running, Ended, Dropped };

  explicit Copy(FileCopy copy) : copy(std::move(copy)) {}

  const FileCopy copy;
  State state = State::Queued;  // guarded by the pool's lock where the pool has threads
  PartialCopy made;
};

// A thread the system refuses leaves the pool smaller; with none, the worker
// makes every copy itself.
CopyPool::CopyPool(unsigned threadCount, const std::atomic<bool>& paused) : paused(paused) {
  threads.reserve(threadCount);
  for (unsigned i = 0; i < threadCount; ++i) {
    try {
      threads.push_back(platform::StartThread([this] { Work(); }));
    } catch (const std::system_error&) {
    }
  }
}

CopyPool::~CopyPool() { StopAll(); }

CopyPool::Handle CopyPool::Hand(const FileCopy& copy) {
  Handle handle = std::make_shared<Copy>(copy);
  if (threads.empty()) return handle;
  {
    std::lock_guard guard(lock);
    if (stopping) {
      handle->state = Copy::State::Dropped;
      return handle;
    }
    queue.push_back(handle);
  }
  work.notify_one();
  return handle;
}

bool CopyPool::WaitFor(const Handle& copy, PartialCopy& made, const std::function<bool()>& giveUp) {
  if (threads.empty()) {
    if (copy->state == Copy::State::Queued) {
      copy->made = MakePartialCopy(copy->copy, &stop);
      copy->state = Copy::State::Ended;
    }
  } else {
    std::unique_lock guard(lock);
    while (copy->state != Copy::State::Ended) {
      if (copy->state == Copy::State::Dropped || giveUp()) return false;
      ended.wait_for(guard, kWaitPoll);
    }
  }
  if (copy->state != Copy::State::Ended) return false;
  made = copy->made;
  return true;
}

void CopyPool::StopAll() {
  {
    std::lock_guard guard(lock);
    if (stopping) return;
    stopping = true;
    stop.Request();
    for (const Handle& queued : queue) queued->state = Copy::State::Dropped;
    queue.clear();
  }
  work.notify_all();
  for (std::thread& thread : threads) thread.join();
}

bool CopyPool::MadeWhole(const Handle& copy) { return copy->state == Copy::State::Ended && copy->made.made; }

void CopyPool::Work() {
  std::unique_lock guard(lock);
  for (;;) {
    if (stopping) return;
    if (queue.empty()) {
      work.wait(guard);
      continue;
    }
    if (paused) {
      work.wait_for(guard, kPausePoll);
      continue;
    }
    const Handle next = queue.front();
    queue.pop_front();
    next->state = Copy::State::Running;
    guard.unlock();
    PartialCopy made = CopyOnThisThread(next->copy, stop);
    guard.lock();
    next->made = std::move(made);
    next->state = Copy::State::Ended;
    ended.notify_all();
  }
}
