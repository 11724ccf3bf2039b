// Acting as the Windows tray towards a running Shelfmate. Windows reports a
// balloon's time-out to the program when the balloon has been shown for the
// user's notification time, and a silent run ends on it; Wine's tray never
// reports it, so the programs that start Shelfmate under Wine report it.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include "window_search.h"

namespace driver {

// The main window's tray callback message and its icon's id.
inline constexpr UINT kTrayNotify = 2341;
inline constexpr UINT kTrayIconId = 1;

// What the tray sends when the window's balloon has timed out. Before a run
// has ended it changes nothing.
inline void ReportBalloonTimeOut(HWND window) {
  ::PostMessageW(window, kTrayNotify, kTrayIconId, NIN_BALLOONTIMEOUT);
}

// Waits up to milliseconds for the process to end, reporting a balloon
// time-out to its main window every 50 ms meanwhile. True when it ended.
inline bool WaitReportingTimeOuts(HANDLE process, DWORD processId, DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  while (::WaitForSingleObject(process, 50) == WAIT_TIMEOUT) {
    if (::GetTickCount() - start > milliseconds) return false;
    if (HWND window = MainWindowOf(processId)) ReportBalloonTimeOut(window);
  }
  return true;
}

}  // namespace driver
