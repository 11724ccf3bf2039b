// The progress display of the main window.
#include "app/progress_display.h"

#include <commctrl.h>

#include "app/log_view.h"
#include "app/progress_text.h"
#include "app/window_messages.h"

ShelfmateProgressCallBack::ShelfmateProgressCallBack(const ProgressTargets& targets) : owner(targets) {
  if (SUCCEEDED(::CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                   taskBar.PutVoid())) &&
      taskBar && SUCCEEDED(taskBar->HrInit())) {
    taskBar->SetProgressState(owner.window, TBPF_NOPROGRESS);
  } else {
    taskBar.Reset();
  }
}

ShelfmateProgressCallBack::~ShelfmateProgressCallBack() = default;

void ShelfmateProgressCallBack::SetProgress(std::int32_t minimum, std::int32_t maximum, std::int32_t position) {
  ProgressReport report;
  report.kind = ProgressReport::Kind::Progress;
  report.minimum = minimum;
  report.maximum = maximum;
  report.position = position;
  Deliver(report);
}

void ShelfmateProgressCallBack::SetBusy(bool busy) {
  ProgressReport report;
  report.kind = ProgressReport::Kind::Busy;
  report.flag = busy;
  Deliver(report);
}

void ShelfmateProgressCallBack::AddMessage(const wchar_t* text) {
  ProgressReport report;
  report.kind = ProgressReport::Kind::Message;
  report.text = text;
  Deliver(report);
}

void ShelfmateProgressCallBack::Finished(const wchar_t* message, bool isError) {
  ProgressReport report;
  report.kind = ProgressReport::Kind::Finished;
  report.text = message;
  report.flag = isError;
  Deliver(report);
}

// On the window thread the window procedure is called directly; from the
// worker the call waits until the window thread has applied the report.
void ShelfmateProgressCallBack::Deliver(const ProgressReport& report) {
  ::SendMessageW(owner.window, MSG_PROGRESS_REPORT, 0, reinterpret_cast<LPARAM>(&report));
}

void ShelfmateProgressCallBack::Apply(const ProgressReport& report) {
  switch (report.kind) {
    case ProgressReport::Kind::Progress:
      ApplyProgress(report.minimum, report.maximum, report.position);
      break;
    case ProgressReport::Kind::Busy:
      ApplyBusy(report.flag);
      break;
    case ProgressReport::Kind::Message:
      ApplyMessage(report.text);
      break;
    case ProgressReport::Kind::Finished:
      ApplyFinished(report.text, report.flag);
      break;
  }
}

void ShelfmateProgressCallBack::SetBarRange(std::int32_t minimum, std::int32_t maximum) {
  if (barRangeSet && minimum == barMinimum && maximum == barMaximum) return;
  // The 32-bit range: a library past 65,535 files must not wrap the bar.
  ::SendMessageW(owner.progressBar, PBM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(maximum));
  barRangeSet = true;
  barMinimum = minimum;
  barMaximum = maximum;
}

// The shell gets the record only when it would change what the shell shows:
// a balloon, or a tooltip other than the one it holds.
void ShelfmateProgressCallBack::SendTrayRecord() {
  NOTIFYICONDATAW& tray = *owner.trayIcon;
  const bool showsBalloon = (tray.uFlags & NIF_INFO) != 0;
  const bool setsTooltip = (tray.uFlags & NIF_TIP) != 0;
  if (!showsBalloon && (!setsTooltip || shownTooltip == tray.szTip)) return;
  ::Shell_NotifyIconW(NIM_MODIFY, &tray);
  if (setsTooltip) shownTooltip = tray.szTip;
}

