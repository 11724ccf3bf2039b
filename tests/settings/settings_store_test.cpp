// The settings store: its file's creation, the local-folder fall-back, flags and capacities.
#include "settings/settings_store.h"

#include <gtest/gtest.h>

#include <optional>

#include "discovery/test_machine.h"
#include "platform/file_system.h"
#include "support/temp_folder.h"

namespace {

std::wstring SettingsFile(const TestMachine& machine) { return machine.AppData() + L"\\Korvane\\Shelfmate\\Shelfmate.ini"; }
std::wstring SharedIni(const TestMachine& machine) { return machine.AppData() + L"\\Korvane\\Korvane.ini"; }

TEST(SettingsStore, FirstUseCreatesAnEmptySettingsFileAndFindsNothing) {
  TestMachine machine;
  ASSERT_FALSE(platform::PathExists(machine.AppData() + L"\\Korvane"));
  std::wstring remote = L"untouched";
  EXPECT_FALSE(GetRemoteLibraryPath(remote, 1024));
  EXPECT_EQ(remote, L"untouched");
  EXPECT_EQ(ReadTestFile(SettingsFile(machine)), "");

  std::wstring path;
  EXPECT_TRUE(SettingsFilePath(path));
  EXPECT_EQ(path, SettingsFile(machine));
}

TEST(SettingsStore, SettersWriteTheSettingsFile) {
  TestMachine machine;
  EXPECT_TRUE(SetRemoteLibraryPath(L"\\\\server\\share\\Library"));
  EXPECT_TRUE(SetLocalLibraryPath(L"C:\\Lumenark\\Library"));
  EXPECT_TRUE(SetUseInstalledLibrary(true));
  EXPECT_TRUE(SetShowCloseWarning(false));
  EXPECT_EQ(ReadTestFile(SettingsFile(machine)),
            "\r\n[Directories]\r\nLocal=C:\\Lumenark\\Library\r\nRemote=\\\\server\\share\\Library\r\n"
            "\r\n[Settings]\r\nShow Close Warning=0\r\nUse Installed Library=1\r\n");

  std::wstring local, remote;
  bool useInstalled = false, showWarning = true;
  EXPECT_TRUE(GetLocalLibraryPath(local, 260));
  EXPECT_TRUE(GetRemoteLibraryPath(remote, 260));
  EXPECT_TRUE(GetUseInstalledLibrary(useInstalled));
  EXPECT_TRUE(GetShowCloseWarning(showWarning));
  EXPECT_EQ(local, L"C:\\Lumenark\\Library");
  EXPECT_EQ(remote, L"\\\\server\\share\\Library");
  EXPECT_TRUE(useInstalled);
  EXPECT_FALSE(showWarning);
}

struct LocalCase {
  const char* name;
  std::optional<std::string> settings, sharedIni;
  bool found;
  std::wstring local;
};

class LocalLibrary : public testing::TestWithParam<LocalCase> {};

TEST_P(LocalLibrary, FallsBackToTheInstalledLibraryOnlyWhileLocalIsAbsent) {
  const LocalCase& c = GetParam();
  TestMachine machine;
  if (c.settings) WriteTestFile(SettingsFile(machine), *c.settings);
  if (c.sharedIni) WriteTestFile(SharedIni(machine), *c.sharedIni);
  std::wstring local = L"untouched";
  EXPECT_EQ(GetLocalLibraryPath(local, 1024), c.found);
  EXPECT_EQ(local, c.found ? c.local : L"untouched");
}

INSTANTIATE_TEST_SUITE_P(
    Sources, LocalLibrary,
    testing::Values(
        LocalCase{"LocalWins", "[Directories]\r\nLocal=C:\\Mine\r\n", "[Directories]\r\nLibrary=D:\\Lib\r\n", true,
                  L"C:\\Mine"},
        LocalCase{"EmptyLocalWinsToo", "[Directories]\r\nLocal=\r\n", "[Directories]\r\nLibrary=D:\\Lib\r\n", true,
                  L""},
        LocalCase{"InstalledLibraryRawWithoutBackslash", std::nullopt, "[Directories]\r\nLibrary=D:\\Lamps Library\r\n",
                  true, L"D:\\Lamps Library"},
        LocalCase{"InstalledLibraryRawWithBackslash", "[Directories]\r\nRemote=R:\\\r\n",
                  "[Directories]\r\nLibrary=D:\\Lib\\\r\n", true, L"D:\\Lib\\"},
        LocalCase{"EmptyInstalledLibraryCounts", std::nullopt, "[Directories]\r\nLibrary=\r\n", true, L""},
        LocalCase{"NoSharedIniFile", std::nullopt, std::nullopt, false, L""},
        LocalCase{"NoLibraryKey", std::nullopt, "[Directories]\r\nLumenark=C:\\L\r\n", false, L""}),
    [](const testing::TestParamInfo<LocalCase>& info) { return std::string(info.param.name); });

struct FlagCase {
  const char* name;
  std::string stored;
  bool flag;
};

class StoredFlag : public testing::TestWithParam<FlagCase> {};

TEST_P(StoredFlag, IsTrueExactlyWhenItStartsWithOne) {
  const FlagCase& c = GetParam();
  TestMachine machine;
  WriteTestFile(SettingsFile(machine), "[Settings]\r\nUse Installed Library=" + c.stored +
                                           "\r\nShow Close Warning=" + c.stored + "\r\n");
  for (const bool start : {false, true}) {
    bool useInstalled = start, showWarning = start;
    EXPECT_TRUE(GetUseInstalledLibrary(useInstalled));
    EXPECT_TRUE(GetShowCloseWarning(showWarning));
    EXPECT_EQ(useInstalled, c.flag);
    EXPECT_EQ(showWarning, c.flag);
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, StoredFlag,
                         testing::Values(FlagCase{"One", "1", true}, FlagCase{"OneZero", "10", true},
                                         FlagCase{"OneX", "1x", true}, FlagCase{"True", "true", false},
                                         FlagCase{"Zero", "0", false}, FlagCase{"Empty", "", false},
                                         FlagCase{"SpaceOne", " 1", false}),
                         [](const testing::TestParamInfo<FlagCase>& info) { return std::string(info.param.name); });

TEST(SettingsStore, MissingFlagLeavesTheCallersFlag) {
  TestMachine machine;
  WriteTestFile(SettingsFile(machine), "[Settings]\r\nOther=1\r\n");
  for (const bool start : {false, true}) {
    bool useInstalled = start, showWarning = start;
    EXPECT_FALSE(GetUseInstalledLibrary(useInstalled));
    EXPECT_FALSE(GetShowCloseWarning(showWarning));
    EXPECT_EQ(useInstalled, start);
    EXPECT_EQ(showWarning, start);
  }
}

TEST(SettingsStore, ValueThatDoesNotFitTheCapacityFailsUncut) {
  TestMachine machine;
  const std::wstring fits(259, L'f'), tooLong(260, L't');
  ASSERT_TRUE(SetRemoteLibraryPath(fits));
  ASSERT_TRUE(SetLocalLibraryPath(tooLong));
  WriteTestFile(SharedIni(machine), "[Directories]\r\nLibrary=" + std::string(260, 'i') + "\r\n");

  std::wstring path = L"untouched";
  EXPECT_TRUE(GetRemoteLibraryPath(path, 260));
  EXPECT_EQ(path, fits);
  EXPECT_FALSE(GetRemoteLibraryPath(path, 259));
  path = L"untouched";
  EXPECT_FALSE(GetLocalLibraryPath(path, 260));
  EXPECT_FALSE(ReadInstalledLibraryPath(path, 260));
  EXPECT_EQ(path, L"untouched");
  EXPECT_TRUE(GetLocalLibraryPath(path, 261));
  EXPECT_EQ(path, tooLong);
  EXPECT_TRUE(ReadInstalledLibraryPath(path, 1024));
  EXPECT_EQ(path, std::wstring(260, L'i'));
}

// The retry waits an administrator writes; what the file cannot say keeps the default.
TEST(SettingsStore, RetryWaitsComeFromTheSettingsOrTheDefault) {
  const std::vector<unsigned> byDefault = {10, 30, 90};
  struct Case {
    std::optional<std::wstring> stored;
    std::vector<unsigned> waits;
  } cases[] = {
      {std::nullopt, byDefault},  {L"0", {}},          {L"5", {5}},          {L" 1 , 2,3 ", {1, 2, 3}},
      {L"0,0", {0, 0}},           {L"1,2,3,4", byDefault}, {L"", byDefault}, {L"10,,90", byDefault},
      {L"-5", byDefault},         {L"ten", byDefault}, {L"86401", byDefault}, {L"99999999999", byDefault},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.stored.value_or(L"<absent>")));
    TestMachine machine;
    if (c.stored) WriteTestFile(SettingsFile(machine), "[Settings]\r\nRetryWaitSeconds=" +
                                                           std::string(c.stored->begin(), c.stored->end()) + "\r\n");
    EXPECT_EQ(GetRetryWaitSeconds(), c.waits);
  }
}

