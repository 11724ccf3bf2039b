// Dialog procedures of the close warning, the version question and the About box.
#include "app/dialogs.h"

#include "resource.h"
#include "settings/ini_file.h"
#include "settings/settings_store.h"

namespace {

HINSTANCE ProgramModule() { return ::GetModuleHandleW(nullptr); }

INT_PTR CALLBACK CloseWarningProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return FALSE;
  if (LOWORD(wParam) == IDOK) {
    if (::IsDlgButtonChecked(dialog, IDC_DONT_WARN_AGAIN) == BST_CHECKED) {
      std::wstring settingsFile;
      if (SettingsFilePath(settingsFile)) WriteIniValue(L"Settings", settingsFile, L"Show Close Warning", L"0");
    } else {
      SetShowCloseWarning(true);
    }
    ::EndDialog(dialog, IDOK);
  }
  // Esc and the close box are taken but leave the warning open.
  return TRUE;
}

INT_PTR CALLBACK VersionFilesInSyncProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return FALSE;
  ::EndDialog(dialog, LOWORD(wParam));
  return TRUE;
}

INT_PTR CALLBACK AboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      ::SetWindowTextA(::GetDlgItem(dialog, IDC_ABOUT_VERSION), "Version: 1.2.2.0");
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        ::EndDialog(dialog, LOWORD(wParam));
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void ShowCloseWarning(HWND owner) {
  ::DialogBoxParamW(ProgramModule(), MAKEINTRESOURCEW(IDD_WARNING), owner, CloseWarningProcedure, 0);
}

INT_PTR AskVersionFilesInSync(HWND owner) {
  return ::DialogBoxParamW(ProgramModule(), MAKEINTRESOURCEW(IDD_VERSION_IN_SYNC), owner,
                           VersionFilesInSyncProcedure, 0);
}

void ShowAbout(HWND owner) {
  ::DialogBoxParamW(ProgramModule(), MAKEINTRESOURCEW(IDD_ABOUTBOX), owner, AboutProcedure, 0);
}
