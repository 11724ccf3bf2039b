// The main window in this process, over real temporary libraries: syncs
// driven through its buttons, the log, the tray record, layout and size limit.
#include "app/main_window_fixture.h"
#include "app/progress_display.h"
#include "app/progress_text.h"
#include "app/tray_icon.h"
#include "support/win32/process.h"
#include "support/win32/test_share.h"
#include "sync/sync_tree.h"
#include "tray_stand_in.h"

#include <iterator>
#include <utility>

namespace {

// What a window still holds as it is destroyed: every font and icon it holds
// then must still be alive, or the window paints or frees a freed handle.
struct HeldAtDestruction {
  WNDPROC original = nullptr;
  bool destroyed = false;
  bool fontAlive = true;
  bool iconsAlive = true;
};

constexpr wchar_t kHeldProperty[] = L"ShelfmateTestHeld";

bool IconAlive(HICON icon) {
  ICONINFO info{};
  if (!::GetIconInfo(icon, &info)) return false;
  if (info.hbmMask) ::DeleteObject(info.hbmMask);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  return true;
}

LRESULT CALLBACK RecordHeldHandles(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* held = static_cast<HeldAtDestruction*>(::GetPropW(window, kHeldProperty));
  if (message == WM_NCDESTROY) {
    held->destroyed = true;
    LOGFONTW face{};
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(window, WM_GETFONT, 0, 0));
    if (font && !::GetObjectW(font, sizeof face, &face)) held->fontAlive = false;
    for (const LRESULT icon : {::SendMessageW(window, WM_GETICON, ICON_SMALL, 0),
                               ::SendMessageW(window, WM_GETICON, ICON_BIG, 0),
                               ::SendMessageW(window, BM_GETIMAGE, IMAGE_ICON, 0)})
      if (icon && !IconAlive(reinterpret_cast<HICON>(icon))) held->iconsAlive = false;
    ::RemovePropW(window, kHeldProperty);
    ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(held->original));
  }
  return ::CallWindowProcW(held->original, window, message, wParam, lParam);
}

void WatchDestruction(HWND window, HeldAtDestruction& held) {
  ::SetPropW(window, kHeldProperty, &held);
  held.original = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordHeldHandles)));
}

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
  // The version file comes after every lamp: it marks the library current.
  EXPECT_EQ(CountOf(log, L"\nCopied: "), 13);
  const size_t versionLine = log.find(L"\nCopied: \\library.version");
  ASSERT_NE(versionLine, std::wstring::npos) << log;
  EXPECT_GT(versionLine, log.rfind(L"\nCopied: \\lamps\\"));
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

