// The Sync command's start sequence, and how each attempt ends.
#include "app/sync_command.h"

#include "app/dialogs.h"
#include "app/log_view.h"
#include "app/program_version.h"
#include "app/progress_display.h"
#include "app/progress_text.h"
#include "app/sync_control.h"
#include "app/window_messages.h"
#include "resource.h"
#include "schedule/task_scheduler.h"
#include "settings/settings_store.h"
#include "sync/failure_reason.h"
#include "sync/paths.h"
#include "sync/run_report.h"
#include "sync/version_files.h"

namespace {

const wchar_t kFoldersNotSet[] = L"You must select a local and remote path in the Settings!";
const wchar_t kRemoteMissing[] = L"The Remote Library Path does not exist!";
const wchar_t kWaitingForRemote[] = L"Waiting for the remote library";
const wchar_t kNoVersionFiles[] =
    L"The remote library has no version files, so this run cannot tell whether the library is current.";
const wchar_t kRemoteNeverAnswered[] = L"no look at the folder had answered when the wait ended";

// In silent mode an error is the final balloon; otherwise a message box.
void ReportError(MainWindowState& state, const wchar_t* text, const wchar_t* caption) {
  if (state.silentMode) {
    state.progressSink->Finished(text, true);
  } else {
    ::MessageBoxW(state.window, text, caption, MB_OK | MB_ICONERROR);
  }
}

// Text the log view shows, line by line into the record too.
void RecordViewText(MainWindowState& state, const std::wstring& text) {
  size_t from = 0;
  while (from < text.size()) {
    const size_t end = text.find(L"\r\n", from);
    if (end == std::wstring::npos) {
      state.record.Line(text.substr(from));
      return;
    }
    state.record.Line(text.substr(from, end - from));
    from = end + 2;
  }
}

void BeginRecord(MainWindowState& state) {
  state.record.Begin(RecordHeader{kProgramVersion, state.remotePath, state.localPath, state.silentMode});
  RecordViewText(state, HeaderText(state.remotePath, state.localPath));
}

// An attempt that ends before any sync: its line, exit code and footer.
void EndAttempt(MainWindowState& state, int exitCode, const std::wstring& line, const FailureReason* reason = nullptr) {
  if (reason)
    state.record.Failure(line, reason->Text());
  else
    state.record.Line(line);
  state.exitCode = exitCode;
  FinishRecord(state, exitCode, RunCounts{});
}

void LogOutdatedVersionFiles(MainWindowState& state, const StringList& names) {
  std::wstring text = L"Outdated Version File(s) detected:\r\n";
  for (const std::wstring& name : names) text += L"  " + name + L"\r\n";
  text += L"\r\n";
  AppendToLog(state.logView, text);
  RecordViewText(state, text);
}

void SetTrayTooltip(MainWindowState& state, const wchar_t* text) {
  NOTIFYICONDATAW& tray = state.trayIcon;
  CopyToField(tray.szTip, text);
  tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  ::Shell_NotifyIconW(NIM_MODIFY, &tray);
  if (state.progressSink) state.progressSink->ForgetShownTooltip();
}

// The version check, its dialog, and the hand-over.
void CheckVersionsThenHandOver(MainWindowState& state) {
  StringList outdated;
  bool force = false;
  VersionCheckTrouble trouble;
  if (!CheckVersionFiles(state.localPath, state.remotePath, &outdated, &trouble)) {
    if (state.silentMode) {
      // A check that could not read a root does not show the library current.
      if (trouble.any)
        EndAttempt(state, kExitNotReached, trouble.what, &trouble.reason);
      else if (trouble.noRemoteVersionFiles)
        EndAttempt(state, kExitLibraryCurrent, std::wstring(kNoVersionFiles) + L" Nothing was synced.");
      else
        EndAttempt(state, kExitLibraryCurrent, L"The version files are already in step; nothing was synced.");
      ::DestroyWindow(state.window);
      return;
    }
    if (trouble.any) state.record.Line(trouble.what, trouble.reason.Text());
    else if (trouble.noRemoteVersionFiles) state.record.Line(kNoVersionFiles);
    const INT_PTR choice = AskVersionFilesInSync(state.window);
    if (choice == IDC_FORCE_COPY_ALL) {
      force = true;
    } else if (choice != IDC_COPY_NEWER) {
      state.record.Discard();  // nothing was run
      return;
    }
  }
  state.record.SetForced(force);
  // The run copies the outdated version files last, once everything else
  // is in place, so that a run cut short leaves the library marked behind.
  if (!outdated.empty()) LogOutdatedVersionFiles(state, outdated);
  HandOverSync(state, force, outdated);
}

// The weekly run brings the task that started it in line with the settings,
// which administrators deploy without anybody pressing OK in the Settings
// dialog. Whatever happens, the run goes on; the record says what was done.
void KeepOwnTaskUpToDate(MainWindowState& state) {
  switch (KeepScheduledTaskUpToDate(GetScheduleRandomDelay())) {
    case TaskUpkeepResult::Updated:
      state.record.Line(L"The scheduled task was brought in line with the settings.");
      return;
    case TaskUpkeepResult::Failed:
      state.record.Line(L"The scheduled task could not be brought in line with the settings; it runs as it did.");
      return;
    case TaskUpkeepResult::Absent:
    case TaskUpkeepResult::UpToDate:
      return;
  }
}

// A silent start looks for the remote library on the worker: a look at an
// absent network path can block for seconds, and the tray must answer.
void WaitForRemoteOnWorker(MainWindowState& state) {
  if (state.worker.Running()) state.worker.WaitForWorker();
  state.job.cancelRequested = false;
  state.job.paused = false;
  const HWND window = state.window;
  const std::wstring remote = state.remotePath;
  const unsigned limit = GetWaitForRemoteSeconds();
  SyncJob& job = state.job;
  state.waitingForRemote = true;
  const bool started = state.worker.Start([window, remote, limit, &job] {
    const RemoteWaitResult result =
        WaitForRemote(remote, limit, job, [window] { ::PostMessageW(window, MSG_REMOTE_WAITING, 0, 0); });
    ::PostMessageW(window, MSG_REMOTE_WAIT_OVER, static_cast<WPARAM>(result.end),
                   static_cast<LPARAM>(result.lastFailure));
  });
  if (!started) {
    // Without a worker the one look is made here.
    const bool present = PathExists(state.remotePath);
    FinishWaitForRemote(state, present ? RemoteWaitEnd::Present : RemoteWaitEnd::TimedOut, platform::LastFailure());
    return;
  }
  state.syncRunning = true;
  ::EnableWindow(state.syncButton, FALSE);
  ::SetWindowTextW(state.closeButton, L"Cancel");
}

}  // namespace

