// Finding Shelfmate's windows, for the programs that drive it: a top-level
// window of a process, or a child control, by its caption or its class.
#pragma once

#include <windows.h>

#include <cwchar>

namespace driver {

using WindowTest = bool (*)(HWND window, const wchar_t* text);

inline bool HasCaption(HWND window, const wchar_t* caption) {
  wchar_t text[128] = {};
  ::GetWindowTextW(window, text, 128);
  return std::wcscmp(text, caption) == 0;
}

inline bool HasClass(HWND window, const wchar_t* className) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return ::lstrcmpiW(name, className) == 0;
}

inline bool IsShownWithCaption(HWND window, const wchar_t* caption) {
  return ::IsWindowVisible(window) && HasCaption(window, caption);
}

struct WindowSearch {
  const wchar_t* text;
  WindowTest matches;
  DWORD processId;  // 0: any process (children)
  HWND found;
};

inline BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<WindowSearch*>(data);
  if (search->processId != 0) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId) return TRUE;
  }
  if (!search->matches(window, search->text)) return TRUE;
  search->found = window;
  return FALSE;
}

// The first top-level window of the process that passes the test with text, or null.
inline HWND FirstWindowOf(DWORD processId, const wchar_t* text, WindowTest matches) {
  WindowSearch search{text, matches, processId, nullptr};
  ::EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The first child of window that passes the test with text, or null.
inline HWND FirstChild(HWND window, const wchar_t* text, WindowTest matches) {
  WindowSearch search{text, matches, 0, nullptr};
  ::EnumChildWindows(window, MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The first child of window whose caption is exactly caption, or null.
inline HWND Button(HWND window, const wchar_t* caption) { return FirstChild(window, caption, HasCaption); }

// The first child of window of this class, in any letter case, or null.
inline HWND ChildOfClass(HWND window, const wchar_t* className) { return FirstChild(window, className, HasClass); }

// The process's main window, shown or hidden, or null while it has none.
inline HWND MainWindowOf(DWORD processId) { return FirstWindowOf(processId, L"ShelfmateControl", HasClass); }

// The process's shown top-level window with exactly this caption, or null.
inline HWND ShownWindowOf(DWORD processId, const wchar_t* caption) {
  return FirstWindowOf(processId, caption, IsShownWithCaption);
}

}  // namespace driver
