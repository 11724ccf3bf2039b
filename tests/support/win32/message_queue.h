// This test thread's message queue: handling its messages while waiting, and
// dropping quit messages that destroyed main windows leave behind.
#pragma once

#include <windows.h>

#include <functional>

// Handles this thread's messages until the condition holds or the time is up.
inline bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds = 20000) {
  const DWORD start = ::GetTickCount();
  while (!condition()) {
    if (::GetTickCount() - start > milliseconds) return false;
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

inline void PumpFor(DWORD milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

// A destroyed main window posts the quit message; left in the queue, it would
// end the next modal loop of this thread before its dialog is shown.
inline void DropQuitMessages() {
  MSG quit;
  while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}