TEST(SettingsStore, CopyThreadsComeFromTheSettingsWithinTheirRange) {
  const struct {
    std::optional<std::string> stored;
    unsigned threads;
  } cases[] = {
      {std::nullopt, 8}, {"1", 1},   {" 16 ", 16}, {"32", 32}, {"0", 1},
      {"33", 32},        {"99999999999999999999", 32}, {"", 8}, {"four", 8},
      // below the range: its lower end
      {"-2", 1}, {" -1 ", 1}, {"-99999999999999999999", 1},
      {"-", 8}, {"- 2", 8}, {"-2x", 8}, {"--2", 8},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored.value_or("<absent>"));
    TestMachine machine;
    if (c.stored) WriteTestFile(SettingsFile(machine), "[Settings]\r\nCopyThreads=" + *c.stored + "\r\n");
    EXPECT_EQ(GetCopyThreads(), c.threads);
  }
}

TEST(SettingsStore, RandomDelayComesFromTheSettingsWithinItsRange) {
  const struct {
    std::optional<std::string> stored;
    bool inSettings;
    unsigned minutes;
  } cases[] = {
      {std::nullopt, false, 30}, {"0", true, 0},     {" 45 ", true, 45}, {"240", true, 240},
      {"241", true, 240},        {"-5", true, 0},    {"", false, 30},    {"half an hour", false, 30},
      {"99999999999999999999", true, 240},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored.value_or("<absent>"));
    TestMachine machine;
    if (c.stored) WriteTestFile(SettingsFile(machine), "[Settings]\r\nScheduleRandomDelayMinutes=" + *c.stored + "\r\n");
    const RandomDelaySetting delay = GetScheduleRandomDelay();
    EXPECT_EQ(delay.inSettings, c.inSettings);
    EXPECT_EQ(delay.minutes, c.minutes);
  }
}

TEST(SettingsStore, ReadInstalledLibraryPathIsRaw) {
  TestMachine machine;
  std::wstring path = L"untouched";
  EXPECT_FALSE(ReadInstalledLibraryPath(path, 1024));
  EXPECT_EQ(path, L"untouched");
  WriteTestFile(SharedIni(machine), "[Directories]\r\nLibrary=D:\\Lamps Library\r\n");
  EXPECT_TRUE(ReadInstalledLibraryPath(path, 1024));
  EXPECT_EQ(path, L"D:\\Lamps Library");
}

}  // namespace
