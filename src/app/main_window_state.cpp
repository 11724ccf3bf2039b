// Creating, laying out and tearing down the main window's contents.
#include "app/main_window_state.h"

#include <commctrl.h>
#include <richedit.h>

#include "app/progress_display.h"
#include "app/progress_text.h"
#include "app/sync_command.h"
#include "app/sync_control.h"
#include "app/tray_icon.h"
#include "app/window_geometry.h"
#include "resource.h"
#include "settings/ini_file.h"
#include "settings/settings_store.h"

namespace {

constexpr size_t kFolderCapacity = 260;  // 259 characters and the terminating zero

HWND CreateChild(const wchar_t* windowClass, const wchar_t* text, DWORD style, const ControlPlacement& place,
                 HWND parent, HINSTANCE instance) {
  return ::CreateWindowExW(0, windowClass, text, style, place.x, place.y, place.width, place.height, parent, nullptr,
                           instance, nullptr);
}

// The DPI the system tells this program: the screen's real one, as the
// program declares itself DPI-aware; 96 on systems that know no other.
DisplayScale ScreenScale() {
  const win32::ScreenDC screen;
  return DisplayScale::ForDpi(screen.Get() ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0);
}

// The program's icon at a size the system asks for, owned by the caller.
HICON LoadProgramIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
  return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_SHELFMATE), IMAGE_ICON,
                                         ::GetSystemMetrics(widthMetric), ::GetSystemMetrics(heightMetric),
                                         LR_DEFAULTCOLOR));
}

ControlSize SizeOf(HWND control) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  return {rect.right - rect.left, rect.bottom - rect.top};
}

