// "Shelfmate.exe /silent" started as a process, as the scheduled task starts
// it, over temporary libraries named in the prefix's settings file.
#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "discovery/test_machine.h"
#include "settings/settings_store.h"
#include "support/temp_folder.h"
#include "support/win32/process.h"
#include "support/win32/test_share.h"
#include "sync/sync_tree.h"
#include "tray_stand_in.h"

namespace {

using sync_test::HasLeftovers;
using sync_test::Snapshot;
using sync_test::WriteFileAt;

constexpr DWORD kSyncEndsWithinMs = 60000;

// Waits for the program's exit while acting as the Windows tray, which
// reports the final balloon's time-out; -1 when it did not end in time.
long WaitForExitAsTheTrayEndsIt(Process& process, DWORD milliseconds) {
  if (!driver::WaitReportingTimeOuts(process.Handle(), process.Id(), milliseconds)) return -1;
  return process.WaitForExit(0);
}

// A version file as the library holds it: UTF-16LE text.
std::string VersionFile(const std::string& number) {
  std::string bytes;
  for (char c : number) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

// The settings file (inside the machine's Korvane folder) is put back afterwards.
class SilentProcess : public ::testing::Test {
 protected:
  void Configure() {
    ASSERT_TRUE(SetLocalLibraryPath(local.Path()));
    ASSERT_TRUE(SetRemoteLibraryPath(remote.Path()));
  }

  TestMachine machine;
  TempFolder remote, local;
};

struct OutdatedCase {
  const char* name;
  const char* localVersion;  // nullptr: no local version file
  bool onShare;              // the remote library at the root of a share named by UNC
};

class SilentProcessOutdated : public SilentProcess, public ::testing::WithParamInterface<OutdatedCase> {};

TEST_P(SilentProcessOutdated, SyncsAndEndsByItselfWithTheLocalTreeEqualToTheRemoteOne) {
  const OutdatedCase& c = GetParam();
  std::optional<TempFolder> shared;
  if (c.onShare) shared.emplace(kShareFolder);
  const TempFolder& remote = c.onShare ? *shared : this->remote;
  WriteFileAt(remote / L"x.version", VersionFile("3.2"), 0);
  if (c.localVersion != nullptr) WriteFileAt(local / L"x.version", VersionFile(c.localVersion), 0);
  for (int i = 0; i < 40; ++i) {
    const std::wstring name = L"Lamps\\Group" + std::to_wstring(i % 4) + L"\\lamp" + std::to_wstring(i) + L".ies";
    WriteFileAt(remote / name, "remote lamp " + std::to_string(i), 0);
    // Some local files are older copies, which the run replaces.
    if (i % 5 == 0) WriteFileAt(local / name, "older local lamp " + std::to_string(i), -3600);
  }
  Configure();
  if (c.onShare) ASSERT_TRUE(SetRemoteLibraryPath(kShareName));

  Process process(L"/silent");
  ASSERT_TRUE(process.Started()) << ShelfmateExe();
  // Time-outs reported while the sync runs change nothing.
  EXPECT_EQ(WaitForExitAsTheTrayEndsIt(process, kSyncEndsWithinMs), 0);
  EXPECT_EQ(Snapshot(local), Snapshot(remote));
  EXPECT_FALSE(HasLeftovers(local));
}

INSTANTIATE_TEST_SUITE_P(VersionFiles, SilentProcessOutdated,
                         ::testing::Values(OutdatedCase{"LocalMissing", nullptr, false},
                                           OutdatedCase{"LocalLower", "3.1", false},
                                           OutdatedCase{"FromAShare", "3.1", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SilentProcess, VersionFilesInStepEndAtOnceWithoutCopying) {
  WriteFileAt(remote / L"x.version", VersionFile("3.2"), 0);
  WriteFileAt(local / L"x.version", VersionFile("3.2"), 0);
  WriteFileAt(remote / L"Lamps\\newer.ies", "newer remote lamp", 0);
  WriteFileAt(local / L"Lamps\\newer.ies", "older local lamp", -3600);
  WriteFileAt(remote / L"Lamps\\only remote.ies", "remote only", 0);
  Configure();

  Process process(L"/silent");
  ASSERT_TRUE(process.Started()) << ShelfmateExe();
  // Ending at once, with nobody reporting a balloon's time-out: a run or an
  // error would keep it until its final balloon had gone.
  EXPECT_EQ(process.WaitForExit(4000), 0);
  EXPECT_EQ(process.WaitForExit(kSyncEndsWithinMs), 0);
  EXPECT_EQ(ReadTestFile(local / L"Lamps\\newer.ies"), "older local lamp");
  EXPECT_EQ(ReadTestFile(local / L"Lamps\\only remote.ies"), "<missing>");
  EXPECT_FALSE(HasLeftovers(local));
}

struct ErrorCase {
  const char* name;
  bool local;
  bool remote;  // set to a folder that does not exist
};

class SilentProcessError : public SilentProcess, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(SilentProcessError, ShowsTheErrorBalloonAndEndsWhenItTimesOut) {
  const ErrorCase& c = GetParam();
  WriteFileAt(remote / L"x.version", VersionFile("3.2"), 0);
  WriteFileAt(remote / L"Lamps\\lamp.ies", "remote lamp", 0);
  if (c.local) {
    ASSERT_TRUE(SetLocalLibraryPath(local.Path()));
  }
  if (c.remote) {
    ASSERT_TRUE(SetRemoteLibraryPath(remote / L"absent"));
  }

  Process process(L"/silent");
  ASSERT_TRUE(process.Started()) << ShelfmateExe();
  // The balloon stays until the tray reports its time-out.
  EXPECT_EQ(process.WaitForExit(2000), -1);
  EXPECT_EQ(WaitForExitAsTheTrayEndsIt(process, kSyncEndsWithinMs), 0);
  EXPECT_EQ(ReadTestFile(local / L"Lamps\\lamp.ies"), "<missing>");
}

INSTANTIATE_TEST_SUITE_P(Settings, SilentProcessError,
                         ::testing::Values(ErrorCase{"NoFolders", false, false},
                                           ErrorCase{"NoRemoteFolder", true, false},
                                           ErrorCase{"RemoteFolderMissing", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Where the tray never reports the time-out, as Wine's does not, the program
// ends by itself a minute after its final balloon.
TEST_F(SilentProcess, EndsByItselfWhenTheTrayNeverReportsTheTimeOut) {
  Process process(L"/silent");  // no folders: the error balloon at once
  ASSERT_TRUE(process.Started()) << ShelfmateExe();
  const DWORD start = ::GetTickCount();
  EXPECT_EQ(process.WaitForExit(90000), 0);
  EXPECT_GE(::GetTickCount() - start, 59000u);
}

}  // namespace
