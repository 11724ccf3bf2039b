// Drives Shelfmate for the README's run command, as a user would, and checks
// every step it waits for: when one does not come within its (generous) time,
// it says which on standard error and exits with 1.
//
//   shelfmate_driver Shelfmate.exe signal-folder
// starts the program and presses Sync; answers "Force Copy of All Files" when
// asked, so that every file is copied again; pauses the run once the log shows
// about a third of the files copied; then creates "sync.ready" in signal-folder, with the window's
// place in "sync.geometry", and waits for "sync.done" while the window is
// pictured. It resumes the run, waits for its end, writes the log to
// "log.txt", checks that it holds the end of a completed sync, opens the
// Settings dialog and does the same with "settings.*", then closes the program.
// A run that ends before it can be paused is pictured at its end.
//
//   shelfmate_driver /silent Shelfmate.exe
// runs "Shelfmate.exe /silent" to its end instead, acting as the Windows tray
// does when the final balloon has been shown, and exits with the program's
// exit code.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "window_search.h"
#include "resource.h"
#include "platform/win32/unique_resource.h"
#include "tray_stand_in.h"

namespace {

using driver::Button;
using driver::ChildOfClass;
using driver::ShownWindowOf;
using win32::UniqueFileHandle;
using win32::UniqueHandle;

constexpr DWORD kPoll = 50;

template <class Condition>
bool WaitFor(DWORD milliseconds, Condition condition) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (::GetTickCount() - start > milliseconds) return false;
    ::Sleep(kPoll);
  }
}

int Fail(const char* reason) {
  std::fprintf(stderr, "shelfmate_driver: %s\n", reason);
  return 1;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool WriteFileText(const std::wstring& path, const std::string& text) {
  UniqueFileHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
         written == text.size();
}

// The text with every line ending as a line feed: a rich edit may end its
// lines with a carriage return alone.
std::wstring WithLineFeeds(const std::wstring& text) {
  std::wstring result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != L'\r') {
      result += text[i];
    } else {
      result += L'\n';
      if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    }
  }
  return result;
}

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string result(static_cast<size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), size, nullptr,
                        nullptr);
  return result;
}

struct Process {
  UniqueHandle handle;
  DWORD id = 0;
};

// Starts the program with its arguments.
bool Start(const wchar_t* exe, const wchar_t* arguments, Process& process) {
  std::wstring commandLine = L"\"" + std::wstring(exe) + L"\"" + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
    return false;
  UniqueHandle thread(info.hThread);
  process.handle.Reset(info.hProcess);
  process.id = info.dwProcessId;
  return true;
}

// A control's text, read through the message the control answers, since
// GetWindowText does not ask a window of another process.
std::wstring ControlText(HWND control) {
  DWORD_PTR length = 0;
  if (!::SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return {};
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 5000, &copied))
    return {};
  text.resize(copied);
  return WithLineFeeds(text);
}

