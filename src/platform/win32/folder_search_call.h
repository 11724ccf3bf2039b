// The platform call that starts a folder search on Win32, and the way of
// asking for it that this process found to work.
#pragma once

#include <windows.h>

namespace platform {

// FindFirstFileExW's arguments and result.
using FindFirstFileExCall = HANDLE(WINAPI*)(LPCWSTR pattern, FINDEX_INFO_LEVELS level, LPVOID data,
                                            FINDEX_SEARCH_OPS search, LPVOID filter, DWORD flags);

// Puts call in place of FindFirstFileExW (null: the platform's own), and
// forgets which way of asking earlier searches found to work. Tests stand in
// for a Windows that refuses what Windows 7 added. Set while no search runs.
void UseFindFirstFileEx(FindFirstFileExCall call);

}  // namespace platform
