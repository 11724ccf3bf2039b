// Lookups against the simulated machine where only it can show what was asked.
#include <gtest/gtest.h>

#include "discovery/installed_library.h"
#include "discovery/test_machine.h"
#include "platform/posix/simulated_machine.h"
#include "support/temp_folder.h"

namespace {

TEST(InstalledLibraryPosix, MissingProgramIsNotAskedForItsVersion) {
  TestMachine machine;
  machine.SetRegistryString(platform::RegistryRoot::LocalMachine, L"Software\\Korvane\\Lumenark\\Installation",
                            L"InstallationDirectory", L"C:\\Program Files\\Lumenark");
  // A version known for the path, but no file there: the existence test comes first.
  platform::simulated::SetFileVersion(L"C:\\Program Files\\Lumenark\\EXE\\Lumenark.exe",
                                      platform::FileVersion{3, 2, 8, 0});
  LumenarkVersion version;
  EXPECT_FALSE(QueryLumenarkVersion(version));
  EXPECT_EQ(version.major, 0);
}

TEST(InstalledLibraryPosix, NoApplicationDataFolderLeavesOnlyTheRegistry) {
  TestMachine machine;
  platform::simulated::SetCommonAppDataFolder(std::nullopt);
  std::wstring path, folder;
  EXPECT_FALSE(SharedIniPath(path));
  EXPECT_FALSE(LibraryFromSharedIni(folder));
  EXPECT_FALSE(FindSolidWorksLibrary(folder));
  EXPECT_FALSE(FindInstalledLibrary(folder));
  machine.SetRegistryString(platform::RegistryRoot::CurrentUser, L"Software\\Tessaray\\Lumenark\\Paths",
                            L"LibraryPath", L"E:\\Lib");
  EXPECT_TRUE(FindInstalledLibrary(folder));
  EXPECT_EQ(folder, L"E:\\Lib\\");
}

}  // namespace
