// The main window in this process, over real temporary libraries: syncs
// driven through its buttons, the log, the tray record, layout and size limit.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_state.h"
#include "app/window_messages.h"
#include "platform/file_system.h"
#include "settings/settings_store.h"
#include "support/temp_folder.h"

namespace {

// Handles this thread's messages until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& condition, DWORD milliseconds = 20000) {
  const DWORD start = ::GetTickCount();
  while (!condition()) {
    if (::GetTickCount() - start > milliseconds) return false;
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

void PumpFor(DWORD milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

// Keeps the prefix's settings file as it was before the test.
class SettingsFileGuard {
 public:
  SettingsFileGuard() {
    if (SettingsFilePath(path)) hadContent = platform::ReadWholeFile(path, content);
  }
  ~SettingsFileGuard() {
    if (path.empty()) return;
    if (hadContent)
      platform::WriteNewFile(path, content);
    else
      platform::DeleteOneFile(path);
  }

 private:
  std::wstring path;
  std::string content;
  bool hadContent = false;
};

std::wstring Text(HWND window) { return WindowText(window, 65536); }

int CountOf(const std::wstring& text, const std::wstring& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

// A remote and a local library, and a main window syncing between them.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    remoteRoot = remote.Path();
    localRoot = local.Path();
    ASSERT_TRUE(SetRemoteLibraryPath(remoteRoot));
    ASSERT_TRUE(SetLocalLibraryPath(localRoot));
    ASSERT_TRUE(SetShowCloseWarning(false));
    RegisterMainWindowClass(::GetModuleHandleW(nullptr));
  }

  void TearDown() override {
    if (window && ::IsWindow(window)) ::DestroyWindow(window);
  }

  void MakeLibrary(int files) {
    // An outdated version file, so the sync starts without asking.
    WriteTestFile(remote / L"library.version", std::string("5\0.\0" "2\0", 6));
    for (int i = 0; i < files; ++i) {
      const std::wstring name = L"lamps\\group" + std::to_wstring(i % 7) + L"\\lamp" + std::to_wstring(i) + L".ies";
      WriteTestFile(remote / name, "remote " + std::to_string(i));
      names.push_back(name);
      if (i % 3 == 0) {
        WriteTestFile(local / name, "old local " + std::to_string(i));
        SetAge(local / name, -7200);
      }
    }
  }

  std::vector<std::string> LocalContents() {
    std::vector<std::string> contents;
    for (const auto& name : names) contents.push_back(ReadTestFile(local / name));
    return contents;
  }

  MainWindowState& OpenWindow() {
    window = CreateMainWindow(::GetModuleHandleW(nullptr));
    EXPECT_NE(window, nullptr);
    ::ShowWindow(window, SW_SHOW);
    auto* state = reinterpret_cast<MainWindowState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    EXPECT_NE(state, nullptr);
    return *state;
  }

  void Click(MainWindowState& state, HWND button) {
    ::SendMessageW(state.window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  }

  bool WaitForEnd(MainWindowState& state) {
    return PumpUntil([&] { return !state.syncRunning && !state.worker.Running(); });
  }

  SettingsFileGuard settingsGuard;
  TempFolder remote, local;
  std::wstring remoteRoot, localRoot;
  std::vector<std::wstring> names;
  HWND window = nullptr;
};

TEST_F(MainWindowTest, ASyncLogsEveryFileAndEndsIdle) {
  MakeLibrary(12);
  MainWindowState& state = OpenWindow();
  EXPECT_EQ(Text(state.logView), L"Sync Library\r\n From:\t" + remoteRoot + L"\r\n To:\t" + localRoot + L"\r\n\r\n");

  Click(state, state.syncButton);
  EXPECT_TRUE(state.syncRunning);
  EXPECT_EQ(Text(state.syncButton), L"Pause");
  EXPECT_EQ(Text(state.closeButton), L"Cancel");
  ASSERT_TRUE(WaitForEnd(state));

  const std::wstring log = Text(state.logView);
  const std::wstring expectedStart = L"Sync Library\r\n From:\t" + remoteRoot + L"\r\n To:\t" + localRoot +
                                     L"\r\n\r\nOutdated Version File(s) detected:\r\n  library.version\r\n\r\n"
                                     L" - Getting remote file listing - \r\n";
  EXPECT_EQ(log.substr(0, expectedStart.size()), expectedStart);
  EXPECT_EQ(CountOf(log, L"\nCopied: "), 12);
  // The version file was copied before the run, keeping its time, so the run leaves it.
  EXPECT_EQ(CountOf(log, L"\nNot Copied: \\library.version"), 1);
  size_t at = 0;
  for (const auto& line : {L" - Deleting Backup Files - \r\n", L" - Sync Complete - \r\n"}) {
    at = log.find(line, at);
    EXPECT_NE(at, std::wstring::npos) << line;
  }
  EXPECT_EQ(Text(state.syncButton), L"Sync");
  EXPECT_EQ(Text(state.closeButton), L"Close");
  EXPECT_EQ(::SendMessageW(state.progressBar, PBM_GETPOS, 0, 0), 0);
  EXPECT_STREQ(state.trayIcon.szTip, L"Shelfmate");
  EXPECT_STREQ(state.trayIcon.szInfo, L"Sync Complete");
  EXPECT_STREQ(state.trayIcon.szInfoTitle, L"Shelfmate");
  EXPECT_EQ(state.trayIcon.dwInfoFlags, static_cast<DWORD>(NIIF_USER | NIIF_LARGE_ICON));
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(ReadTestFile(local / names[i]), "remote " + std::to_string(i));
}

TEST_F(MainWindowTest, PauseHoldsTheRunAndResumeCarriesOn) {
  MakeLibrary(300);
  MainWindowState& state = OpenWindow();
  Click(state, state.syncButton);
  ASSERT_TRUE(PumpUntil([&] { return CountOf(Text(state.logView), L"\nCopied: ") >= 20; }));
  Click(state, state.syncButton);
  EXPECT_EQ(Text(state.syncButton), L"Resume");
  EXPECT_TRUE(state.job.paused);
  PumpFor(300);  // the file in progress is finished
  const int before = CountOf(Text(state.logView), L"\nCopied: ");
  PumpFor(1200);
  EXPECT_EQ(CountOf(Text(state.logView), L"\nCopied: "), before);

  Click(state, state.syncButton);
  EXPECT_EQ(Text(state.syncButton), L"Pause");
  ASSERT_TRUE(WaitForEnd(state));
  const std::wstring log = Text(state.logView);
  EXPECT_EQ(CountOf(log, L" - Sync Paused - "), 1);
  EXPECT_EQ(CountOf(log, L"\nCopied: "), 300);
  EXPECT_STREQ(state.trayIcon.szInfo, L"Sync Complete");
}

TEST_F(MainWindowTest, CancelWhilePausedRestoresEveryReplacedFile) {
  MakeLibrary(300);
  const std::vector<std::string> before = LocalContents();
  MainWindowState& state = OpenWindow();
  Click(state, state.syncButton);
  ASSERT_TRUE(PumpUntil([&] { return CountOf(Text(state.logView), L"\nCopied: ") >= 40; }));
  Click(state, state.syncButton);  // Pause
  PumpFor(200);
  Click(state, state.closeButton);  // Cancel
  EXPECT_FALSE(state.job.paused);
  EXPECT_TRUE(state.job.cancelRequested || !state.syncRunning);
  ASSERT_TRUE(WaitForEnd(state));

  const std::wstring log = Text(state.logView);
  EXPECT_EQ(CountOf(log, L" - Sync Cancelled - "), 1);
  EXPECT_GT(CountOf(log, L"Restored: "), 0);
  EXPECT_STREQ(state.trayIcon.szInfo, L"Sync Canceled");
  EXPECT_EQ(state.trayIcon.dwInfoFlags, static_cast<DWORD>(NIIF_ERROR | NIIF_LARGE_ICON));
  const std::vector<std::string> after = LocalContents();
  for (size_t i = 0; i < names.size(); ++i) {
    // A replaced file is back as it was; a file that was missing may stay as newly copied.
    if (before[i] != "<missing>") {
      EXPECT_EQ(after[i], before[i]) << i;
    }
    EXPECT_EQ(ReadTestFile(local / (names[i] + L".shelfmateBackup")), "<missing>") << i;
  }
  EXPECT_EQ(Text(state.syncButton), L"Sync");
  EXPECT_EQ(Text(state.closeButton), L"Close");
}

TEST_F(MainWindowTest, DestroyingTheWindowDuringASyncCancelsAndRestores) {
  MakeLibrary(300);
  const std::vector<std::string> before = LocalContents();
  MainWindowState& state = OpenWindow();
  Click(state, state.syncButton);
  ASSERT_TRUE(PumpUntil([&] { return CountOf(Text(state.logView), L"\nCopied: ") >= 30; }));
  ::DestroyWindow(window);
  EXPECT_FALSE(::IsWindow(window));
  window = nullptr;
  const std::vector<std::string> after = LocalContents();
  for (size_t i = 0; i < names.size(); ++i) {
    if (before[i] != "<missing>") {
      EXPECT_EQ(after[i], before[i]) << i;
    }
  }
  // The quit message the window posted must not end later tests' loops.
  MSG quit;
  while (::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

TEST_F(MainWindowTest, LayoutFollowsTheClientAreaAndTheMinimumSizeHolds) {
  MainWindowState& state = OpenWindow();
  RECT frame{};
  ::GetWindowRect(window, &frame);
  EXPECT_EQ(frame.right - frame.left, 420);
  EXPECT_EQ(frame.bottom - frame.top, 220);

  for (const auto& size : {std::pair{640, 480}, std::pair{900, 300}, std::pair{420, 220}}) {
    ::SetWindowPos(window, nullptr, 0, 0, size.first, size.second, SWP_NOMOVE | SWP_NOZORDER);
    RECT client{};
    ::GetClientRect(window, &client);
    auto placed = [&](HWND control) {
      RECT rect{};
      ::GetWindowRect(control, &rect);
      ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
      return rect;
    };
    const RECT sync = placed(state.syncButton), close = placed(state.closeButton), view = placed(state.logView),
               bar = placed(state.progressBar);
    EXPECT_EQ(sync.right, client.right - 10);
    EXPECT_EQ(sync.bottom, client.bottom - 10);
    EXPECT_EQ(close.right, sync.left - 10);
    EXPECT_EQ(close.bottom, client.bottom - 10);
    EXPECT_EQ(view.left, 10);
    EXPECT_EQ(view.top, 40);
    EXPECT_EQ(view.right - view.left, client.right - 20);
    EXPECT_EQ(view.bottom - view.top, client.bottom - 90);
    EXPECT_EQ(bar.right - bar.left, client.right - 20);
  }

  // Each edge holds its own dimension at the minimum; the other stays as proposed.
  for (int edge = WMSZ_LEFT; edge <= WMSZ_BOTTOMRIGHT; ++edge) {
    const bool horizontal = edge != WMSZ_TOP && edge != WMSZ_BOTTOM;
    const bool vertical = edge != WMSZ_LEFT && edge != WMSZ_RIGHT;
    RECT proposed{200, 200, 300, 260};
    EXPECT_EQ(::SendMessageW(window, WM_SIZING, edge, reinterpret_cast<LPARAM>(&proposed)), 0);
    EXPECT_EQ(proposed.right - proposed.left, horizontal ? 420 : 100) << edge;
    EXPECT_EQ(proposed.bottom - proposed.top, vertical ? 220 : 60) << edge;
  }
}

}  // namespace
