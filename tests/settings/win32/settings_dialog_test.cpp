// The Settings dialog opened from the main window's menu command in this
// process, driven from a helper thread while its modal loop runs.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "support/win32/message_queue.h"
#include "app/main_window.h"
#include "app/main_window_state.h"
#include "discovery/test_machine.h"
#include "resource.h"
#include "schedule/task_scheduler.h"
#include "settings/settings_store.h"
#include "support/temp_folder.h"

namespace {

constexpr DWORD kWaitMs = 10000;

const wchar_t kLocalPlaceholder[] = L"<Please Select a local location>";
const wchar_t kRemotePlaceholder[] = L"<Please Select a network location>";

// Polls the condition until it holds or the time is up.
bool Eventually(const std::function<bool()>& condition, DWORD milliseconds = kWaitMs) {
  const DWORD start = ::GetTickCount();
  while (!condition()) {
    if (::GetTickCount() - start > milliseconds) return false;
    ::Sleep(20);
  }
  return true;
}

// A shown top-level dialog with this caption and owner.
HWND FindOwnedDialog(HWND owner, const wchar_t* caption, DWORD milliseconds = kWaitMs) {
  HWND found = nullptr;
  Eventually(
      [&] {
        for (HWND w = ::FindWindowExW(nullptr, nullptr, L"#32770", caption); w != nullptr;
             w = ::FindWindowExW(nullptr, w, L"#32770", caption)) {
          if (::GetWindow(w, GW_OWNER) == owner && ::IsWindowVisible(w)) {
            found = w;
            return true;
          }
        }
        return false;
      },
      milliseconds);
  return found;
}

// The helper thread's view of the dialog's controls; every call crosses to
// the window thread, which is inside the dialog's modal loop.
std::wstring TextOf(HWND dialog, int id) {
  wchar_t text[1024] = {};
  ::SendMessageW(::GetDlgItem(dialog, id), WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  return text;
}

void SetText(HWND dialog, int id, const std::wstring& text) {
  ::SendMessageW(::GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool Checked(HWND dialog, int id) {
  return ::SendMessageW(::GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// A click as the control reports it: from the control, with its handle.
void Click(HWND dialog, int id) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

// Ticks or clears an automatic check box the way a click does.
void SetCheck(HWND dialog, int id, bool checked) {
  ::SendMessageW(::GetDlgItem(dialog, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  Click(dialog, id);
}

bool Enabled(HWND dialog, int id) { return ::IsWindowEnabled(::GetDlgItem(dialog, id)) != FALSE; }

// A message box owned by the dialog: its text, and OK pressed.
struct SeenBox {
  bool shown = false;
  std::wstring text;
};

SeenBox DismissBox(HWND dialog, const wchar_t* caption, DWORD milliseconds = kWaitMs) {
  SeenBox seen;
  const HWND box = FindOwnedDialog(dialog, caption, milliseconds);
  if (box == nullptr) return seen;
  seen.shown = true;
  wchar_t text[512] = {};
  ::SendMessageW(::GetDlgItem(box, 0xFFFF), WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  seen.text = text;
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
  Eventually([&] { return !::IsWindow(box); });
  return seen;
}

bool Closed(HWND dialog) {
  return Eventually([&] { return !::IsWindow(dialog); });
}

std::wstring Read(bool (*getter)(std::wstring&, size_t)) {
  std::wstring value = L"<none>";
  getter(value, 1024);
  return value;
}

std::wstring ReadFlag(bool (*getter)(bool&)) {
  bool flag = false;
  return getter(flag) ? (flag ? L"1" : L"0") : L"<none>";
}

// The main window over a clean settings file, with no scheduled task; what
// the prefix held before is put back afterwards.
class SettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_LINK_CLASS};
    ::InitCommonControlsEx(&controls);
    DeleteScheduledTask();
    DropQuitMessages();
    RegisterMainWindowClass(::GetModuleHandleW(nullptr));
  }

  void TearDown() override {
    if (window != nullptr && ::IsWindow(window)) ::DestroyWindow(window);
    DropQuitMessages();
    DeleteScheduledTask();
  }

  MainWindowState& OpenWindow() {
    window = CreateMainWindow(::GetModuleHandleW(nullptr));
    EXPECT_NE(window, nullptr);
    ::ShowWindow(window, SW_SHOW);
    return *reinterpret_cast<MainWindowState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  }

  // The installed library of the maker's shared INI file.
  void InstallLibrary(const std::wstring& folder) {
    WriteTestFile(machine.AppData() + L"\\Korvane\\Korvane.ini", "[Directories]\r\nLibrary=" + Narrow(folder) + "\r\n");
  }

  static std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

  // Opens the dialog through the Settings command and runs the script on a
  // helper thread while it is open. Whatever the script leaves open is
  // dismissed and cancelled, so the command always returns; opened tells
  // whether the dialog was found at all.
  void WithDialog(const std::function<void(HWND)>& script) {
    if (window == nullptr) OpenWindow();
    opened = false;
    std::thread helper([&] {
      const HWND dialog = FindOwnedDialog(window, L"Settings");
      if (dialog == nullptr) return;
      opened = true;
      script(dialog);
      Eventually([&] {
        if (!::IsWindow(dialog)) return true;
        for (const wchar_t* caption : {L"Paths Must Exist", L"Error", L"Failed"})
          if (const HWND box = FindOwnedDialog(dialog, caption, 0))
            ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        Click(dialog, IDCANCEL);
        return false;
      });
    });
    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDM_SETTINGS, 0), 0);
    helper.join();
  }

  TestMachine machine;
  HWND window = nullptr;
  bool opened = false;
};

struct OpeningCase {
  const char* name;
  bool sharedIni;
  bool taskExists;
};

class SettingsDialogOpening : public SettingsDialogTest, public ::testing::WithParamInterface<OpeningCase> {};

TEST_P(SettingsDialogOpening, ShowsWhatTheMachineHolds) {
  const OpeningCase& c = GetParam();
  if (c.sharedIni) InstallLibrary(L"D:\\Lamps Library");
  if (c.taskExists) {
    ASSERT_TRUE(CreateScheduledTask(30));
  }
  std::wstring local, remote;
  bool useInstalled = true, warn = true, schedule = !c.taskExists, localEnabled = false;
  WithDialog([&](HWND dialog) {
    local = TextOf(dialog, IDC_LOCAL_PATH);
    remote = TextOf(dialog, IDC_REMOTE_PATH);
    useInstalled = Checked(dialog, IDC_USE_INSTALLED);
    warn = Checked(dialog, IDC_SHOW_CLOSE_WARNING);
    schedule = Checked(dialog, IDC_RUN_ON_SCHEDULE);
    localEnabled = Enabled(dialog, IDC_LOCAL_PATH);
    Click(dialog, IDCANCEL);
  });
  ASSERT_TRUE(opened);
  EXPECT_EQ(local, c.sharedIni ? L"D:\\Lamps Library" : kLocalPlaceholder);
  EXPECT_EQ(remote, kRemotePlaceholder);
  EXPECT_FALSE(useInstalled);
  EXPECT_TRUE(localEnabled);
  EXPECT_FALSE(warn);
  EXPECT_EQ(schedule, c.taskExists);
}

INSTANTIATE_TEST_SUITE_P(FreshSettings, SettingsDialogOpening,
                         ::testing::Values(OpeningCase{"Placeholders", false, false},
                                           OpeningCase{"InstalledLibrary", true, false},
                                           OpeningCase{"ScheduledTask", false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

struct MissingPathCase {
  const char* name;
  bool localExists;
  bool remoteExists;
  const wchar_t* text;
};

class SettingsDialogMissingPaths : public SettingsDialogTest,
                                   public ::testing::WithParamInterface<MissingPathCase> {};

TEST_P(SettingsDialogMissingPaths, OneBoxListsEveryMissingPathAndNothingIsSaved) {
  const MissingPathCase& c = GetParam();
  TempFolder existing;
  SeenBox first, second;
  bool stillOpen = false;
  WithDialog([&](HWND dialog) {
    SetText(dialog, IDC_LOCAL_PATH, c.localExists ? existing.Path() : kLocalPlaceholder);
    SetText(dialog, IDC_REMOTE_PATH, c.remoteExists ? existing.Path() : existing / L"absent");
    SetCheck(dialog, IDC_SHOW_CLOSE_WARNING, true);
    Click(dialog, IDOK);
    first = DismissBox(dialog, L"Paths Must Exist");
    second = DismissBox(dialog, L"Paths Must Exist", 500);
    stillOpen = ::IsWindow(dialog) && ::IsWindowVisible(dialog);
    Click(dialog, IDCANCEL);
  });
  ASSERT_TRUE(opened);
  EXPECT_TRUE(first.shown);
  EXPECT_EQ(first.text, c.text);
  EXPECT_FALSE(second.shown);
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(Read(GetLocalLibraryPath), L"<none>");
  EXPECT_EQ(Read(GetRemoteLibraryPath), L"<none>");
  EXPECT_EQ(ReadFlag(GetShowCloseWarning), L"<none>");
  EXPECT_EQ(ReadFlag(GetUseInstalledLibrary), L"<none>");
}

INSTANTIATE_TEST_SUITE_P(
    Ok, SettingsDialogMissingPaths,
    ::testing::Values(
        MissingPathCase{"Both", false, false,
                        L"The Local Library Path does not exist!\nThe Remote Library Path does not exist!"},
        MissingPathCase{"LocalOnly", false, true, L"The Local Library Path does not exist!"},
        MissingPathCase{"RemoteOnly", true, false, L"The Remote Library Path does not exist!"}),
    [](const auto& info) { return std::string(info.param.name); });

struct SaveCase {
  const char* name;
  bool useInstalled;
  bool warn;
  bool remoteIsFile;
};

class SettingsDialogSaving : public SettingsDialogTest, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SettingsDialogSaving, OkSavesAllFourValuesAndTheWindowShowsTheNewFolders) {
  const SaveCase& c = GetParam();
  TempFolder installed, typed, remoteLibrary;
  const std::wstring remote = c.remoteIsFile ? remoteLibrary / L"share.lnk" : remoteLibrary.Path();
  if (c.remoteIsFile) WriteTestFile(remote, "a file named as the remote library");
  InstallLibrary(installed.Path());
  // The opposite flags are stored first, so each saved value shows.
  ASSERT_TRUE(SetShowCloseWarning(!c.warn));
  ASSERT_TRUE(SetUseInstalledLibrary(!c.useInstalled));
  const std::wstring local = c.useInstalled ? installed.Path() : typed.Path();
  MainWindowState& state = OpenWindow();
  bool closedByOk = false;
  SeenBox unexpected;
  WithDialog([&](HWND dialog) {
    SetCheck(dialog, IDC_USE_INSTALLED, c.useInstalled);
    // The click replaces the local text; typing comes after it.
    Eventually([&] { return Enabled(dialog, IDC_LOCAL_PATH) != c.useInstalled; });
    if (c.useInstalled)
      Eventually([&] { return TextOf(dialog, IDC_LOCAL_PATH) == local; });
    else
      SetText(dialog, IDC_LOCAL_PATH, local);
    SetText(dialog, IDC_REMOTE_PATH, remote);
    SetCheck(dialog, IDC_SHOW_CLOSE_WARNING, c.warn);
    Click(dialog, IDOK);
    closedByOk = Closed(dialog);
    if (!closedByOk) unexpected = DismissBox(dialog, L"Paths Must Exist", 0);
  });
  ASSERT_TRUE(opened);
  EXPECT_TRUE(closedByOk) << "box: " << std::string(unexpected.text.begin(), unexpected.text.end());
  EXPECT_EQ(Read(GetLocalLibraryPath), local);
  EXPECT_EQ(Read(GetRemoteLibraryPath), remote);
  EXPECT_EQ(ReadFlag(GetUseInstalledLibrary), c.useInstalled ? L"1" : L"0");
  EXPECT_EQ(ReadFlag(GetShowCloseWarning), c.warn ? L"1" : L"0");
  EXPECT_EQ(WindowText(state.logView, 65536), L"Sync Library\r\n From:\t" + remote + L"\r\n To:\t" + local + L"\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(Ok, SettingsDialogSaving,
                         ::testing::Values(SaveCase{"TypedFoldersNoFlags", false, false, false},
                                           SaveCase{"InstalledLibraryAndWarning", true, true, false},
                                           SaveCase{"RemoteNamesAFile", false, true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsDialogTest, InstalledLibraryBoxShowsTheRawValueAndClearingBringsBackTheStoredFolder) {
  TempFolder stored;
  InstallLibrary(L"D:\\Lamps Library");
  ASSERT_TRUE(SetLocalLibraryPath(stored.Path()));
  std::wstring opening, whileChecked, afterClearing;
  bool enabledWhileChecked = true, enabledAfterClearing = false;
  WithDialog([&](HWND dialog) {
    opening = TextOf(dialog, IDC_LOCAL_PATH);
    SetText(dialog, IDC_LOCAL_PATH, L"C:\\typed by the user");
    SetCheck(dialog, IDC_USE_INSTALLED, true);
    Eventually([&] { return !Enabled(dialog, IDC_LOCAL_PATH); });
    whileChecked = TextOf(dialog, IDC_LOCAL_PATH);
    enabledWhileChecked = Enabled(dialog, IDC_LOCAL_PATH);
    SetText(dialog, IDC_LOCAL_PATH, L"C:\\typed again");
    SetCheck(dialog, IDC_USE_INSTALLED, false);
    Eventually([&] { return Enabled(dialog, IDC_LOCAL_PATH); });
    afterClearing = TextOf(dialog, IDC_LOCAL_PATH);
    enabledAfterClearing = Enabled(dialog, IDC_LOCAL_PATH);
    Click(dialog, IDCANCEL);
  });
  ASSERT_TRUE(opened);
  EXPECT_EQ(opening, stored.Path());
  EXPECT_EQ(whileChecked, L"D:\\Lamps Library");
  EXPECT_FALSE(enabledWhileChecked);
  EXPECT_EQ(afterClearing, stored.Path());
  EXPECT_TRUE(enabledAfterClearing);
  // Cancel kept the stored folder and flag.
  EXPECT_EQ(Read(GetLocalLibraryPath), stored.Path());
  EXPECT_EQ(ReadFlag(GetUseInstalledLibrary), L"<none>");
}

TEST_F(SettingsDialogTest, ScheduleBoxActsAtOnceAndCancelDoesNotUndoIt) {
  bool createdWhileOpen = false;
  SeenBox failure;
  WithDialog([&](HWND dialog) {
    SetCheck(dialog, IDC_RUN_ON_SCHEDULE, true);
    createdWhileOpen = Eventually([] { return ScheduledTaskExists(); });
    failure = DismissBox(dialog, L"Failed", 200);
    Click(dialog, IDCANCEL);
  });
  ASSERT_TRUE(opened);
  EXPECT_TRUE(createdWhileOpen);
  EXPECT_FALSE(failure.shown) << std::string(failure.text.begin(), failure.text.end());
  EXPECT_TRUE(ScheduledTaskExists());

  bool checkedOnReopening = false, deletedWhileOpen = false;
  WithDialog([&](HWND dialog) {
    checkedOnReopening = Checked(dialog, IDC_RUN_ON_SCHEDULE);
    SetCheck(dialog, IDC_RUN_ON_SCHEDULE, false);
    deletedWhileOpen = Eventually([] { return !ScheduledTaskExists(); });
    Click(dialog, IDCANCEL);
  });
  ASSERT_TRUE(opened);
  EXPECT_TRUE(checkedOnReopening);
  EXPECT_TRUE(deletedWhileOpen);
  EXPECT_FALSE(ScheduledTaskExists());
}

TEST_F(SettingsDialogTest, AFolderTheSettingsFileCannotHoldIsReportedAndTheDialogStaysOpen) {
  TempFolder parent, remote;
  // U+0100 has no place in the settings file's 8-bit text.
  const std::wstring local = parent / L"Lamps \u0100 Library";
  ASSERT_TRUE(::CreateDirectoryW(local.c_str(), nullptr));
  ASSERT_TRUE(SetLocalLibraryPath(parent.Path()));
  SeenBox error;
  bool stillOpen = false;
  WithDialog([&](HWND dialog) {
    SetText(dialog, IDC_LOCAL_PATH, local);
    SetText(dialog, IDC_REMOTE_PATH, remote.Path());
    Click(dialog, IDOK);
    error = DismissBox(dialog, L"Error");
    stillOpen = !Eventually([&] { return !::IsWindow(dialog); }, 500) && ::IsWindowVisible(dialog);
    Click(dialog, IDCANCEL);
  });
  ASSERT_TRUE(opened);
  EXPECT_TRUE(error.shown);
  EXPECT_EQ(error.text, L"The settings could not be saved!");
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(Read(GetLocalLibraryPath), parent.Path());
}

}  // namespace
