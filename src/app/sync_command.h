// The Sync command: the checks and the version-file step before a sync is
// handed to the worker, the hand-over itself, and the end of each attempt
// in the run's record and the exit code.
#pragma once

#include <cstdint>

#include "app/main_window_state.h"
#include "sync/paths.h"
#include "sync/remote_wait.h"

// Behind the Sync button and the silent start. While a sync runs the same
// button pauses and resumes it. A silent start whose remote library is not
// there yet waits for it on the worker first.
void RunSyncCommand(MainWindowState& state);

// Hands a checked sync to the worker thread, with the names of the version
// files found outdated, which the run copies last.
void HandOverSync(MainWindowState& state, bool forceCopyAll, const StringList& outdatedVersionFiles);

// The worker's first look found no remote library: the window says it waits.
void ShowWaitingForRemote(MainWindowState& state);

// The wait for the remote library is over: the sync goes on, or ends.
void FinishWaitForRemote(MainWindowState& state, RemoteWaitEnd end, std::uint32_t lastFailure);

// Every attempt ends here: its event in the Application log, its record's
// footer, and this machine's status file, which is written off the window
// thread. An attempt without an active record has ended already.
void FinishRecord(MainWindowState& state, int exitCode, const RunCounts& counts);

// A sync handed to the worker has reported its end: its outcome becomes the
// exit code and the footer of its record.
void RecordRunEnd(MainWindowState& state);

// The user's session ends: a sync, or the wait for its remote library, is
// cancelled, its replaced files are put back, and its record is finished
// before this returns, since the process may be ended right after.
void EndRunForSessionEnd(MainWindowState& state);
