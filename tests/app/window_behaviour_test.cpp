// The main window's behaviour as a user meets it: minimise and restore from the
// tray, closing during a sync, the close warning, the version question, Settings
// during a sync, and the About box.
#include <cwchar>
#include <functional>
#include <future>
#include <optional>
#include <thread>

#include "app/main_window_fixture.h"
#include "resource.h"

namespace {

// Finds a dialog of this process by its caption, from another thread, once it
// is shown (so its initialisation is over).
HWND WaitForDialog(const wchar_t* caption, DWORD milliseconds = 10000) {
  for (DWORD waited = 0; waited < milliseconds; waited += 20) {
    HWND dialog = ::FindWindowW(L"#32770", caption);
    if (dialog && ::IsWindowVisible(dialog)) return dialog;
    ::Sleep(20);
  }
  return nullptr;
}

void PressKey(HWND dialog, WPARAM key) {
  ::PostMessageW(dialog, WM_KEYDOWN, key, 0);
  ::PostMessageW(dialog, WM_KEYUP, key, 0);
}

void PressButton(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// Acts on a modal dialog while the window thread runs its loop; the test
// waits for the outcome after the modal call returned.
class DialogActor {
 public:
  explicit DialogActor(std::function<bool()> act) : done(std::async(std::launch::async, std::move(act))) {}
  bool Succeeded() { return done.get(); }

 private:
  std::future<bool> done;
};

class WindowBehaviourTest : public MainWindowTest {
 protected:
  void StartPausedSync(MainWindowState& state) {
    Click(state, state.syncButton);
    ASSERT_TRUE(PumpUntil([&] { return CountOf(Text(state.logView), L"\nCopied: ") >= 5; }));
    Click(state, state.syncButton);  // Pause
    ASSERT_TRUE(state.job.paused);
  }

  void ResumeAndFinish(MainWindowState& state) {
    Click(state, state.syncButton);
    ASSERT_TRUE(WaitForEnd(state));
  }

  void MakeVersionsInStep() {
    const std::string version("5\0.\0" "2\0", 6);
    WriteTestFile(remote / L"library.version", version);
    WriteTestFile(local / L"library.version", version);
  }
};

TEST_F(WindowBehaviourTest, MinimiseHidesToTheTrayAndAClickThereBringsItBack) {
  MainWindowState& state = OpenWindow();
  ::SendMessageW(window, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_FALSE(::IsIconic(window));

  state.silentMode = true;
  ::SendMessageW(window, MSG_TRAY_NOTIFY, 1, WM_LBUTTONDOWN);
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_FALSE(state.silentMode);

  ::ShowWindow(window, SW_HIDE);
  state.silentMode = true;
  ::SendMessageW(window, MSG_TRAY_NOTIFY, 1, NIN_BALLOONUSERCLICK);
  EXPECT_TRUE(::IsWindowVisible(window));
  EXPECT_FALSE(state.silentMode);
}

TEST_F(WindowBehaviourTest, ExitDuringASyncWarnsThenHidesAndTheSyncGoesOn) {
  MakeLibrary(200);
  ASSERT_TRUE(SetShowCloseWarning(true));
  MainWindowState& state = OpenWindow();
  StartPausedSync(state);

  DialogActor warning([] {
    HWND dialog = WaitForDialog(L"Warning");
    if (!dialog) return false;
    PressKey(dialog, VK_ESCAPE);
    ::Sleep(400);
    if (!::IsWindow(dialog)) return false;  // Esc must not dismiss it
    ::SendMessageW(::GetDlgItem(dialog, IDC_DONT_WARN_AGAIN), BM_SETCHECK, BST_CHECKED, 0);
    PressButton(dialog, IDOK);
    return true;
  });
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
  EXPECT_TRUE(warning.Succeeded());
  EXPECT_TRUE(::IsWindow(window));
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_TRUE(state.syncRunning);
  bool warn = true;
  EXPECT_TRUE(GetShowCloseWarning(warn));
  EXPECT_FALSE(warn);

  // The next close during the sync hides without asking.
  ::ShowWindow(window, SW_SHOW);
  ::SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_EQ(::FindWindowW(L"#32770", L"Warning"), nullptr);

  ResumeAndFinish(state);
  EXPECT_STREQ(state.trayIcon.szInfo, L"Sync Complete");
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_EXIT, 0), 0);
  EXPECT_FALSE(::IsWindow(window));
  window = nullptr;
}

// A log-off or shutdown during a sync. The question changes nothing, nor does
// an end another program refused; the end itself cancels the run, puts every
// replaced file back, finishes the record and ends the program before it
// returns, with the run's code for a silent start and 0 for a window one.
TEST_F(WindowBehaviourTest, SessionEndDuringASyncPutsEveryReplacedFileBackAndEndsTheProgram) {
  MakeLibrary(300);
  const std::vector<std::string> before = LocalContents();
  const struct {
    const char* start;
    bool silent;
    UINT exitCode;
  } starts[] = {{"window", false, 0}, {"silent", true, 2}};
  for (const auto& s : starts) {
    SCOPED_TRACE(s.start);
    MainWindowState& state = OpenWindow();
    std::optional<UINT> endedWith;
    state.endProcess = [&endedWith](UINT code) { endedWith = code; };
    if (s.silent)
      ::SendMessageW(window, MSG_SILENT_SYNC, 0, 0);
    else
      Click(state, state.syncButton);
    ASSERT_TRUE(PumpUntil([&] { return CountOf(Text(state.logView), L"\nCopied: ") >= 40; }));
    Click(state, state.syncButton);  // Pause, so the run is still under way when the session ends
    EXPECT_EQ(::SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    ::SendMessageW(window, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_TRUE(state.syncRunning);
    EXPECT_FALSE(state.job.cancelRequested);
    const std::wstring record = state.record.Path();

    ::SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_FALSE(::IsWindow(window));
    window = nullptr;
    ASSERT_TRUE(endedWith.has_value());
    EXPECT_EQ(*endedWith, s.exitCode);
    const std::vector<std::string> after = LocalContents();
    for (size_t i = 0; i < names.size(); ++i) {
      // A replaced file is back as it was; a file that was missing may stay as newly copied.
      if (before[i] != "<missing>") EXPECT_EQ(after[i], before[i]) << i;
      EXPECT_EQ(ReadTestFile(local / (names[i] + L".shelfmateBackup")), "<missing>") << i;
    }
    const std::string text = ReadTestFile(record);
    EXPECT_NE(text.find("\r\nRestored: "), std::string::npos) << text;
    EXPECT_NE(text.find("\r\nResult: 2 - "), std::string::npos) << text;
    DropQuitMessages();
  }
}

TEST_F(WindowBehaviourTest, EnterInTheVersionQuestionSyncsNewerFilesOnlyAndCancelStartsNothing) {
  MakeVersionsInStep();
  WriteTestFile(remote / L"lamps\\a.ies", "remote a");
  WriteTestFile(local / L"lamps\\a.ies", "newer local a");
  SetAge(remote / L"lamps\\a.ies", -3600);
  MainWindowState& state = OpenWindow();

  DialogActor cancel([] {
    HWND dialog = WaitForDialog(L"Version Files Already in Sync");
    if (!dialog) return false;
    PressKey(dialog, VK_ESCAPE);
    return true;
  });
  Click(state, state.syncButton);
  EXPECT_TRUE(cancel.Succeeded());
  EXPECT_FALSE(state.syncRunning);
  EXPECT_EQ(Text(state.syncButton), L"Sync");
  EXPECT_EQ(ReadTestFile(local / L"lamps\\a.ies"), "newer local a");

  DialogActor enter([] {
    HWND dialog = WaitForDialog(L"Version Files Already in Sync");
    if (!dialog) return false;
    PressKey(dialog, VK_RETURN);
    return true;
  });
  Click(state, state.syncButton);
  EXPECT_TRUE(enter.Succeeded());
  EXPECT_FALSE(state.job.forceCopyAll);
  ASSERT_TRUE(WaitForEnd(state));
  EXPECT_EQ(CountOf(Text(state.logView), L"\nNot Copied: \\lamps\\a.ies"), 1);
  EXPECT_EQ(ReadTestFile(local / L"lamps\\a.ies"), "newer local a");
}

TEST_F(WindowBehaviourTest, ForceCopyReplacesEvenNewerLocalFiles) {
  MakeVersionsInStep();
  WriteTestFile(remote / L"lamps\\a.ies", "remote a");
  WriteTestFile(local / L"lamps\\a.ies", "newer local a");
  SetAge(remote / L"lamps\\a.ies", -3600);
  MainWindowState& state = OpenWindow();
  DialogActor force([] {
    HWND dialog = WaitForDialog(L"Version Files Already in Sync");
    if (!dialog) return false;
    PressButton(dialog, IDC_FORCE_COPY_ALL);
    return true;
  });
  Click(state, state.syncButton);
  EXPECT_TRUE(force.Succeeded());
  EXPECT_TRUE(state.job.forceCopyAll);
  ASSERT_TRUE(WaitForEnd(state));
  EXPECT_EQ(ReadTestFile(local / L"lamps\\a.ies"), "remote a");
}

TEST_F(WindowBehaviourTest, SettingsDuringASyncRewriteTheHeaderButNotTheRunningJob) {
  MakeLibrary(200);
  MainWindowState& state = OpenWindow();
  StartPausedSync(state);
  TempFolder elsewhere;
  ASSERT_TRUE(SetRemoteLibraryPath(elsewhere.Path()));

  DialogActor settings([] {
    HWND dialog = WaitForDialog(L"Settings");
    if (!dialog) return false;
    PressButton(dialog, IDCANCEL);
    return true;
  });
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_SETTINGS, 0), 0);
  EXPECT_TRUE(settings.Succeeded());
  EXPECT_EQ(Text(state.logView).find(L"Sync Library\r\n From:\t" + elsewhere.Path() + L"\r\n"), 0u);
  EXPECT_EQ(CountOf(Text(state.logView), L"\nCopied: "), 0);  // the log so far was dropped
  EXPECT_EQ(state.job.remoteRoot, remoteRoot);

  ResumeAndFinish(state);
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(ReadTestFile(local / names[i]), "remote " + std::to_string(i));
}

TEST_F(WindowBehaviourTest, CloseArrivingWhileADialogIsOpenLeavesTheWindowOpen) {
  MakeVersionsInStep();
  MainWindowState& state = OpenWindow();
  const struct {
    const wchar_t* caption;
    int dismiss;
    std::function<void()> open;
  } dialogs[] = {
      {L"Settings", IDCANCEL, [&] { ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_SETTINGS, 0), 0); }},
      {L"About Shelfmate", IDOK, [&] { ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0); }},
      {L"Version Files Already in Sync", IDCANCEL, [&] { Click(state, state.syncButton); }},
  };
  for (const auto& d : dialogs) {
    SCOPED_TRACE(testing::Message() << std::string(d.caption, d.caption + std::wcslen(d.caption)));
    DialogActor actor([&] {
      HWND dialog = WaitForDialog(d.caption);
      if (!dialog) return false;
      ::PostMessageW(window, WM_CLOSE, 0, 0);  // as Task Manager's "End task" does
      PressButton(dialog, d.dismiss);
      return true;
    });
    d.open();
    EXPECT_TRUE(actor.Succeeded());
    ASSERT_TRUE(::IsWindow(window));
  }
  EXPECT_FALSE(state.syncRunning);
  ::SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(::IsWindow(window));
}

