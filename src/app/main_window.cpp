// The main window's class, creation and window procedure.
#include "app/main_window.h"

#include <windowsx.h>
#include <shellapi.h>

#include <memory>

#include "app/dialogs.h"
#include "app/main_window_state.h"
#include "app/progress_display.h"
#include "app/sync_command.h"
#include "app/sync_control.h"
#include "app/tray_icon.h"
#include "app/window_geometry.h"
#include "app/window_messages.h"
#include "resource.h"
#include "settings/settings_dialog.h"
#include "settings/settings_store.h"
#include "sync/paths.h"
#include "sync/record_files.h"

namespace {

MainWindowState* StateOf(HWND window) {
  return reinterpret_cast<MainWindowState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT OnCreate(HWND window, const CREATESTRUCTW& creation) {
  auto state = std::make_unique<MainWindowState>();
  state->window = window;
  // Stored before the contents are built: the resize they cause already finds it.
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.get()));
  MainWindowState& created = *state.release();
  created.taskbarCreatedMessage = ::RegisterWindowMessageW(L"TaskbarCreated");
  CreateMainWindowContents(created, creation.hInstance);
  return 0;
}

LRESULT OnDestroy(HWND window, MainWindowState& state) {
  TearDownMainWindow(state);
  // A silent start tells the scheduler how its run ended, also when the user
  // opened its window meanwhile; the window's own start always ends with 0.
  const int exitCode = state.startedSilent ? state.exitCode : 0;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  delete &state;
  ::PostQuitMessage(exitCode);
  return 0;
}

LRESULT OnClose(HWND window, MainWindowState& state) {
  // A dialog or message box of the window is open and has disabled it. Task
  // Manager's "End task" asks even so; destroying the window now would leave
  // the dialog's caller with a window state that is gone.
  if (!::IsWindowEnabled(window)) return 0;
  if (!state.syncRunning) return ::DefWindowProcW(window, WM_CLOSE, 0, 0);
  bool showWarning = false;
  if (GetShowCloseWarning(showWarning) && showWarning) ShowCloseWarning(window);
  ::ShowWindow(window, SW_HIDE);
  return 0;
}

// A log-off or shutdown asks first; the sync goes on until the session's end
// is certain, as another program may still refuse it.
LRESULT OnQueryEndSession() { return TRUE; }

// The session ends (or, when ending is false, goes on after all). The run is
// cancelled and put right, its record finished and the program ended here:
// Windows may end the process as soon as this returns. A window start ends
// with 0, as always; a silent one with its run's code.
LRESULT OnEndSession(HWND window, MainWindowState& state, bool ending) {
  if (!ending || state.sessionEnding) return 0;
  state.sessionEnding = true;
  EndRunForSessionEnd(state);
  // Windows gives a program a few seconds here before it calls it one that
  // holds up the log-off: a status folder that does not answer is waited
  // for no longer than that.
  state.statusPublisher.Wait(std::chrono::seconds(5));
  const UINT exitCode = state.startedSilent ? static_cast<UINT>(state.exitCode) : 0;
  const auto endProcess = state.endProcess;
  ::DestroyWindow(window);  // the state is gone from here on
  if (endProcess) endProcess(exitCode);
  return 0;
}

void OnCloseButton(MainWindowState& state) {
  switch (CloseButtonActionFor(WindowText(state.closeButton, 256))) {
    case CloseButtonAction::CloseWindow:
      ::PostMessageW(state.window, WM_CLOSE, 0, 0);
      break;
    case CloseButtonAction::Cancel:
      RequestCancel(state.job);
      break;
    case CloseButtonAction::None:
      break;
  }
}

// The folder of the last record, where there is one: a run may have had to
// write it into the user's own folder.
void OpenLogFolder(HWND window, const MainWindowState& state) {
  const std::wstring lastRecord = state.record.Path();
  const std::wstring folder = lastRecord.empty() ? RecordFolder() : ParentFolder(lastRecord);
  const auto result = reinterpret_cast<INT_PTR>(
      folder.empty() ? nullptr : ::ShellExecuteW(window, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result > 32) return;
  ::MessageBoxW(window, L"The log folder could not be opened.", L"Error", MB_OK | MB_ICONERROR);
}

void OpenSettings(MainWindowState& state) {
  ShowSettingsDialog(state.window);
  // The running job keeps the folders it was given.
  ReloadPaths(state);
  ShowHeader(state);
}

LRESULT OnCommand(HWND window, MainWindowState& state, WPARAM wParam, LPARAM lParam) {
  if (lParam != 0) {
    const HWND control = reinterpret_cast<HWND>(lParam);
    const WORD code = HIWORD(wParam);
    if (code == BN_CLICKED) {
      if (control == state.syncButton) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        RunSyncCommand(state);
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
      } else if (control == state.closeButton) {
        OnCloseButton(state);
      }
      return 0;
    }
    if (code == EN_CHANGE) return 0;
    return ::DefWindowProcW(window, WM_COMMAND, wParam, lParam);
  }
  switch (LOWORD(wParam)) {
    case IDM_ABOUT:
      ShowAbout(window);
      break;
    case IDM_EXIT:
      ::SendMessageW(window, WM_CLOSE, 0, 0);
      break;
    case IDM_SETTINGS:
      OpenSettings(state);
      break;
    case IDM_OPEN_LOG_FOLDER:
      OpenLogFolder(window, state);
      break;
    default:
      break;
  }
  return 0;
}

