// A few threads that make the partial copies of the files the run's worker decided ahead.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/file_system.h"
#include "sync/file_replacement.h"

// The pool only copies: the worker decides, reports and touches library
// names. It starts copies in the order they were handed over, none while
// the run is paused; copies already running then finish into their partial
// copies. With no thread of its own, each copy is made on the worker when it
// is waited for, one at a time, as the run did before it had a pool.
class CopyPool {
 public:
  class Copy;
  using Handle = std::shared_ptr<Copy>;

  // Starts as many of the threads as the system gives, none or fewer when it
  // refuses some.
  CopyPool(unsigned threads, const std::atomic<bool>& paused);
  ~CopyPool();  // stops every copy, as StopAll
  CopyPool(const CopyPool&) = delete;
  CopyPool& operator=(const CopyPool&) = delete;

  // Queues the copy to its partial copy.
  Handle Hand(const FileCopy& copy);

  // Waits until the copy has ended and gives how. False when giveUp says so
  // first (it is asked every 50 milliseconds) or the copy was dropped.
  bool WaitFor(const Handle& copy, PartialCopy& made, const std::function<bool()>& giveUp);

  // No new copy starts, copies in flight are stopped through the copy call's
  // own flag, and the pool's threads end. Afterwards each copy either made
  // its partial copy whole (MadeWhole) or left none.
  void StopAll();

  // Whether the copy ended with its partial copy made whole.
  static bool MadeWhole(const Handle& copy);

 private:
  void Work();

  const std::atomic<bool>& paused;
  std::mutex lock;
  std::condition_variable work;   // a copy was queued, or the pool stops
  std::condition_variable ended;  // a copy ended
  std::deque<Handle> queue;
  bool stopping = false;
  platform::CopyStop stop;
  std::vector<std::thread> threads;
};
