// The main window's small dialogs: close warning, version files in step, About.
#pragma once

#include <windows.h>

// The close warning; OK is the only way out. Stores the "don't show again" choice.
void ShowCloseWarning(HWND owner);

// Asks whether to sync although the version files agree: IDC_COPY_NEWER,
// IDC_FORCE_COPY_ALL, or anything else for Cancel.
INT_PTR AskVersionFilesInSync(HWND owner);

void ShowAbout(HWND owner);
