// Waiting for a remote library that is not there yet, as a scheduled run
// started before the network is up must.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "sync/sync_job.h"

enum class RemoteWaitEnd { Present, Cancelled, TimedOut };

struct RemoteWaitResult {
  RemoteWaitEnd end = RemoteWaitEnd::TimedOut;
  std::uint32_t lastFailure = 0;  // the error of the last look that answered; 0 when none did
};

// How often the remote library is looked for while waited for.
inline constexpr unsigned kRemoteLookSeconds = 5;

// The monotonic clock the wait keeps its limit by.
using MonotonicNow = std::function<std::chrono::steady_clock::time_point()>;

// Looks for the folder, and while it is missing, again 5 seconds after each
// look's answer, until limitSeconds have passed since the wait began by the
// clock `now`, also when a look is still blocked then (an absent network
// path can block a look for most of a minute). Each look runs on a thread of
// its own, which is left to end by itself when the wait ends first; its
// answer is then ignored. A limit of 0 waits for the one look's answer. A
// cancel request of the job ends the wait within half a second, whatever a
// look is doing. The pauses between looks are slept with the job's sleep.
// onWaiting is called once, on the calling thread, when the first look finds
// nothing or has not answered within half a second.
RemoteWaitResult WaitForRemote(const std::wstring& folder, unsigned limitSeconds, SyncJob& job,
                               const std::function<void()>& onWaiting,
                               const MonotonicNow& now = &std::chrono::steady_clock::now);
