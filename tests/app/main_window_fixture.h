// The main window in this process over real temporary libraries: the fixture
// and message-pumping helpers that the window tests share.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/main_window_state.h"
#include "app/window_messages.h"
#include "platform/file_system.h"
#include "settings/settings_store.h"
#include "support/temp_folder.h"
#include "support/win32/message_queue.h"


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

inline std::wstring Text(HWND window) { return WindowText(window, 65536); }

inline int CountOf(const std::wstring& text, const std::wstring& part) {
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
    DropQuitMessages();
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
