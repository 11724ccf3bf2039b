// The folder picker: the file-open dialog in folder mode, or the legacy shell browser before Vista.
#pragma once

#include <windows.h>

#include <string>

// True with the chosen folder's file-system path; false when the user
// cancelled, the picker could not be shown, or the path does not fit 259 characters.
bool BrowseForFolder(HWND owner, const wchar_t* title, std::wstring& folder);
