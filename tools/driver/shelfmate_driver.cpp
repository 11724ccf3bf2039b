// Drives Shelfmate for the README's run command, as a user would: starts the
// program, presses Sync, answers "Copy only Newer Files" if asked, waits for
// the run to end, then signals that the window can be pictured and closes the
// program when told to. It runs on the same desktop as the program it starts.
//   shelfmate_driver Shelfmate.exe ready-file done-file
// With "/silent" it runs "Shelfmate.exe /silent" to its end instead, acting
// as the Windows tray does when the final balloon has been shown, and exits
// with the program's exit code:
//   shelfmate_driver /silent Shelfmate.exe
#include <windows.h>

#include <cwchar>
#include <string>

#include "child_button.h"
#include "tray_stand_in.h"

namespace {

HWND WaitForWindow(const wchar_t* windowClass, const wchar_t* title, DWORD milliseconds) {
  for (DWORD waited = 0; waited < milliseconds; waited += 100) {
    if (HWND window = ::FindWindowW(windowClass, title)) return window;
    ::Sleep(100);
  }
  return nullptr;
}

using driver::Button;

bool Exists(const wchar_t* path) { return ::GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES; }

void Touch(const wchar_t* path) {
  HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
}

// Starts the program with its arguments; the caller closes the process handle.
bool Start(const wchar_t* exe, const wchar_t* arguments, PROCESS_INFORMATION& process) {
  std::wstring commandLine = L"\"" + std::wstring(exe) + L"\"" + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
    return false;
  ::CloseHandle(process.hThread);
  return true;
}

int Picture(const wchar_t* exe, const wchar_t* readyFile, const wchar_t* doneFile) {
  PROCESS_INFORMATION process{};
  if (!Start(exe, L"", process)) return 2;
  int result = 0;
  HWND window = WaitForWindow(L"ShelfmateControl", L"Shelfmate", 30000);
  HWND sync = window ? Button(window, L"Sync") : nullptr;
  if (sync) {
    ::Sleep(500);
    // What the window receives when the button is clicked.
    ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(sync));
    // The version files agree after the silent run, so the window asks first.
    if (HWND question = WaitForWindow(nullptr, L"Version Files Already in Sync", 10000)) {
      ::Sleep(300);
      ::PostMessageW(question, WM_COMMAND, MAKEWPARAM(1012, BN_CLICKED), 0);
    }
    // The run is over when the buttons read "Sync" and "Close" again.
    ::Sleep(1000);
    for (int i = 0; i < 600 && !(Button(window, L"Close") && Button(window, L"Sync")); ++i) ::Sleep(100);
    ::Sleep(1000);
  } else {
    result = 3;
  }
  Touch(readyFile);
  for (int i = 0; i < 600 && !Exists(doneFile); ++i) ::Sleep(100);
  if (window) ::PostMessageW(window, WM_CLOSE, 0, 0);
  if (::WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) ::TerminateProcess(process.hProcess, 1);
  ::CloseHandle(process.hProcess);
  return result;
}

int RunSilent(const wchar_t* exe) {
  PROCESS_INFORMATION process{};
  if (!Start(exe, L" /silent", process)) return 2;
  DWORD code = 3;
  if (driver::WaitReportingTimeOuts(process.hProcess, process.dwProcessId, 280000))
    ::GetExitCodeProcess(process.hProcess, &code);
  else
    ::TerminateProcess(process.hProcess, 3);
  ::CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], L"/silent") == 0) return RunSilent(argv[2]);
  if (argc != 4) return 1;
  return Picture(argv[1], argv[2], argv[3]);
}