// The master library where offices keep it: at the root of a share named by
// UNC. Both roots are given with a final backslash.
TEST_F(MainWindowTest, ASyncFromAShareByItsUncNameCopiesEveryFile) {
  TempFolder shared(kShareFolder);
  WriteTestFile(shared / L"library.version", std::string("5\0.\0" "2\0", 6));
  for (int i = 0; i < 6; ++i) WriteTestFile(shared / (L"Lamps\\lamp" + std::to_wstring(i) + L".ies"), "remote");
  remoteRoot = kShareName + L"\\";
  localRoot = local.Path() + L"\\";
  ASSERT_TRUE(SetRemoteLibraryPath(remoteRoot));
  ASSERT_TRUE(SetLocalLibraryPath(localRoot));
  MainWindowState& state = OpenWindow();
  Click(state, state.syncButton);
  ASSERT_TRUE(WaitForEnd(state));

  const std::wstring log = Text(state.logView);
  EXPECT_EQ(log.rfind(L"Sync Library\r\n From:\t" + remoteRoot + L"\r\n", 0), 0u) << log;
  EXPECT_EQ(CountOf(log, L"\nCopied: Lamps\\lamp"), 6) << log;
  EXPECT_EQ(ReadTestFile(local / L"library.version"), std::string("5\0.\0" "2\0", 6));
  for (int i = 0; i < 6; ++i) EXPECT_EQ(ReadTestFile(local / (L"Lamps\\lamp" + std::to_wstring(i) + L".ies")), "remote");
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
  EXPECT_EQ(CountOf(log, L"\nCopied: \\lamps\\"), 300);
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

// Waits for a Shelfmate process to end while this thread's window goes on,
// acting as the Windows tray towards the process; -1 when it did not end.
long WaitPumpingAsTheTray(Process& process, DWORD milliseconds) {
  const bool ended = PumpUntil(
      [&] {
        if (HWND other = driver::MainWindowOf(process.Id())) driver::ReportBalloonTimeOut(other);
        return ::WaitForSingleObject(process.Handle(), 0) == WAIT_OBJECT_0;
      },
      milliseconds);
  return ended ? process.WaitForExit(0) : -1;
}

// The weekly task may start while the user's own sync is held paused, and
// the master may have moved on to a new release meanwhile. The silent run
// finds the library busy and ends without touching it. The paused run,
// cancelled, restores every file and leaves the library marked behind, so
// the next silent run brings it up to date.
TEST_F(MainWindowTest, SilentRunDuringAPausedSyncLeavesTheLibraryToIt) {
  MakeLibrary(300);
  const std::string olderRelease("5\0.\0" "1\0", 6);
  WriteTestFile(local / L"library.version", olderRelease);
  SetAge(local / L"library.version", -7200);
  const std::vector<std::string> before = LocalContents();
  MainWindowState& state = OpenWindow();
  Click(state, state.syncButton);
  ASSERT_TRUE(PumpUntil([&] { return CountOf(Text(state.logView), L"\nCopied: ") >= 40; }));
  Click(state, state.syncButton);  // Pause
  PumpFor(300);
  WriteTestFile(remote / L"library.version", std::string("5\0.\0" "3\0", 6));
  const auto paused = sync_test::Snapshot(local);

  Process silent(L"/silent");
  ASSERT_TRUE(silent.Started()) << ShelfmateExe();
  EXPECT_EQ(WaitPumpingAsTheTray(silent, 60000), 3);  // another run holds the library
  EXPECT_EQ(sync_test::Snapshot(local), paused);

  Click(state, state.closeButton);  // Cancel
  ASSERT_TRUE(WaitForEnd(state));
  const std::vector<std::string> after = LocalContents();
  for (size_t i = 0; i < names.size(); ++i)
    if (before[i] != "<missing>") EXPECT_EQ(after[i], before[i]) << i;
  EXPECT_EQ(ReadTestFile(local / L"library.version"), olderRelease);
  EXPECT_FALSE(sync_test::HasLeftovers(local));

  Process next(L"/silent");
  ASSERT_TRUE(next.Started());
  EXPECT_EQ(WaitPumpingAsTheTray(next, 60000), 0);
  EXPECT_EQ(sync_test::Snapshot(local), sync_test::Snapshot(remote));
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
}

TEST_F(MainWindowTest, LibrariesPastSixteenBitsKeepTheBarRangeAndTheWholeLog) {
  MainWindowState& state = OpenWindow();
  state.progressSink->SetProgress(0, 99999, 99999);
  PBRANGE range{};
  ::SendMessageW(state.progressBar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  EXPECT_EQ(range.iLow, 0);
  EXPECT_EQ(range.iHigh, 99999);
  EXPECT_EQ(::SendMessageW(state.progressBar, PBM_GETPOS, 0, 0), 99999);
  // Windows holds a rich edit to 32,767 characters unless told otherwise.
  EXPECT_GT(::SendMessageW(state.logView, EM_GETLIMITTEXT, 0, 0), 32767);
}

// The start balloon names the folder the running job was given, even when
// the window's folders were changed in the Settings after the start.
TEST_F(MainWindowTest, StartBalloonNamesTheFolderOfTheRunningJob) {
  MainWindowState& state = OpenWindow();
  state.job.SetRoots(L"C:\\given\\remote", L"C:\\given\\local");
  state.remotePath = L"C:\\changed\\since";
  state.progressSink->SetProgress(0, 9, 0);
  EXPECT_EQ(std::wstring(state.trayIcon.szInfo), StartBalloonText(L"C:\\given\\remote"));
}

// A worker thread that cannot be made ends the start as a run that did not
// happen; the window is idle again and the next Sync runs.
TEST_F(MainWindowTest, WorkerThatCannotBeStartedLeavesTheWindowIdle) {
  MakeLibrary(3);
  MainWindowState& state = OpenWindow();
  state.worker.startThread = [](void*, unsigned, unsigned(__stdcall*)(void*), void*, unsigned,
                                unsigned*) -> uintptr_t { return 0; };
  Click(state, state.syncButton);
  EXPECT_FALSE(state.syncRunning);
  EXPECT_FALSE(state.worker.Running());
  EXPECT_EQ(Text(state.syncButton), L"Sync");
  EXPECT_EQ(Text(state.closeButton), L"Close");
  EXPECT_STREQ(state.trayIcon.szInfo, L"Sync Canceled");
  EXPECT_EQ(state.trayIcon.dwInfoFlags, static_cast<DWORD>(NIIF_ERROR | NIIF_LARGE_ICON));

  // A run that never started leaves the library marked behind, so the next
  // one starts unasked and brings the version file over last.
  EXPECT_EQ(ReadTestFile(local / L"library.version"), "<missing>");
  state.worker.startThread = &::_beginthreadex;
  Click(state, state.syncButton);
  ASSERT_TRUE(WaitForEnd(state));
  EXPECT_EQ(CountOf(Text(state.logView), L"\nCopied: "), 4);
  EXPECT_EQ(ReadTestFile(local / L"library.version"), std::string("5\0.\0" "2\0", 6));
}

// After Explorer restarts the icon is added with its message, icon and
// current tooltip only: no balloon of the last report comes back.
TEST_F(MainWindowTest, TrayIconIsAddedAgainWithAFreshRecord) {
  MainWindowState& state = OpenWindow();
  NOTIFYICONDATAW live = state.trayIcon;
  CopyToField(live.szTip, L"Shelfmate - 40%");
  CopyToField(live.szInfo, L"Sync Complete");
  for (const UINT flags : {UINT{NIF_MESSAGE | NIF_ICON | NIF_INFO}, UINT{NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_INFO}}) {
    live.uFlags = flags;
    const NOTIFYICONDATAW record = RecordForAddingAgain(live);
    EXPECT_EQ(record.cbSize, state.trayIconSize);
    EXPECT_EQ(record.hWnd, window);
    EXPECT_EQ(record.uID, live.uID);
    EXPECT_EQ(record.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(record.uCallbackMessage, MSG_TRAY_NOTIFY);
    EXPECT_EQ(record.hIcon, live.hIcon);
    EXPECT_STREQ(record.szTip, L"Shelfmate - 40%");
    EXPECT_STREQ(record.szInfo, L"");
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

  // A button that could not be made leaves a null handle; the rest is laid
  // out, the Close button where the Sync button would stand.
  ::DestroyWindow(state.syncButton);
  state.syncButton = nullptr;
  ::SetWindowPos(window, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER);
  RECT client{}, close{}, view{};
  ::GetClientRect(window, &client);
  ::GetWindowRect(state.closeButton, &close);
  ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&close), 2);
  ::GetWindowRect(state.logView, &view);
  EXPECT_EQ(close.left, client.right - 110);
  EXPECT_EQ(close.top, client.bottom - 40);
  EXPECT_EQ(view.bottom - view.top, client.bottom - 90);

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

TEST_F(MainWindowTest, TheWindowAndItsControlsLetGoOfTheFontAndIconsBeforeTheyAreFreed) {
  MainWindowState& state = OpenWindow();
  // The frame gives up its icons only at WM_NCDESTROY, and the controls are
  // destroyed after the frame's WM_DESTROY, where the record is freed.
  const std::pair<const char*, HWND> windows[] = {{"frame", window},
                                                  {"Sync button", state.syncButton},
                                                  {"Close button", state.closeButton},
                                                  {"log view", state.logView}};
  HeldAtDestruction held[std::size(windows)];
  for (size_t i = 0; i < std::size(windows); ++i) WatchDestruction(windows[i].second, held[i]);
  ASSERT_TRUE(::DestroyWindow(window));
  window = nullptr;
  for (size_t i = 0; i < std::size(windows); ++i) {
    SCOPED_TRACE(windows[i].first);
    EXPECT_TRUE(held[i].destroyed);
    EXPECT_TRUE(held[i].fontAlive);
    EXPECT_TRUE(held[i].iconsAlive);
  }
}

}  // namespace
