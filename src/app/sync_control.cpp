// Pause, resume, cancel and the hand-over of a sync to its job.
#include "app/sync_control.h"

#include "sync/run_record.h"

SyncButtonAction SyncButtonActionFor(const std::wstring& caption) {
  if (caption == L"Pause") return SyncButtonAction::Pause;
  if (caption == L"Resume") return SyncButtonAction::Resume;
  return SyncButtonAction::None;
}

std::wstring CaptionAfter(SyncButtonAction action) {
  switch (action) {
    case SyncButtonAction::Pause:
      return L"Resume";
    case SyncButtonAction::Resume:
      return L"Pause";
    case SyncButtonAction::None:
      break;
  }
  return L"";
}

void ApplySyncButtonAction(SyncButtonAction action, SyncJob& job) {
  if (action == SyncButtonAction::Pause) {
    if (job.progress) job.progress->AddMessage(L" - Sync Paused - ");
    if (job.record) job.record->Line(L" - Sync Paused - ");
    job.paused = true;
  } else if (action == SyncButtonAction::Resume) {
    job.paused = false;
  }
}

CloseButtonAction CloseButtonActionFor(const std::wstring& caption) {
  if (caption.empty()) return CloseButtonAction::None;
  if (caption == L"Close") return CloseButtonAction::CloseWindow;
  return CloseButtonAction::Cancel;
}

void RequestCancel(SyncJob& job) {
  job.cancelRequested = true;
  job.restoreOnCancel = true;
  if (job.paused) {
    job.paused = false;
    if (job.progress) job.progress->SetProgress(0, 100, 0);
  }
}

void PrepareJob(SyncJob& job, const std::wstring& remote, const std::wstring& local, bool force,
                Korvane::AProgressCallBack* progress) {
  job.progress = progress;
  job.SetRoots(remote, local);
  job.forceCopyAll = force;
  job.paused = false;
  job.cancelRequested = false;
}
