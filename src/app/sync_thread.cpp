// Starting, running and waiting for the sync worker thread.
#include "app/sync_thread.h"

HANDLE SyncThread::Start(SyncJob& startJob) {
  if (running) return nullptr;
  job = &startJob;
  work = nullptr;
  return Launch();
}

HANDLE SyncThread::Start(std::function<void()> startWork) {
  if (running) return nullptr;
  work = std::move(startWork);
  return Launch();
}

HANDLE SyncThread::Launch() {
  threadHandle.Reset();
  running = true;
  const uintptr_t created = startThread(nullptr, 0, &SyncThread::ThreadProcedure, this, 0, &threadId);
  if (created == 0) {
    running = false;
    return nullptr;
  }
  threadHandle.Reset(reinterpret_cast<HANDLE>(created));
  return threadHandle.Get();
}

void SyncThread::WaitForWorker() {
  if (!threadHandle) return;
  const HANDLE handle = threadHandle.Get();
  for (;;) {
    const DWORD woke = ::MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE);
    if (woke != WAIT_OBJECT_0 + 1) return;  // the worker ended (or the wait failed)
    // Peeking delivers the messages other threads are sending to this one.
    MSG message;
    ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

unsigned __stdcall SyncThread::ThreadProcedure(void* argument) {
  auto* self = static_cast<SyncThread*>(argument);
  if (self == nullptr) return 0;
  if (self->work) {
    try {
      self->work();
    } catch (...) {
      // Nothing may leave the thread.
    }
    self->running = false;
    return 0;
  }
  SyncJob& job = *self->job;
  try {
    job.Run(job.remoteRoot, job.localRoot, job.forceCopyAll);
  } catch (...) {
    // No exception may leave the thread. A run that broke off must still end
    // the window's Running state, and it must not look like success.
    job.outcome = RunOutcome{};
    job.outcome.end = RunEnd::BrokeOff;
    if (job.progress) job.progress->Finished(L"Sync Canceled", true);
  }
  self->running = false;
  return 0;
}
