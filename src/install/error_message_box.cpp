// The install mode's error as a modal Windows message box.
#include <windows.h>

#include "install/windowless_modes.h"

namespace {

void ShowErrorMessageBox(const std::wstring& text, const std::wstring& caption) {
  ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_ICONERROR | MB_OK);
}

}  // namespace

int RunLibraryInstallMode() { return RunLibraryInstallMode(ShowErrorMessageBox); }