void ShelfmateProgressCallBack::ApplyProgress(std::int32_t minimum, std::int32_t maximum, std::int32_t position) {
  HoldPainting();
  SetBarRange(minimum, maximum);
  ::SendMessageW(owner.progressBar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  if (taskBar)
    taskBar->SetProgressValue(owner.window, static_cast<ULONGLONG>(static_cast<std::int64_t>(minimum) + position),
                              static_cast<ULONGLONG>(static_cast<std::int64_t>(maximum)));

  NOTIFYICONDATAW& tray = *owner.trayIcon;
  CopyToField(tray.szTip, ProgressTooltip(minimum, maximum, position));
  tray.szInfo[0] = L'\0';
  tray.szInfoTitle[0] = L'\0';
  tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  if (firstReport) {
    // The folder the running job was given: the window's own may have been
    // changed in the Settings since.
    CopyToField(tray.szInfo, StartBalloonText(owner.job->remoteRoot));
    CopyToField(tray.szInfoTitle, L"Shelfmate");
    tray.dwInfoFlags = NIIF_USER | NIIF_LARGE_ICON;
    tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_INFO;
  }
  SendTrayRecord();
  firstReport = false;
}

void ShelfmateProgressCallBack::ApplyBusy(bool busy) {
  // The bar's style is read and written whole, and the marquee must move.
  PaintHeldBack();
  if (busy) {
    const LONG style = ::GetWindowLongW(owner.progressBar, GWL_STYLE);
    ::SetWindowLongW(owner.progressBar, GWL_STYLE, style | PBS_MARQUEE);
    ::SendMessageW(owner.progressBar, PBM_SETMARQUEE, TRUE, 20);
    if (taskBar) taskBar->SetProgressState(owner.window, TBPF_INDETERMINATE);
  } else {
    ::SetWindowLongW(owner.progressBar, GWL_STYLE, WS_CHILD | WS_VISIBLE);
  }
}

// While reports stream in, the log view and the bar take each one at once but
// paint at most every kPaintIntervalMs: painting per file would cost more
// than the file.
void ShelfmateProgressCallBack::HoldPainting() {
  if (paintingHeld) return;
  paintingHeld = true;
  for (HWND control : {owner.logView, owner.progressBar})
    if (control) ::SendMessageW(control, WM_SETREDRAW, FALSE, 0);
  ::SetTimer(owner.window, kPaintTimer, kPaintIntervalMs, nullptr);
}

void ShelfmateProgressCallBack::PaintHeldBack() {
  if (!paintingHeld) return;
  paintingHeld = false;
  ::KillTimer(owner.window, kPaintTimer);
  // Painted here and now: the next report, which holds the painting again,
  // is handled before a queued paint would be, and would drop it.
  for (HWND control : {owner.logView, owner.progressBar}) {
    if (!control) continue;
    ::SendMessageW(control, WM_SETREDRAW, TRUE, 0);
    ::RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW);
  }
}

void ShelfmateProgressCallBack::ApplyMessage(const wchar_t* text) {
  HoldPainting();
  // The view is invalidated when its held painting is let go.
  InsertAtLogEnd(owner.logView, std::wstring(text ? text : L"") + L"\r\n");
}

void ShelfmateProgressCallBack::ApplyFinished(const wchar_t* message, bool isError) {
  ::SetWindowTextW(owner.syncButton, L"Sync");
  NOTIFYICONDATAW& tray = *owner.trayIcon;
  CopyToField(tray.szTip, L"Shelfmate");
  CopyToField(tray.szInfoTitle, L"Shelfmate");
  CopyToField(tray.szInfo, message ? message : L"");
  tray.dwInfoFlags = (isError ? NIIF_ERROR : NIIF_USER) | NIIF_LARGE_ICON;
  tray.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
  SendTrayRecord();
  *owner.syncRunning = false;
  firstReport = true;
  ::SendMessageW(owner.progressBar, PBM_SETPOS, 0, 0);
  ::SendMessageW(owner.closeButton, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Close"));
  if (taskBar) taskBar->SetProgressState(owner.window, TBPF_NOPROGRESS);
  PaintHeldBack();
  ::SendMessageW(owner.window, MSG_FINAL_BALLOON, 0, 0);
}
