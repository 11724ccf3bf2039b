// The worker thread that runs one sync at a time for the window.
#pragma once

#include <windows.h>

#include <process.h>

#include <atomic>
#include <cstdint>
#include <functional>

#include "platform/win32/unique_resource.h"
#include "sync/sync_job.h"

class SyncThread {
 public:
  // How the worker thread is made, with _beginthreadex's arguments and
  // result. Tests put a starter here that fails as creation fails when the
  // process is out of threads or memory.
  using ThreadStarter = uintptr_t(__cdecl*)(void* security, unsigned stackSize,
                                            unsigned(__stdcall* procedure)(void*), void* argument,
                                            unsigned flags, unsigned* threadId);
  ThreadStarter startThread = &::_beginthreadex;

  SyncThread() = default;
  SyncThread(const SyncThread&) = delete;
  SyncThread& operator=(const SyncThread&) = delete;

  // Starts a worker that runs the job with its own roots and force choice.
  // Returns the thread handle, or null when nothing was started: an earlier
  // worker has not returned yet (its handle stays held), or creation failed
  // (and the thread is not running).
  HANDLE Start(SyncJob& job);

  // Starts a worker that does other work for the window (it must not throw),
  // under the same rules.
  HANDLE Start(std::function<void()> work);

  // Waits until the current or last worker has ended, without a time limit,
  // while handling the messages it sends to this thread's windows, so that
  // its synchronous reports cannot dead-lock the wait. Returns at once when
  // no worker was ever started.
  void WaitForWorker();

  // True from a start request until the worker's run has returned.
  bool Running() const { return running; }

 private:
  static unsigned __stdcall ThreadProcedure(void* argument);

  HANDLE Launch();

  SyncJob* job = nullptr;
  std::function<void()> work;  // when set, what the worker does instead of the job's run
  unsigned threadId = 0;
  win32::UniqueHandle threadHandle;
  std::atomic<bool> running{false};
};
