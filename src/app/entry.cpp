// The program's entry point: common start, mode selection and dispatch.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "app/launch_mode.h"
#include "app/main_window.h"
#include "app/window_messages.h"
#include "install/windowless_modes.h"
#include "platform/event_log.h"
#include "platform/host.h"
#include "resource.h"

namespace {

// Failures here are ignored: the program still runs without them.
void CommonStart(HINSTANCE instance) {
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  // The link control of the Settings dialog needs its class registered too.
  controls.dwICC = ICC_TAB_CLASSES | ICC_LINK_CLASS;
  ::InitCommonControlsEx(&controls);
  // The window thread stays in its apartment until the process ends.
  (void)::CoInitialize(nullptr);
  RegisterMainWindowClass(instance);
}

// The host's installer runs "/libraryinstall" elevated, a start that may
// write the machine's keys: it registers the event source where it is missing
// or names another file, so that Event Viewer shows the runs' events with
// this program's message table. (Each sync tries again before its event.)
void RegisterEventSourceForInstaller() {
  std::wstring programPath;
  std::uint32_t failure = 0;
  if (platform::ProgramPath(programPath)) (void)platform::RegisterApplicationEventSource(programPath, failure);
}

int RunWindowMode(HINSTANCE instance, bool silent, int showCommand) {
  HWND window = CreateMainWindow(instance);
  if (window == nullptr) return 0;
  if (silent) {
    // The silent sync is started (or refused) before the message loop begins;
    // the window stays hidden and lives as a tray icon.
    ::SendMessageW(window, MSG_SILENT_SYNC, 0, 0);
  } else {
    ::ShowWindow(window, showCommand);
    ::UpdateWindow(window);
  }
  HACCEL accelerators = ::LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDC_SHELFMATE));
  MSG message{};
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!::TranslateAcceleratorW(message.hwnd, accelerators, &message)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return static_cast<int>(message.wParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
  CommonStart(instance);
  const LaunchRequest request = SelectLaunchMode(commandLine ? commandLine : L"");
  switch (request.mode) {
    case LaunchMode::LibraryInstall:
      RegisterEventSourceForInstaller();
      return RunLibraryInstallMode();
    case LaunchMode::VersionQuery:
      return RunVersionQueryMode(request.argument);
    case LaunchMode::RunScript:
      return RunScriptMode(request.argument);
    case LaunchMode::Window:
      return RunWindowMode(instance, false, showCommand);
    case LaunchMode::SilentWindow:
      return RunWindowMode(instance, true, showCommand);
  }
  return 0;
}
