// The log view's end.
#include "app/log_view.h"

#include <richedit.h>

void InsertAtLogEnd(HWND logView, const std::wstring& text) {
  const LRESULT end = ::SendMessageW(logView, WM_GETTEXTLENGTH, 0, 0);
  ::SendMessageW(logView, EM_SETSEL, static_cast<WPARAM>(end), end);
  ::SendMessageW(logView, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void AppendToLog(HWND logView, const std::wstring& text) {
  InsertAtLogEnd(logView, text);
  ::RedrawWindow(logView, nullptr, nullptr, RDW_INVALIDATE);
}