TEST_F(WindowBehaviourTest, MissingFoldersAreReportedAndNothingStarts) {
  TempFolder gone;
  const std::wstring missing = gone / L"not-there";
  ASSERT_TRUE(SetRemoteLibraryPath(missing));
  MainWindowState& state = OpenWindow();
  std::wstring boxText;
  DialogActor box([&] {
    HWND dialog = WaitForDialog(L"Invalid Remote Path");
    if (!dialog) return false;
    wchar_t text[256] = {};
    ::GetDlgItemTextW(dialog, 0xFFFF, text, 256);
    boxText = text;
    PressButton(dialog, IDOK);
    return true;
  });
  Click(state, state.syncButton);
  EXPECT_TRUE(box.Succeeded());
  EXPECT_EQ(boxText, L"The Remote Library Path does not exist!");
  EXPECT_FALSE(state.syncRunning);
  EXPECT_EQ(Text(state.syncButton), L"Sync");
}

TEST_F(WindowBehaviourTest, AboutShowsTheVersion) {
  OpenWindow();
  std::wstring version;
  DialogActor about([&] {
    HWND dialog = WaitForDialog(L"About Shelfmate");
    if (!dialog) return false;
    wchar_t text[64] = {};
    ::GetDlgItemTextW(dialog, IDC_ABOUT_VERSION, text, 64);
    version = text;
    PressButton(dialog, IDOK);
    return true;
  });
  ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_ABOUT, 0), 0);
  EXPECT_TRUE(about.Succeeded());
  EXPECT_EQ(version, L"Version: 1.2.2.0");
}

}  // namespace
