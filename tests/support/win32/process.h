// Programs started as processes by the Windows tests, and the windows and
// message boxes they show.
#pragma once

#include <windows.h>

#include <string>

#include "platform/host.h"
#include "platform/win32/unique_resource.h"
#include "sync/paths.h"

// The folder of the running test program, with its trailing backslash;
// Shelfmate.exe and the fixture programs are built into it.
inline std::wstring TestProgramFolder() {
  std::wstring self;
  if (!platform::ProgramPath(self)) return std::wstring();
  return ParentFolder(self);
}

inline std::wstring ShelfmateExe() { return TestProgramFolder() + L"Shelfmate.exe"; }

// A started process, ended by the test if it outlives it.
class Process {
 public:
  Process(const std::wstring& program, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                         &info) == FALSE)
      return;
    process.Reset(info.hProcess);
    thread.Reset(info.hThread);
    id = info.dwProcessId;
  }
  // Shelfmate.exe from beside the test program.
  explicit Process(const std::wstring& arguments) : Process(ShelfmateExe(), arguments) {}
  ~Process() {
    if (process && ::WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT) ::TerminateProcess(process.Get(), 99);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool Started() const { return static_cast<bool>(process); }
  DWORD Id() const { return id; }
  HANDLE Handle() const { return process.Get(); }

  // The exit code, or -1 when the process is still running after the wait.
  long WaitForExit(DWORD milliseconds) {
    if (!process || ::WaitForSingleObject(process.Get(), milliseconds) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(process.Get(), &code);
    return static_cast<long>(code);
  }

 private:
  win32::UniqueHandle process;
  win32::UniqueHandle thread;
  DWORD id = 0;
};

// A top-level window of the process with this class (and title, when given).
inline HWND WaitForWindow(DWORD processId, const wchar_t* windowClass, DWORD milliseconds,
                          const wchar_t* title = nullptr) {
  for (DWORD waited = 0; waited < milliseconds; waited += 50) {
    for (HWND window = ::FindWindowExW(nullptr, nullptr, windowClass, title); window != nullptr;
         window = ::FindWindowExW(nullptr, window, windowClass, title)) {
      DWORD owner = 0;
      ::GetWindowThreadProcessId(window, &owner);
      if (owner == processId) return window;
    }
    ::Sleep(50);
  }
  return nullptr;
}

// The message box of the process with this caption, once it is shown.
inline HWND WaitForMessageBox(DWORD processId, const wchar_t* caption, DWORD milliseconds) {
  return WaitForWindow(processId, L"#32770", milliseconds, caption);
}

// The text of a message box (its static text control).
inline std::wstring MessageBoxText(HWND box) {
  wchar_t text[512] = {};
  ::GetDlgItemTextW(box, 0xFFFF, text, 512);
  return text;
}

// Presses a message box's OK button.
inline void PressOk(HWND box) { ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }
