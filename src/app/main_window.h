// The main window: its class, its creation and its window procedure.
#pragma once

#include <windows.h>

inline constexpr wchar_t kMainWindowClass[] = L"ShelfmateControl";
inline constexpr wchar_t kMainWindowTitle[] = L"Shelfmate";

// Registers the main window class; false when registration failed.
bool RegisterMainWindowClass(HINSTANCE instance);

// Creates the main window (not yet shown); null when creation failed.
HWND CreateMainWindow(HINSTANCE instance);
