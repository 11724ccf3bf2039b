// Finding a window's child control by its caption or its class, for the programs that drive Shelfmate's window.
#pragma once

#include <windows.h>

#include <cwchar>

namespace driver {

using ChildTest = bool (*)(HWND child, const wchar_t* text);

struct ChildSearch {
  const wchar_t* text;
  ChildTest matches;
  HWND found;
};

inline BOOL CALLBACK MatchChild(HWND child, LPARAM data) {
  auto* search = reinterpret_cast<ChildSearch*>(data);
  if (!search->matches(child, search->text)) return TRUE;
  search->found = child;
  return FALSE;
}

// The first child of window that passes the test with text, or null.
inline HWND FirstChild(HWND window, const wchar_t* text, ChildTest matches) {
  ChildSearch search{text, matches, nullptr};
  ::EnumChildWindows(window, MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline bool HasCaption(HWND child, const wchar_t* caption) {
  wchar_t text[64] = {};
  ::GetWindowTextW(child, text, 64);
  return std::wcscmp(text, caption) == 0;
}

inline bool HasClass(HWND child, const wchar_t* className) {
  wchar_t name[64] = {};
  ::GetClassNameW(child, name, 64);
  return ::lstrcmpiW(name, className) == 0;
}

// The first child of window whose caption is exactly caption, or null.
inline HWND Button(HWND window, const wchar_t* caption) { return FirstChild(window, caption, HasCaption); }

// The first child of window of this class, in any letter case, or null.
inline HWND ChildOfClass(HWND window, const wchar_t* className) { return FirstChild(window, className, HasClass); }

}  // namespace driver
