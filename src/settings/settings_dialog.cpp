// The Settings dialog's procedure.
#include "settings/settings_dialog.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>

#include "resource.h"
#include "schedule/task_scheduler.h"
#include "settings/folder_picker.h"
#include "settings/settings_store.h"
#include "sync/paths.h"

namespace {

constexpr size_t kLoadCapacity = 1024;
constexpr size_t kFolderCapacity = 260;  // 259 characters and the terminating zero

// The wait cursor for the length of one piece of work.
class WaitCursor {
 public:
  WaitCursor() { ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT)); }
  ~WaitCursor() { Restore(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  void Restore() {
    if (active) ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
    active = false;
  }

 private:
  bool active = true;
};

std::wstring ControlText(HWND dialog, int id) {
  const HWND control = ::GetDlgItem(dialog, id);
  const int length = ::GetWindowTextLengthW(control);
  std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
  const int read = ::GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
  text.resize(read > 0 ? static_cast<size_t>(read) : 0);
  return text;
}

bool IsChecked(HWND dialog, int id) { return ::IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// A folder the window's 259-character fields cannot hold counts as missing:
// cut, it would name another folder.
bool UsableFolder(const std::wstring& text) { return text.size() < kFolderCapacity && PathExists(text); }

void OnInitDialog(HWND dialog) {
  ::SetDlgItemTextW(dialog, IDC_LOCAL_PATH, L"<Please Select a local location>");
  ::SetDlgItemTextW(dialog, IDC_REMOTE_PATH, L"<Please Select a network location>");
  std::wstring text;
  if (GetLocalLibraryPath(text, kLoadCapacity)) ::SetDlgItemTextW(dialog, IDC_LOCAL_PATH, text.c_str());
  if (GetRemoteLibraryPath(text, kLoadCapacity)) ::SetDlgItemTextW(dialog, IDC_REMOTE_PATH, text.c_str());
  bool useInstalled = false;
  GetUseInstalledLibrary(useInstalled);
  ::CheckDlgButton(dialog, IDC_USE_INSTALLED, useInstalled ? BST_CHECKED : BST_UNCHECKED);
  ::EnableWindow(::GetDlgItem(dialog, IDC_LOCAL_PATH), useInstalled ? FALSE : TRUE);
  bool warn = false;
  GetShowCloseWarning(warn);
  ::CheckDlgButton(dialog, IDC_SHOW_CLOSE_WARNING, warn ? BST_CHECKED : BST_UNCHECKED);
  ::CheckDlgButton(dialog, IDC_RUN_ON_SCHEDULE, ScheduledTaskExists() ? BST_CHECKED : BST_UNCHECKED);
}

void OnOk(HWND dialog) {
  WaitCursor cursor;
  const std::wstring local = ControlText(dialog, IDC_LOCAL_PATH);
  const std::wstring remote = ControlText(dialog, IDC_REMOTE_PATH);
  std::wstring error;
  if (!UsableFolder(local)) error = L"The Local Library Path does not exist!";
  if (!UsableFolder(remote)) {
    if (!error.empty()) error += L"\n";
    error += L"The Remote Library Path does not exist!";
  }
  if (!error.empty()) {
    cursor.Restore();
    ::MessageBoxW(dialog, error.c_str(), L"Paths Must Exist", MB_OK | MB_ICONERROR);
    return;
  }
  // Every setter runs; a failed one must not pass for a saved setting.
  bool saved = SetLocalLibraryPath(local);
  saved = SetRemoteLibraryPath(remote) && saved;
  saved = SetUseInstalledLibrary(IsChecked(dialog, IDC_USE_INSTALLED)) && saved;
  saved = SetShowCloseWarning(IsChecked(dialog, IDC_SHOW_CLOSE_WARNING)) && saved;
  // A task an earlier version registered still refuses to start on battery,
  // or has another delay than the settings ask for; an absent one stays
  // absent. When it cannot be brought up to date it runs as it did, and the
  // user could do nothing about a message, so none is shown; the next OK,
  // and the next weekly run, try again.
  if (IsChecked(dialog, IDC_RUN_ON_SCHEDULE)) KeepScheduledTaskUpToDate(GetScheduleRandomDelay());
  cursor.Restore();
  if (!saved) {
    ::MessageBoxW(dialog, L"The settings could not be saved!", L"Error", MB_OK | MB_ICONERROR);
    return;
  }
  ::EndDialog(dialog, IDOK);
}

void OnBrowse(HWND dialog, int edit, const wchar_t* title) {
  std::wstring folder;
  if (BrowseForFolder(dialog, title, folder)) ::SetDlgItemTextW(dialog, edit, folder.c_str());
}

void OnUseInstalled(HWND dialog) {
  std::wstring folder;
  if (IsChecked(dialog, IDC_USE_INSTALLED)) {
    if (ReadInstalledLibraryPath(folder, kFolderCapacity)) ::SetDlgItemTextW(dialog, IDC_LOCAL_PATH, folder.c_str());
    ::EnableWindow(::GetDlgItem(dialog, IDC_LOCAL_PATH), FALSE);
  } else {
    if (GetLocalLibraryPath(folder, kFolderCapacity)) ::SetDlgItemTextW(dialog, IDC_LOCAL_PATH, folder.c_str());
    ::EnableWindow(::GetDlgItem(dialog, IDC_LOCAL_PATH), TRUE);
  }
}

void OnRunOnSchedule(HWND dialog) {
  WaitCursor cursor;
  if (IsChecked(dialog, IDC_RUN_ON_SCHEDULE)) {
    if (!ScheduledTaskExists() && !CreateScheduledTask(GetScheduleRandomDelay().minutes))
      ::MessageBoxW(dialog, L"Failed to create the task!", L"Failed", MB_OK | MB_ICONERROR);
  } else {
    DeleteScheduledTask();
  }
}

void OpenSchedulerConsole() {
  const auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(nullptr, L"open", L"control", L"schedtasks", nullptr, SW_SHOWDEFAULT));
  if (result > 32) return;
  ::MessageBoxW(nullptr, L"Failed to open Task Scheduler\nGo to Start->Run then type \"control schedtasks\"",
                L"Task Scheduler", MB_OK);
}

INT_PTR OnNotify(const NMHDR& header, LPARAM lParam) {
  if (header.idFrom != IDC_SCHEDULE_LINK) return FALSE;
  if (header.code != static_cast<UINT>(NM_CLICK) && header.code != static_cast<UINT>(NM_RETURN)) return FALSE;
  const auto* link = reinterpret_cast<const NMLINK*>(lParam);
  if (std::wstring(link->item.szUrl) == L"task") OpenSchedulerConsole();
  return TRUE;
}

INT_PTR CALLBACK SettingsProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    switch (message) {
      case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
      case WM_COMMAND:
        if (lParam == 0) return FALSE;
        switch (LOWORD(wParam)) {
          case IDOK:
            OnOk(dialog);
            return TRUE;
          case IDCANCEL:
            ::EndDialog(dialog, IDCANCEL);
            return TRUE;
          case IDC_BROWSE_LOCAL:
            OnBrowse(dialog, IDC_LOCAL_PATH, L"Select a Local Path to which to Sync");
            return TRUE;
          case IDC_BROWSE_REMOTE:
            OnBrowse(dialog, IDC_REMOTE_PATH, L"Select the Library from which to Sync");
            return TRUE;
          case IDC_USE_INSTALLED:
            OnUseInstalled(dialog);
            return TRUE;
          case IDC_RUN_ON_SCHEDULE:
            OnRunOnSchedule(dialog);
            return TRUE;
          default:
            return FALSE;
        }
      case WM_NOTIFY:
        return OnNotify(*reinterpret_cast<const NMHDR*>(lParam), lParam);
      default:
        return FALSE;
    }
  } catch (...) {
    // Nothing may unwind into the dialog manager.
    return FALSE;
  }
}

}  // namespace

INT_PTR ShowSettingsDialog(HWND owner) {
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SETTINGS), owner, SettingsProcedure, 0);
}
