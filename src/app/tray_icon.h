// The notification-area icon of the main window: its record size, adding and removing it.
#pragma once

#include <windows.h>
#include <shellapi.h>

// The record size the shell understands: the complete record on Vista and
// later, else (Windows XP, or a Shell32 that reports no version) the
// version-3 size.
DWORD ChooseTrayIconSize();

// The program's icon at the tray's size and at the balloon's; the caller owns
// both and keeps them while the tray icon is shown.
struct TrayIcons {
  HICON tray = nullptr;
  HICON balloon = nullptr;
};

// Fills the record (tooltip "Shelfmate", the program's icon, no balloon yet)
// and adds the icon. The balloon's icon goes only into the complete record.
void AddTrayIcon(HWND window, DWORD recordSize, const TrayIcons& icons, NOTIFYICONDATAW& record);

// The record that adds the icon again after Explorer restarted: the live
// record's size, window, id, message, icons and current tooltip, and no
// balloon, whatever the live record's flags last asked for.
NOTIFYICONDATAW RecordForAddingAgain(const NOTIFYICONDATAW& live);

// Adds the icon again with that record.
void AddTrayIconAgain(const NOTIFYICONDATAW& live);

// Removes the icon with a fresh record of the same size.
void RemoveTrayIcon(HWND window, DWORD recordSize);
