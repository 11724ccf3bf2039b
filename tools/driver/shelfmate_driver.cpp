// Drives a running Shelfmate window from outside, as a user would: press
// Sync, answer the question that may follow, wait for the end, or close it.
//   shelfmate_driver sync-newer | close
#include <windows.h>

#include <cwchar>

namespace {

HWND WaitForWindow(const wchar_t* windowClass, const wchar_t* title, DWORD milliseconds) {
  for (DWORD waited = 0; waited < milliseconds; waited += 100) {
    if (HWND window = ::FindWindowW(windowClass, title)) return window;
    ::Sleep(100);
  }
  return nullptr;
}

struct ButtonSearch {
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK FindButton(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<ButtonSearch*>(data);
  wchar_t text[64] = {};
  ::GetWindowTextW(child, text, 64);
  if (std::wcscmp(text, search->caption) == 0) {
    search->found = child;
    return FALSE;
  }
  return TRUE;
}

HWND Button(HWND window, const wchar_t* caption) {
  ButtonSearch search{caption, nullptr};
  ::EnumChildWindows(window, FindButton, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

int SyncNewer() {
  HWND window = WaitForWindow(L"ShelfmateControl", L"Shelfmate", 30000);
  if (!window) return 2;
  ::Sleep(1000);
  HWND sync = Button(window, L"Sync");
  if (!sync) return 3;
  ::PostMessageW(sync, BM_CLICK, 0, 0);
  // The version files agree after the silent run, so the window asks first.
  if (HWND question = WaitForWindow(nullptr, L"Version Files Already in Sync", 10000)) {
    ::Sleep(500);
    ::PostMessageW(question, WM_COMMAND, MAKEWPARAM(1012, BN_CLICKED), 0);
  }
  // The run is over when the Close button reads "Close" again.
  for (int i = 0; i < 600; ++i) {
    ::Sleep(100);
    if (i > 10 && Button(window, L"Close") && Button(window, L"Sync")) break;
  }
  ::Sleep(1500);
  return 0;
}

int Close() {
  HWND window = ::FindWindowW(L"ShelfmateControl", L"Shelfmate");
  if (!window) return 0;
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 1;
  if (std::wcscmp(argv[1], L"sync-newer") == 0) return SyncNewer();
  if (std::wcscmp(argv[1], L"close") == 0) return Close();
  return 1;
}