void RunSyncCommand(MainWindowState& state) {
  if (state.localPath.empty() || state.remotePath.empty()) {
    // Also the answer to a click on Pause or Resume; only a start is recorded.
    if (!state.syncRunning) {
      BeginRecord(state);
      EndAttempt(state, kExitNotReached, kFoldersNotSet);
    }
    ReportError(state, kFoldersNotSet, L"Error");
    return;
  }
  const std::wstring caption = WindowText(state.syncButton, 1024);
  if (caption != L"Sync") {
    const SyncButtonAction action = SyncButtonActionFor(caption);
    if (action == SyncButtonAction::None) return;
    ::SetWindowTextW(state.syncButton, CaptionAfter(action).c_str());
    ApplySyncButtonAction(action, state.job);
    // A paused run shows its whole log at once.
    if (state.progressSink) state.progressSink->PaintHeldBack();
    return;
  }
  if (state.syncRunning) return;  // the remote library is still waited for
  ShowHeader(state);
  BeginRecord(state);
  if (state.silentMode) {
    KeepOwnTaskUpToDate(state);
    WaitForRemoteOnWorker(state);
    return;
  }
  if (!PathExists(state.remotePath)) {
    const FailureReason reason = FailureReason::OfLastCall();
    EndAttempt(state, kExitNotReached, kRemoteMissing, &reason);
    ReportError(state, kRemoteMissing, L"Invalid Remote Path");
    return;
  }
  CheckVersionsThenHandOver(state);
}

void ShowWaitingForRemote(MainWindowState& state) {
  AppendToLog(state.logView, std::wstring(kWaitingForRemote) + L"\r\n");
  state.record.Line(kWaitingForRemote);
  SetTrayTooltip(state, kWaitingForRemote);
}