void Click(HWND window, HWND button) {
  // What the window receives when the button is clicked.
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

// Signals that the window can be pictured, with its place on the screen, and
// waits until the picture has been taken.
bool Picture(HWND window, const std::wstring& signals, const wchar_t* name) {
  RECT place{};
  ::GetWindowRect(window, &place);
  char geometry[64];
  // A window partly off the screen is pictured from the screen's edge.
  const LONG left = place.left < 0 ? 0 : place.left, top = place.top < 0 ? 0 : place.top;
  std::snprintf(geometry, sizeof geometry, "%ldx%ld+%ld+%ld", place.right - left, place.bottom - top, left, top);
  const std::wstring base = signals + L"\\" + name;
  if (!WriteFileText(base + L".geometry", geometry) || !WriteFileText(base + L".ready", "")) return false;
  return WaitFor(120000, [&] { return Exists(base + L".done"); });
}

size_t CopiedLines(const std::wstring& log) {
  size_t count = 0;
  for (size_t at = log.find(L"\nCopied: "); at != std::wstring::npos; at = log.find(L"\nCopied: ", at + 1)) ++count;
  return count;
}

// Where the run is paused for its picture: about a third of the sample.
constexpr size_t kCopiedBeforePause = 110;

bool Idle(HWND window) { return Button(window, L"Sync") && Button(window, L"Close"); }

int DriveWindow(HWND window, DWORD processId, const std::wstring& signals) {
  HWND log = ChildOfClass(window, L"RICHEDIT50W");
  if (!log) return Fail("the window has no log view");
  if (!WaitFor(30000, [&] { return Idle(window); })) return Fail("the window never showed its Sync button");
  const std::wstring header = ControlText(log);
  // A size that shows more of the log than the first one, in 96-DPI pixels
  // scaled to the screen's DPI as the window scales its own.
  const win32::ScreenDC screen;
  const int dpi = screen.Get() ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96;
  ::SetWindowPos(window, nullptr, 0, 0, ::MulDiv(560, dpi, 96), ::MulDiv(340, dpi, 96), SWP_NOZORDER | SWP_NOACTIVATE);
  ::Sleep(500);
  Click(window, Button(window, L"Sync"));

  // The version files agree after the silent run, so the window asks first.
  HWND question = nullptr;
  if (!WaitFor(60000, [&] {
        question = ShownWindowOf(processId, L"Version Files Already in Sync");
        return question || Button(window, L"Pause") || Button(window, L"Resume");
      }))
    return Fail("pressing Sync neither started a sync nor asked about the version files");
  if (question) {
    ::Sleep(300);
    Click(question, ::GetDlgItem(question, IDC_FORCE_COPY_ALL));
    // Until it has gone, the buttons still read Sync and Close.
    if (!WaitFor(30000, [&] { return !::IsWindow(question); })) return Fail("the version question did not close");
  }
  // Every file of the sample is copied, so a started run logs copies.
  if (!WaitFor(60000, [&] { return CopiedLines(ControlText(log)) > 0; }))
    return Fail("the sync never reached the log: no file was reported copied");
  // Part way through, where the sample allows it.
  WaitFor(10000, [&] { return CopiedLines(ControlText(log)) >= kCopiedBeforePause || Idle(window); });
  if (HWND pause = Button(window, L"Pause")) Click(window, pause);
  if (!WaitFor(30000, [&] { return Button(window, L"Resume") || Idle(window); }))
    return Fail("the run neither paused nor ended");
  const bool paused = Button(window, L"Resume") != nullptr;
  if (!paused) std::fprintf(stderr, "shelfmate_driver: the run ended before it could be paused; pictured at its end\n");
  ::Sleep(700);  // the bar and the held-back log lines are painted
  if (!Picture(window, signals, L"sync")) return Fail("the picture of the sync was not taken");
  if (paused) Click(window, Button(window, L"Resume"));
  if (!WaitFor(300000, [&] { return Idle(window); }))
    return Fail("the sync did not end: the buttons never read Sync and Close again");

  const std::wstring text = ControlText(log);
  if (!WriteFileText(signals + L"\\log.txt", Utf8(text))) return Fail("the log could not be written");
  if (text.size() <= header.size() || text.compare(0, header.size(), header) != 0)
    return Fail("the log does not begin with its header and grow past it");
  if (text.find(L" - Sync Complete - ") == std::wstring::npos || text.find(L" - Sync Cancelled - ") != std::wstring::npos)
    return Fail("the log does not show a completed sync");

  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_SETTINGS, 0), 0);
  HWND settings = nullptr;
  if (!WaitFor(30000, [&] { return (settings = ShownWindowOf(processId, L"Settings")) != nullptr; }))
    return Fail("the Settings dialog did not open");
  ::Sleep(500);
  if (!Picture(settings, signals, L"settings")) return Fail("the picture of the Settings dialog was not taken");
  Click(settings, ::GetDlgItem(settings, IDCANCEL));
  if (!WaitFor(30000, [&] { return !::IsWindow(settings); })) return Fail("the Settings dialog did not close");
  return 0;
}

int Drive(const wchar_t* exe, const std::wstring& signals) {
  Process process;
  if (!Start(exe, L"", process)) return Fail("Shelfmate.exe could not be started");
  HWND window = nullptr;
  int result = 0;
  if (WaitFor(60000, [&] {
        window = driver::MainWindowOf(process.id);
        return window && ::IsWindowVisible(window);
      }))
    result = DriveWindow(window, process.id, signals);
  else
    result = Fail("the Shelfmate window did not appear");
  // After a failure a dialog may still be open, which keeps the window from closing.
  if (result != 0) ::TerminateProcess(process.handle.Get(), 1);
  if (window) ::PostMessageW(window, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(process.handle.Get(), 30000) != WAIT_OBJECT_0) {
    ::TerminateProcess(process.handle.Get(), 1);
    if (result == 0) result = Fail("Shelfmate did not end when its window was closed");
  }
  return result;
}

int RunSilent(const wchar_t* exe) {
  Process process;
  if (!Start(exe, L" /silent", process)) return Fail("Shelfmate.exe could not be started");
  DWORD code = 3;
  if (driver::WaitReportingTimeOuts(process.handle.Get(), process.id, 280000)) {
    ::GetExitCodeProcess(process.handle.Get(), &code);
  } else {
    ::TerminateProcess(process.handle.Get(), 3);
    Fail("\"Shelfmate.exe /silent\" did not end within 280 s");
  }
  return static_cast<int>(code);
}

// Reads the program's windows in the screen's pixels, as the program (which
// declares itself DPI-aware) places them: a driver unaware of the DPI would
// be given every place scaled down to 96 DPI, and picture the wrong part of
// the screen.
void SeeRealPixels() {
  using SetAware = BOOL(WINAPI*)();
  const auto setAware = reinterpret_cast<SetAware>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetProcessDPIAware")));
  if (setAware) setAware();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  SeeRealPixels();
  if (argc == 3 && std::wcscmp(argv[1], L"/silent") == 0) return RunSilent(argv[2]);
  if (argc != 3) {
    std::fprintf(stderr, "usage: shelfmate_driver Shelfmate.exe signal-folder | /silent Shelfmate.exe\n");
    return 2;
  }
  return Drive(argv[1], argv[2]);
}