void Place(HWND control, const ControlPlacement& placement, UINT keep) {
  ::SetWindowPos(control, nullptr, placement.x, placement.y, placement.width, placement.height,
                 keep | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

MainWindowState::MainWindowState() = default;
MainWindowState::~MainWindowState() = default;

void CreateMainWindowContents(MainWindowState& state, HINSTANCE instance) {
  ReloadPaths(state);
  state.scale = ScreenScale();
  const DisplayScale& scale = state.scale;
  state.font.Reset(::CreateFontW(scale.Pixels(kFontHeight), 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                 VARIABLE_PITCH, L"TAHOMA"));
  ::SetWindowPos(state.window, nullptr, 0, 0, scale.Pixels(kMinimumWindowWidth), scale.Pixels(kMinimumWindowHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  state.smallIcon.Reset(LoadProgramIcon(instance, SM_CXSMICON, SM_CYSMICON));
  state.largeIcon.Reset(LoadProgramIcon(instance, SM_CXICON, SM_CYICON));
  ::SendMessageW(state.window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(state.smallIcon.Get()));
  ::SendMessageW(state.window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(state.largeIcon.Get()));
  // Loaded for the rich-edit class; it stays loaded for the process's life.
  ::LoadLibraryW(L"Msftedit.dll");

  const DWORD child = WS_CHILD | WS_VISIBLE;
  const MainWindowLayout created = CreationLayout(scale);
  state.logView = CreateChild(L"RICHEDIT50W", L"",
                              child | WS_VSCROLL | WS_HSCROLL | ES_SUNKEN | ES_READONLY | ES_MULTILINE,
                              created.logView, state.window, instance);
  // The default limit (32,767 characters, some 700 lines) would cut a long
  // run's log short on Windows; 0 here would mean only 64K.
  ::SendMessageW(state.logView, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
  ShowHeader(state);
  state.progressBar =
      CreateChild(PROGRESS_CLASSW, L"ProgressBar", child, created.progressBar, state.window, instance);
  state.syncButton = CreateChild(L"Button", L"Sync", child, created.syncButton, state.window, instance);
  ::SendMessageW(state.syncButton, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(state.smallIcon.Get()));
  state.closeButton = CreateChild(L"Button", L"Close", child, created.closeButton, state.window, instance);
  state.progressSink = std::make_unique<ShelfmateProgressCallBack>(ProgressTargets{
      state.window, state.progressBar, state.syncButton, state.closeButton, state.logView, &state.trayIcon,
      &state.syncRunning, &state.job});

  state.syncRunning = false;
  state.silentMode = false;
  state.trayIconSize = ChooseTrayIconSize();
  AddTrayIcon(state.window, state.trayIconSize, TrayIcons{state.smallIcon.Get(), state.largeIcon.Get()},
              state.trayIcon);

  const WPARAM font = reinterpret_cast<WPARAM>(state.font.Get());
  ::SendMessageW(state.logView, WM_SETFONT, font, FALSE);
  ::SendMessageW(state.syncButton, WM_SETFONT, font, FALSE);
  ::SendMessageW(state.closeButton, WM_SETFONT, font, FALSE);
}

void ReloadPaths(MainWindowState& state) {
  state.remotePath.clear();
  state.localPath.clear();
  std::wstring local;
  if (GetLocalLibraryPath(local, kFolderCapacity)) state.localPath = local;
  std::wstring settingsFile, remote;
  // A stored folder too long for the window's field is not cut: a cut path names another folder.
  if (SettingsFilePath(settingsFile) && ReadIniValue(L"Directories", settingsFile, L"Remote", remote) &&
      remote.size() < kFolderCapacity)
    state.remotePath = remote;
}

void ShowHeader(MainWindowState& state) {
  ::SetWindowTextW(state.logView, HeaderText(state.remotePath, state.localPath).c_str());
}

// A control that could not be created is left out; the others still get
// their places.
void LayoutMainWindow(MainWindowState& state, int width, int height) {
  const bool syncPresent = state.syncButton != nullptr;
  const ControlSize syncSize = syncPresent ? SizeOf(state.syncButton) : ControlSize{};
  const ControlSize closeSize = state.closeButton ? SizeOf(state.closeButton) : ControlSize{};
  const MainWindowLayout layout =
      ComputeMainWindowLayout(width, height, syncSize, closeSize, syncPresent, state.scale);
  if (state.progressBar) Place(state.progressBar, layout.progressBar, SWP_NOMOVE);
  if (state.syncButton) Place(state.syncButton, layout.syncButton, SWP_NOSIZE);
  if (state.closeButton) Place(state.closeButton, layout.closeButton, SWP_NOSIZE);
  if (state.logView) Place(state.logView, layout.logView, SWP_NOMOVE);
}

void TearDownMainWindow(MainWindowState& state) {
  if (state.syncRunning) {
    // Cancel exactly as the Close button would: only a caption "Cancel" asks for it.
    if (CloseButtonActionFor(WindowText(state.closeButton, 256)) == CloseButtonAction::Cancel)
      RequestCancel(state.job);
  }
  state.worker.WaitForWorker();
  // Closed while the remote library was still waited for: that attempt was cancelled.
  if (state.record.Active()) {
    state.exitCode = kExitCancelled;
    FinishRecord(state, state.exitCode, RunCounts{});
  }
  RemoveTrayIcon(state.window, state.trayIconSize);
  // The frame keeps its icons until WM_NCDESTROY and the controls outlive
  // this message: they let go of the font and icons before these are freed.
  for (HWND control : {state.logView, state.syncButton, state.closeButton})
    if (control) ::SendMessageW(control, WM_SETFONT, 0, FALSE);
  if (state.syncButton) ::SendMessageW(state.syncButton, BM_SETIMAGE, IMAGE_ICON, 0);
  ::SendMessageW(state.window, WM_SETICON, ICON_SMALL, 0);
  ::SendMessageW(state.window, WM_SETICON, ICON_BIG, 0);
  state.font.Reset();
  state.smallIcon.Reset();
  state.largeIcon.Reset();
  state.progressSink.reset();
  state.job.progress = nullptr;
}

std::wstring WindowText(HWND window, int capacity) {
  std::wstring text(static_cast<size_t>(capacity), L'\0');
  const int length = ::GetWindowTextW(window, text.data(), capacity);
  text.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return text;
}