void FinishWaitForRemote(MainWindowState& state, RemoteWaitEnd end, std::uint32_t lastFailure) {
  // The session's end may have taken the wait's end already.
  if (!state.waitingForRemote) return;
  state.waitingForRemote = false;
  state.worker.WaitForWorker();
  // A Cancel pressed while the library appeared still counts.
  if (end == RemoteWaitEnd::Present && state.job.cancelRequested) end = RemoteWaitEnd::Cancelled;
  state.syncRunning = false;
  ::EnableWindow(state.syncButton, TRUE);
  ::SetWindowTextW(state.closeButton, L"Close");
  if (std::wstring(state.trayIcon.szTip) == kWaitingForRemote) SetTrayTooltip(state, L"Shelfmate");
  switch (end) {
    case RemoteWaitEnd::Present:
      CheckVersionsThenHandOver(state);
      return;
    case RemoteWaitEnd::TimedOut: {
      const FailureReason reason = lastFailure != 0 ? FailureReason{lastFailure, {}}
                                                    : FailureReason::Saying(kRemoteNeverAnswered);
      EndAttempt(state, kExitNotReached, kRemoteMissing, &reason);
      ReportError(state, kRemoteMissing, L"Invalid Remote Path");
      return;
    }
    case RemoteWaitEnd::Cancelled:
      state.job.cancelRequested = false;
      AppendToLog(state.logView, L" - Sync Cancelled - \r\n");
      EndAttempt(state, kExitCancelled, L" - Sync Cancelled - ");
      if (state.progressSink) state.progressSink->Finished(L"Sync Canceled", true);
      return;
  }
}

void HandOverSync(MainWindowState& state, bool forceCopyAll, const StringList& outdatedVersionFiles) {
  // A worker that has reported its end may still be finishing that report;
  // let it return first, so the new run is not refused.
  if (state.worker.Running()) state.worker.WaitForWorker();
  ::SetWindowTextW(state.syncButton, L"Pause");
  ::SetWindowTextW(state.closeButton, L"Cancel");
  PrepareJob(state.job, state.remotePath, state.localPath, forceCopyAll, state.progressSink.get());
  state.job.outdatedVersionFiles = outdatedVersionFiles;
  state.job.record = &state.record;
  state.job.retryWaitSeconds = GetRetryWaitSeconds();
  state.job.copyThreads = GetCopyThreads();
  state.syncRunning = true;
  state.runHandedOver = true;
  // Without a worker the run never happens: the window goes back to Idle at
  // once and says so, rather than waiting for an end that cannot come.
  if (!state.worker.Start(state.job)) {
    state.job.outcome = RunOutcome{};
    state.job.outcome.end = RunEnd::BrokeOff;
    if (state.progressSink) state.progressSink->Finished(L"Sync Canceled", true);
  }
}

void FinishRecord(MainWindowState& state, int exitCode, const RunCounts& counts) {
  if (!state.record.Active()) return;
  const RunSummary summary = state.record.Summary(exitCode, counts);
  std::wstring programPath;
  if (!platform::ProgramPath(programPath)) programPath.clear();
  WriteRunEvent(summary, state.record, programPath);
  state.record.End(exitCode, counts);
  state.statusPublisher.Publish(GetStatusFolder(), summary);
}

void RecordRunEnd(MainWindowState& state) {
  if (!state.runHandedOver) return;
  state.runHandedOver = false;
  state.exitCode = ExitCodeFor(state.job.outcome);
  FinishRecord(state, state.exitCode, state.job.outcome.counts);
}

void EndRunForSessionEnd(MainWindowState& state) {
  if (state.syncRunning) RequestCancel(state.job);
  // The worker's reports, its end among them, are handled while this waits.
  state.worker.WaitForWorker();
  if (state.waitingForRemote) FinishWaitForRemote(state, RemoteWaitEnd::Cancelled, 0);
  RecordRunEnd(state);
  // An attempt not handed over yet (a dialog of the window still open).
  if (state.record.Active()) {
    state.exitCode = kExitCancelled;
    FinishRecord(state, state.exitCode, RunCounts{});
  }
}
