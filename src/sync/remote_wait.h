// Waiting for a remote library that is not there yet, as a scheduled run
// started before the network is up must.
#pragma once

#include <functional>
#include <string>

#include "sync/sync_job.h"

enum class RemoteWaitEnd { Present, Cancelled, TimedOut };

// How often the remote library is looked for while waited for.
inline constexpr unsigned kRemoteLookSeconds = 5;

// Looks for the folder, and while it is missing, again every 5 seconds of
// the job's clock until limitSeconds have passed. A cancel request of the job
// ends the wait within half a second. onWaiting is called once, when the
// first look finds nothing. The looks may block (an absent network path),
// so this runs off the window thread.
RemoteWaitEnd WaitForRemote(const std::wstring& folder, unsigned limitSeconds, SyncJob& job,
                            const std::function<void()>& onWaiting);
