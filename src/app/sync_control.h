// What the window's two buttons do to a running sync, decided by their captions,
// and the hand-over of a new sync to the job.
#pragma once

#include <string>

#include "app/progress_callback.h"
#include "sync/sync_job.h"

enum class SyncButtonAction { None, Pause, Resume };
enum class CloseButtonAction { None, CloseWindow, Cancel };

// The Sync button while a sync runs: "Pause" pauses, "Resume" resumes.
SyncButtonAction SyncButtonActionFor(const std::wstring& caption);
// The caption the Sync button takes for that action (empty for None).
std::wstring CaptionAfter(SyncButtonAction action);
// Pause logs " - Sync Paused - " and sets the flag; Resume clears it.
void ApplySyncButtonAction(SyncButtonAction action, SyncJob& job);

// The Close button: "" does nothing, "Close" closes the window, anything else cancels.
CloseButtonAction CloseButtonActionFor(const std::wstring& caption);
// Asks the run to stop and restore; a paused run is woken, and its bar shows empty.
void RequestCancel(SyncJob& job);

// Gives the job what one run needs. Requests left over from the previous run
// (a Pause or Cancel that came after its last check) are dropped, so they do
// not pause or cancel the new run at once.
void PrepareJob(SyncJob& job, const std::wstring& remote, const std::wstring& local, bool force,
                Korvane::AProgressCallBack* progress);
