// The wait for the remote library.
#include "sync/remote_wait.h"

#include <algorithm>
#include <chrono>

RemoteWaitEnd WaitForRemote(const std::wstring& folder, unsigned limitSeconds, SyncJob& job,
                            const std::function<void()>& onWaiting) {
  constexpr auto step = std::chrono::milliseconds(500);
  const auto limit = std::chrono::milliseconds(1000) * limitSeconds;
  std::chrono::milliseconds waited(0);
  for (bool first = true;; first = false) {
    if (job.cancelRequested) return RemoteWaitEnd::Cancelled;
    if (PathExists(folder)) return RemoteWaitEnd::Present;
    if (first && onWaiting) onWaiting();
    if (waited >= limit) return RemoteWaitEnd::TimedOut;
    const auto nextLook = std::min(limit, waited + std::chrono::milliseconds(1000) * kRemoteLookSeconds);
    while (waited < nextLook) {
      if (job.cancelRequested) return RemoteWaitEnd::Cancelled;
      const auto slice = std::min<std::chrono::milliseconds>(step, nextLook - waited);
      job.sleep(slice);
      waited += slice;
    }
  }
}
