// The Sync command: the checks and the version-file step before a sync is
// handed to the worker, and the hand-over itself.
#pragma once

#include "app/main_window_state.h"
#include "sync/paths.h"

// Behind the Sync button and the silent start. While a sync runs the same
// button pauses and resumes it.
void RunSyncCommand(MainWindowState& state);

// Hands a checked sync to the worker thread, with the names of the version
// files found outdated, which the run copies last.
void HandOverSync(MainWindowState& state, bool forceCopyAll, const StringList& outdatedVersionFiles);
