// The Settings dialog: both library folders, the installed-library and
// close-warning options, and the weekly scheduled run.
#pragma once

#include <windows.h>

// Modal, owned by the main window; saves only on OK, after both folders were found.
// Returns IDOK or IDCANCEL.
INT_PTR ShowSettingsDialog(HWND owner);
