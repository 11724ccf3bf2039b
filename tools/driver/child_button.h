// Finding a window's child control by its caption or its class, for the programs that drive Shelfmate's window.
#pragma once

#include <windows.h>

#include <cwchar>

namespace driver {

struct ButtonSearch {
  const wchar_t* caption;
  HWND found;
};

inline BOOL CALLBACK MatchButtonCaption(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<ButtonSearch*>(data);
  wchar_t text[64] = {};
  ::GetWindowTextW(child, text, 64);
  if (std::wcscmp(text, search->caption) != 0) return TRUE;
  search->found = child;
  return FALSE;
}

// The first child of window whose caption is exactly caption, or null.
inline HWND Button(HWND window, const wchar_t* caption) {
  ButtonSearch search{caption, nullptr};
  ::EnumChildWindows(window, MatchButtonCaption, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct ClassSearch {
  const wchar_t* className;
  HWND found;
};

inline BOOL CALLBACK MatchClass(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<ClassSearch*>(data);
  wchar_t name[64] = {};
  ::GetClassNameW(child, name, 64);
  if (::lstrcmpiW(name, search->className) != 0) return TRUE;
  search->found = child;
  return FALSE;
}

// The first child of the window of this class, in any letter case, or null.
inline HWND ChildOfClass(HWND window, const wchar_t* className) {
  ClassSearch search{className, nullptr};
  ::EnumChildWindows(window, MatchClass, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace driver
