// The settings store when the application-data folder is missing or its file cannot be made.
#include <gtest/gtest.h>

#include "discovery/test_machine.h"
#include "platform/file_system.h"
#include "platform/posix/fault_injection.h"
#include "platform/posix/simulated_machine.h"
#include "settings/settings_store.h"

namespace {

using platform::faults::Call;

// Every operation of the store, each answering whether it succeeded.
bool AnyOperationSucceeds() {
  std::wstring text;
  bool flag = false;
  return GetLocalLibraryPath(text, 1024) || SetLocalLibraryPath(L"C:\\L") || GetRemoteLibraryPath(text, 1024) ||
         SetRemoteLibraryPath(L"R:\\") || GetUseInstalledLibrary(flag) || SetUseInstalledLibrary(true) ||
         GetShowCloseWarning(flag) || SetShowCloseWarning(true) || ReadInstalledLibraryPath(text, 1024);
}

TEST(SettingsStoreFaults, NoApplicationDataFolderFailsEverythingAndCreatesNothing) {
  TestMachine machine;
  platform::simulated::SetCommonAppDataFolder(std::nullopt);
  std::wstring path = L"untouched";
  EXPECT_FALSE(SettingsFilePath(path));
  EXPECT_EQ(path, L"untouched");
  EXPECT_FALSE(AnyOperationSucceeds());
  EXPECT_EQ(platform::faults::CallCount(Call::CreateFolder), 0u);
  EXPECT_EQ(platform::faults::CallCount(Call::CreateEmptyFile), 0u);
}

class SettingsFileCreation : public testing::TestWithParam<Call> {};

TEST_P(SettingsFileCreation, FailureFailsEveryOperation) {
  TestMachine machine;
  platform::faults::FailAlways(GetParam());
  std::wstring path;
  EXPECT_FALSE(SettingsFilePath(path));
  EXPECT_EQ(path, machine.AppData() + L"\\Korvane\\Shelfmate\\Shelfmate.ini");
  EXPECT_FALSE(AnyOperationSucceeds());
  platform::faults::Reset();
  EXPECT_FALSE(platform::PathExists(path));
}

INSTANTIATE_TEST_SUITE_P(Calls, SettingsFileCreation, testing::Values(Call::CreateFolder, Call::CreateEmptyFile));

}  // namespace
