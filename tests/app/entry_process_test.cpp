// Shelfmate.exe started as a process, the way users and installers start it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/host.h"
#include "sync/paths.h"

namespace {

std::wstring ShelfmateExe() {
  std::wstring self;
  EXPECT_TRUE(platform::ProgramPath(self));
  return ParentFolder(self) + L"Shelfmate.exe";
}

// A started process, ended by the test if it outlives it.
class Process {
 public:
  explicit Process(const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + ShelfmateExe() + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &info) != FALSE;
  }
  ~Process() {
    if (!started) return;
    if (::WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) ::TerminateProcess(info.hProcess, 99);
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
  }
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  bool Started() const { return started; }
  DWORD Id() const { return info.dwProcessId; }

  // The exit code, or -1 when the process is still running after the wait.
  long WaitForExit(DWORD milliseconds) {
    if (::WaitForSingleObject(info.hProcess, milliseconds) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(info.hProcess, &code);
    return static_cast<long>(code);
  }

 private:
  PROCESS_INFORMATION info{};
  bool started = false;
};

HWND WaitForWindow(DWORD processId, const wchar_t* windowClass, DWORD milliseconds) {
  for (DWORD waited = 0; waited < milliseconds; waited += 50) {
    for (HWND window = ::FindWindowExW(nullptr, nullptr, windowClass, nullptr); window != nullptr;
         window = ::FindWindowExW(nullptr, window, windowClass, nullptr)) {
      DWORD owner = 0;
      ::GetWindowThreadProcessId(window, &owner);
      if (owner == processId) return window;
    }
    ::Sleep(50);
  }
  return nullptr;
}

TEST(EntryProcess, WindowlessModesEndAtOnceWithTheirExitCodes) {
  struct Case {
    std::wstring arguments;
    long exitCode;
  };
  const Case cases[] = {
      {L"/script=x", 0},
      {L"/libraryinstall", 0},
      {L"/lumenarkversion=C:\\x.txt", 1},
  };
  for (const auto& c : cases) {
    Process process(c.arguments);
    ASSERT_TRUE(process.Started()) << ShelfmateExe();
    EXPECT_EQ(process.WaitForExit(20000), c.exitCode) << c.arguments;
  }
}

TEST(EntryProcess, WindowModeShowsTheMainWindowAndEndsWhenClosed) {
  Process process(L"");
  ASSERT_TRUE(process.Started());
  HWND window = WaitForWindow(process.Id(), L"ShelfmateControl", 20000);
  ASSERT_NE(window, nullptr);
  wchar_t title[64] = {};
  ::GetWindowTextW(window, title, 64);
  EXPECT_STREQ(title, L"Shelfmate");
  // The window is found as soon as it exists; it is shown right after.
  for (int i = 0; i < 100 && !::IsWindowVisible(window); ++i) ::Sleep(50);
  EXPECT_TRUE(::IsWindowVisible(window));
  ::PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(process.WaitForExit(20000), 0);
}

}  // namespace
