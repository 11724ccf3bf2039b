// The Sync command's start sequence.
#include "app/sync_command.h"

#include "app/dialogs.h"
#include "app/progress_display.h"
#include "app/sync_control.h"
#include "resource.h"
#include "sync/paths.h"
#include "sync/version_files.h"

namespace {

// In silent mode an error is the final balloon; otherwise a message box.
void ReportError(MainWindowState& state, const wchar_t* text, const wchar_t* caption) {
  if (state.silentMode) {
    state.progressSink->Finished(text, true);
  } else {
    ::MessageBoxW(state.window, text, caption, MB_OK | MB_ICONERROR);
  }
}

void LogOutdatedVersionFiles(MainWindowState& state, const StringList& names) {
  std::wstring text = L"Outdated Version File(s) detected:\r\n";
  for (const std::wstring& name : names) text += L"  " + name + L"\r\n";
  text += L"\r\n";
  AppendToLog(state.logView, text);
}

}  // namespace

void RunSyncCommand(MainWindowState& state) {
  if (state.localPath.empty() || state.remotePath.empty()) {
    ReportError(state, L"You must select a local and remote path in the Settings!", L"Error");
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
  ShowHeader(state);
  if (!PathExists(state.remotePath)) {
    ReportError(state, L"The Remote Library Path does not exist!", L"Invalid Remote Path");
    return;
  }

  StringList outdated;
  bool force = false;
  if (!CheckVersionFiles(state.localPath, state.remotePath, &outdated)) {
    if (state.silentMode) {
      ::DestroyWindow(state.window);
      return;
    }
    const INT_PTR choice = AskVersionFilesInSync(state.window);
    if (choice == IDC_FORCE_COPY_ALL)
      force = true;
    else if (choice != IDC_COPY_NEWER)
      return;
  }
  // The run copies the outdated version files last, once everything else
  // is in place, so that a run cut short leaves the library marked behind.
  if (!outdated.empty()) LogOutdatedVersionFiles(state, outdated);
  HandOverSync(state, force, outdated);
}

void HandOverSync(MainWindowState& state, bool forceCopyAll, const StringList& outdatedVersionFiles) {
  // A worker that has reported its end may still be finishing that report;
  // let it return first, so the new run is not refused.
  if (state.worker.Running()) state.worker.WaitForWorker();
  ::SetWindowTextW(state.syncButton, L"Pause");
  ::SetWindowTextW(state.closeButton, L"Cancel");
  PrepareJob(state.job, state.remotePath, state.localPath, forceCopyAll, state.progressSink.get());
  state.job.outdatedVersionFiles = outdatedVersionFiles;
  state.syncRunning = true;
  // Without a worker the run never happens: the window goes back to Idle at
  // once and says so, rather than waiting for an end that cannot come.
  if (!state.worker.Start(state.job) && state.progressSink) state.progressSink->Finished(L"Sync Canceled", true);
}
