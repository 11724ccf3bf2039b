// The notification-area icon of the main window: its record size, adding and removing it.
#pragma once

#include <windows.h>
#include <shellapi.h>

// The record size the shell understands: the complete record on Vista and
// later, else (Windows XP, or a Shell32 that reports no version) the
// version-3 size.
DWORD ChooseTrayIconSize();

// Fills the record (tooltip "Shelfmate", icon 107, no balloon yet) and adds the icon.
void AddTrayIcon(HINSTANCE instance, HWND window, DWORD recordSize, NOTIFYICONDATAW& record);

// The record that adds the icon again after Explorer restarted: the live
// record's size, window, id, message, icons and current tooltip, and no
// balloon, whatever the live record's flags last asked for.
NOTIFYICONDATAW RecordForAddingAgain(const NOTIFYICONDATAW& live);

// Adds the icon again with that record.
void AddTrayIconAgain(const NOTIFYICONDATAW& live);

// Removes the icon with a fresh record of the same size.
void RemoveTrayIcon(HWND window, DWORD recordSize);