void BringBack(MainWindowState& state) {
  if (state.progressSink) state.progressSink->PaintHeldBack();
  ::ShowWindow(state.window, SW_SHOW);
  ::SetForegroundWindow(state.window);
  state.silentMode = false;
}

// A silent run ends when its final balloon is gone, or, where the tray never
// reports that, a little after the balloon's time-out.
void EndSilentRunIfDone(MainWindowState& state) {
  if (!state.syncRunning && state.silentMode) ::PostMessageW(state.window, WM_CLOSE, 0, 0);
}

LRESULT OnTrayNotify(MainWindowState& state, LPARAM lParam) {
  switch (LOWORD(lParam)) {
    case WM_LBUTTONDOWN:
    case NIN_BALLOONUSERCLICK:
      BringBack(state);
      break;
    case NIN_BALLOONTIMEOUT:
      EndSilentRunIfDone(state);
      break;
    default:
      break;
  }
  return 0;
}

LRESULT OnSizing(const MainWindowState& state, WPARAM edge, LPARAM lParam) {
  auto* rect = reinterpret_cast<RECT*>(lParam);
  WindowRect proposed{rect->left, rect->top, rect->right, rect->bottom};
  ApplyMinimumSize(static_cast<int>(edge), proposed, state.scale);
  *rect = RECT{proposed.left, proposed.top, proposed.right, proposed.bottom};
  return 0;
}

LRESULT OnPaint(MainWindowState& state) {
  win32::PaintDC paint(state.window);
  win32::SelectedObject font(paint.Get(), state.font.Get());
  return 0;
}

LRESULT DispatchMessageToState(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) return OnCreate(window, *reinterpret_cast<const CREATESTRUCTW*>(lParam));
  MainWindowState* state = StateOf(window);
  if (state == nullptr) return ::DefWindowProcW(window, message, wParam, lParam);

  switch (message) {
    case WM_DESTROY:
      return OnDestroy(window, *state);
    case WM_SIZE:
      LayoutMainWindow(*state, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return 0;
    case WM_PAINT:
      return OnPaint(*state);
    case WM_CLOSE:
      return OnClose(window, *state);
    case WM_QUERYENDSESSION:
      return OnQueryEndSession();
    case WM_ENDSESSION:
      return OnEndSession(window, *state, wParam != FALSE);
    case WM_COMMAND:
      return OnCommand(window, *state, wParam, lParam);
    case WM_SYSCOMMAND:
      if (wParam == SC_MINIMIZE) {
        ::ShowWindow(window, SW_HIDE);
        return 0;
      }
      return ::DefWindowProcW(window, message, wParam, lParam);
    case WM_SIZING:
      return OnSizing(*state, wParam, lParam);
    case WM_TIMER:
      if (wParam == kSilentEndTimer) {
        ::KillTimer(window, kSilentEndTimer);
        EndSilentRunIfDone(*state);
        return 0;
      }
      if (wParam == kPaintTimer) {
        if (state->progressSink) state->progressSink->PaintHeldBack();
        return 0;
      }
      return ::DefWindowProcW(window, message, wParam, lParam);
    case MSG_SILENT_SYNC:
      state->silentMode = true;
      state->startedSilent = true;
      RunSyncCommand(*state);
      return 0;
    case MSG_REMOTE_WAITING:
      ShowWaitingForRemote(*state);
      return 0;
    case MSG_REMOTE_WAIT_OVER:
      FinishWaitForRemote(*state, static_cast<RemoteWaitEnd>(wParam), static_cast<std::uint32_t>(lParam));
      return 0;
    case MSG_TRAY_NOTIFY:
      return OnTrayNotify(*state, lParam);
    case MSG_PROGRESS_REPORT:
      if (state->progressSink) state->progressSink->Apply(*reinterpret_cast<const ProgressReport*>(lParam));
      return 0;
    case MSG_FINAL_BALLOON:
      RecordRunEnd(*state);
      if (state->silentMode) ::SetTimer(window, kSilentEndTimer, kSilentEndDelayMs, nullptr);
      return 0;
    default:
      // Explorer restarted: the tray forgot our icon.
      if (message == state->taskbarCreatedMessage && message != 0) {
        AddTrayIconAgain(state->trayIcon);
        if (state->progressSink) state->progressSink->ForgetShownTooltip();
        return 0;
      }
      return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

LRESULT CALLBACK MainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  try {
    return DispatchMessageToState(window, message, wParam, lParam);
  } catch (...) {
    // Nothing may unwind into the system's message dispatch.
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProcedure;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_SHELFMATE));
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszMenuName = MAKEINTRESOURCEW(IDC_SHELFMATE);
  windowClass.lpszClassName = kMainWindowClass;
  windowClass.hIconSm = nullptr;
  return ::RegisterClassExW(&windowClass) != 0;
}

HWND CreateMainWindow(HINSTANCE instance) {
  return ::CreateWindowExW(WS_EX_COMPOSITED, kMainWindowClass, kMainWindowTitle,
                           WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, 0, 800, 500, nullptr, nullptr,
                           instance, nullptr);
}
