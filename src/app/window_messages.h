// The main window's private messages.
#pragma once

#include <windows.h>

// Sent by the entry point in silent mode, before the message loop starts.
inline constexpr UINT MSG_SILENT_SYNC = WM_USER + 1;
// The tray icon's callback message; the event is in the second parameter.
inline constexpr UINT MSG_TRAY_NOTIFY = 2341;
// Carries one progress report (a ProgressReport in the second parameter) to
// the window thread, which applies it before the sender goes on.
inline constexpr UINT MSG_PROGRESS_REPORT = WM_APP + 1;
// Ends a silent run whose final balloon never reported its time-out.
inline constexpr UINT_PTR kSilentEndTimer = 1;
// Sent by the progress display when a run (or a silent-mode error) has shown its final balloon.
inline constexpr UINT MSG_FINAL_BALLOON = WM_APP + 2;
// How long a silent run waits for the final balloon's time-out before it ends
// on its own. Windows shows a balloon for the user's notification duration
// (up to some 30 s, longer where accessibility settings ask) before it
// reports the time-out; this is only for a tray that never reports.
inline constexpr UINT kSilentEndDelayMs = 60000;
// Paints the log view and the bar while a run's reports stream in, at most this often.
inline constexpr UINT_PTR kPaintTimer = 2;
inline constexpr UINT kPaintIntervalMs = 100;
// Posted by the worker while a silent start waits for its remote library:
// the first look found nothing.
inline constexpr UINT MSG_REMOTE_WAITING = WM_APP + 3;
// Posted by the worker when that wait is over: how it ended (a RemoteWaitEnd)
// in the first parameter, the error of the last look in the second.
inline constexpr UINT MSG_REMOTE_WAIT_OVER = WM_APP + 4;
