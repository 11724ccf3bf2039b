// Shelfmate.exe started as a process, the way users and installers start it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/win32/process.h"

namespace {

TEST(EntryProcess, WindowlessModesEndAtOnceWithTheirExitCodes) {
  struct Case {
    std::wstring arguments;
    long exitCode;
  };
  const Case cases[] = {
      {L"/script=x", 0},
      {L"/lumenarkversion=C:\\x.txt", 1},
  };
  for (const auto& c : cases) {
    Process process(c.arguments);
    ASSERT_TRUE(process.Started()) << ShelfmateExe();
    EXPECT_EQ(process.WaitForExit(20000), c.exitCode) << c.arguments;
  }
}

TEST(EntryProcess, LibraryInstallWithNothingInstalledEndsWithZeroOnceTheErrorIsDismissed) {
  Process process(L"/libraryinstall");
  ASSERT_TRUE(process.Started()) << ShelfmateExe();
  HWND box = WaitForMessageBox(process.Id(), L"Error", 20000);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), L"Neither Lumenark nor a Library was not found!");
  PressOk(box);
  EXPECT_EQ(process.WaitForExit(20000), 0);
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
