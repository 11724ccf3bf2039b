// The progress display of the main window.
#include "app/progress_display.h"

#include <commctrl.h>

#include <mutex>

#include "app/main_window_state.h"
#include "app/progress_text.h"
#include "app/window_messages.h"

namespace {

// What a MSG_TASKBAR_UPDATE carries in its first parameter.
enum TaskBarUpdate : WPARAM { kTaskBarState = 1, kTaskBarValue = 2 };

struct TaskBarValue {
  ULONGLONG completed;
  ULONGLONG total;
};

}  // namespace

ShelfmateProgressCallBack::ShelfmateProgressCallBack(MainWindowState& owner) : owner(owner) {
  if (SUCCEEDED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                   taskBar.PutVoid())) &&
      taskBar && SUCCEEDED(taskBar->HrInit())) {
    taskBar->SetProgressState(owner.window, TBPF_NOPROGRESS);
  } else {
    taskBar.Reset();
  }
}

ShelfmateProgressCallBack::~ShelfmateProgressCallBack() = default;

void ShelfmateProgressCallBack::SendTaskBarUpdate(WPARAM kind, LPARAM data) {
  if (taskBar) ::SendMessageW(owner.window, MSG_TASKBAR_UPDATE, kind, data);
}

void ShelfmateProgressCallBack::ApplyTaskBarUpdate(WPARAM kind, LPARAM data) {
  if (!taskBar) return;
  if (kind == kTaskBarState) {
    taskBar->SetProgressState(owner.window, static_cast<TBPFLAG>(data));
  } else if (kind == kTaskBarValue) {
    const auto* value = reinterpret_cast<const TaskBarValue*>(data);
    taskBar->SetProgressValue(owner.window, value->completed, value->total);
  }
}

void ShelfmateProgressCallBack::SetProgress(std::int32_t minimum, std::int32_t maximum, std::int32_t position) {
  const WORD low = static_cast<WORD>(minimum), high = static_cast<WORD>(maximum);
  ::SendMessageW(owner.progressBar, PBM_SETRANGE, 0, MAKELPARAM(low, high));
  ::SendMessageW(owner.progressBar, PBM_SETPOS, static_cast<WPARAM>(position), 0);

  TaskBarValue value{static_cast<ULONGLONG>(static_cast<std::int64_t>(minimum) + position),
                     static_cast<ULONGLONG>(static_cast<std::int64_t>(maximum))};
  SendTaskBarUpdate(kTaskBarValue, reinterpret_cast<LPARAM>(&value));

  std::lock_guard guard(owner.trayLock);
  NOTIFYICONDATAW& tray = owner.trayIcon;
  CopyToField(tray.szTip, ProgressTooltip(minimum, maximum, position));
  tray.szInfo[0] = L'\0';
  tray.szInfoTitle[0] = L'\0';
  tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  if (firstReport) {
    CopyToField(tray.szInfo, StartBalloonText(owner.remotePath));
    CopyToField(tray.szInfoTitle, L"Shelfmate");
    tray.dwInfoFlags = NIIF_USER | NIIF_LARGE_ICON;
    tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_INFO;
  }
  ::Shell_NotifyIconW(NIM_MODIFY, &tray);
  firstReport = false;
}

void ShelfmateProgressCallBack::SetBusy(bool busy) {
  if (busy) {
    const LONG style = ::GetWindowLongW(owner.progressBar, GWL_STYLE);
    ::SetWindowLongW(owner.progressBar, GWL_STYLE, style | PBS_MARQUEE);
    ::SendMessageW(owner.progressBar, PBM_SETMARQUEE, TRUE, 20);
    SendTaskBarUpdate(kTaskBarState, TBPF_INDETERMINATE);
  } else {
    ::SetWindowLongW(owner.progressBar, GWL_STYLE, WS_CHILD | WS_VISIBLE);
  }
}

void ShelfmateProgressCallBack::AddMessage(const wchar_t* text) {
  AppendToLog(owner.logView, std::wstring(text ? text : L"") + L"\r\n");
}

void ShelfmateProgressCallBack::Finished(const wchar_t* message, bool isError) {
  ::SetWindowTextW(owner.syncButton, L"Sync");
  {
    std::lock_guard guard(owner.trayLock);
    NOTIFYICONDATAW& tray = owner.trayIcon;
    CopyToField(tray.szTip, L"Shelfmate");
    CopyToField(tray.szInfoTitle, L"Shelfmate");
    CopyToField(tray.szInfo, message ? message : L"");
    tray.dwInfoFlags = (isError ? NIIF_ERROR : NIIF_USER) | NIIF_LARGE_ICON;
    tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
    ::Shell_NotifyIconW(NIM_MODIFY, &tray);
    owner.syncRunning = false;
    firstReport = true;
  }
  ::SendMessageW(owner.progressBar, PBM_SETPOS, 0, 0);
  ::SendMessageW(owner.closeButton, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Close"));
  SendTaskBarUpdate(kTaskBarState, TBPF_NOPROGRESS);
  ::SendMessageW(owner.window, MSG_FINAL_BALLOON, 0, 0);
}
