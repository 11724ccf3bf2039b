// The tray icon's set-up and removal.
#include "app/tray_icon.h"

#include <shlwapi.h>

#include <cstring>
#include <iterator>

#include "app/progress_text.h"
#include "app/tray_record.h"
#include "app/window_messages.h"
#include "platform/win32/unique_resource.h"

namespace {

constexpr UINT kTrayIconId = 1;

bool IsCompleteRecord(DWORD recordSize) { return recordSize >= sizeof(NOTIFYICONDATAW); }

ShellVersion ReportedShellVersion() {
  ShellVersion reported;
  win32::UniqueModule shell(::LoadLibraryW(L"Shell32.dll"));
  if (!shell) return reported;
  using GetVersion = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
  auto getVersion =
      reinterpret_cast<GetVersion>(reinterpret_cast<void*>(::GetProcAddress(shell.Get(), "DllGetVersion")));
  if (!getVersion) return reported;
  DLLVERSIONINFO version{};
  version.cbSize = sizeof version;
  if (FAILED(getVersion(&version))) return reported;
  reported.major = version.dwMajorVersion;
  reported.minor = version.dwMinorVersion;
  reported.build = version.dwBuildNumber;
  return reported;
}

}  // namespace

DWORD ChooseTrayIconSize() {
  return TrayRecordFor(ReportedShellVersion()) == TrayRecord::Complete ? static_cast<DWORD>(sizeof(NOTIFYICONDATAW))
                                                                       : static_cast<DWORD>(NOTIFYICONDATAW_V3_SIZE);
}

void AddTrayIcon(HWND window, DWORD recordSize, const TrayIcons& icons, NOTIFYICONDATAW& record) {
  std::memset(&record, 0, recordSize);
  record.cbSize = recordSize;
  record.hWnd = window;
  record.uID = kTrayIconId;
  CopyToField(record.szTip, L"Shelfmate");
  record.hIcon = icons.tray;
  if (IsCompleteRecord(recordSize)) record.hBalloonIcon = icons.balloon;
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO;
  record.uCallbackMessage = MSG_TRAY_NOTIFY;
  record.szInfo[0] = L'\0';
  record.szInfoTitle[0] = L'\0';
  record.dwInfoFlags = NIIF_USER | NIIF_LARGE_ICON;
  record.uTimeout = 3000;
  ::Shell_NotifyIconW(NIM_ADD, &record);
}

NOTIFYICONDATAW RecordForAddingAgain(const NOTIFYICONDATAW& live) {
  NOTIFYICONDATAW record;
  std::memset(&record, 0, sizeof record);
  record.cbSize = live.cbSize;
  record.hWnd = live.hWnd;
  record.uID = live.uID;
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.uCallbackMessage = live.uCallbackMessage;
  record.hIcon = live.hIcon;
  std::memcpy(record.szTip, live.szTip, sizeof record.szTip);
  record.szTip[std::size(record.szTip) - 1] = L'\0';
  if (IsCompleteRecord(live.cbSize)) record.hBalloonIcon = live.hBalloonIcon;
  return record;
}

void AddTrayIconAgain(const NOTIFYICONDATAW& live) {
  NOTIFYICONDATAW record = RecordForAddingAgain(live);
  ::Shell_NotifyIconW(NIM_ADD, &record);
}

void RemoveTrayIcon(HWND window, DWORD recordSize) {
  NOTIFYICONDATAW record;
  std::memset(&record, 0, sizeof record);
  record.cbSize = recordSize;
  record.hWnd = window;
  record.uID = kTrayIconId;
  ::Shell_NotifyIconW(NIM_DELETE, &record);
}
