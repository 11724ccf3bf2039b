// The windowless modes: their arguments, what they leave behind and their exit codes.
#include "install/windowless_modes.h"

#include <gtest/gtest.h>

#include "install/install_tree.h"
#include "install/simulated_installation.h"

namespace {

TEST(VersionQueryMode, ReplacesAnOldFileWithTheVersionAndNoLineEnd) {
  SimulatedInstallation machine;
  machine.InstallLumenark({3, 2, 8, 0});
  const std::wstring out = machine.Temp() / L"version.txt";
  WriteTestFile(out, "3.1.0.0\r\n");
  EXPECT_EQ(RunVersionQueryMode(L"\"" + out + L"\""), 0);
  EXPECT_EQ(ReadTestFile(out), "3.2.8.0");
  EXPECT_EQ(RunVersionQueryMode(out), 0);
  EXPECT_EQ(ReadTestFile(out), "3.2.8.0");
}

TEST(VersionQueryMode, WithoutLumenarkEndsWithOneAndLeavesNoFile) {
  SimulatedInstallation machine;
  const std::wstring out = machine.Temp() / L"version.txt";
  WriteTestFile(out, "3.1.0.0");
  EXPECT_EQ(RunVersionQueryMode(L"\"" + out + L"\""), 1);
  EXPECT_EQ(ReadTestFile(out), "<missing>");
}

TEST(VersionQueryMode, AnOutputThatCannotBeReplacedEndsWithOne) {
  SimulatedInstallation machine;
  machine.InstallLumenark({3, 2, 8, 0});
  // A folder of that name is not deleted, so it still exists when the file is written.
  const std::wstring out = machine.Temp() / L"taken";
  WriteTestFile(out + L"\\inside", "x");
  EXPECT_EQ(RunVersionQueryMode(out), 1);
  EXPECT_EQ(ReadTestFile(out + L"\\inside"), "x");
  // A folder that does not exist cannot hold the file.
  EXPECT_EQ(RunVersionQueryMode(machine.Temp() / L"no such folder\\v.txt"), 1);
}

TEST(ScriptMode, QuotesStayPartOfThePathAndTheExitCodeIsZero) {
  SimulatedInstallation machine;
  machine.InstallLumenark({3, 2, 8, 0});
  const std::wstring setup = machine.Temp() / L"setup\\";
  WriteTestFile(setup + L"A.IES", "a");
  WriteTestFile(setup + L"s.lms", "INSTALL A.IES\n");
  EXPECT_EQ(RunScriptMode(L"\"" + setup + L"s.lms\""), 0);
  EXPECT_EQ(ReadTestFile(setup + L"A.IES"), "a");
  EXPECT_EQ(RunScriptMode(setup + L"s.lms"), 0);
  EXPECT_EQ(ReadTestFile(machine.LibraryFolder() + L"Lamps\\a.ies"), "a");
}

TEST(LibraryInstallMode, RunsFromTheProgramsFolderAndAlwaysEndsWithZero) {
  SimulatedInstallation machine;
  int shown = 0;
  const ErrorMessage count = [&shown](const std::wstring&, const std::wstring&) { ++shown; };
  // No program path: nothing is looked up and nothing is shown.
  EXPECT_EQ(RunLibraryInstallMode(count), 0);
  EXPECT_EQ(shown, 0);
  const std::wstring program = machine.Temp() / L"Tools\\";
  platform::simulated::SetProgramPath(program + L"Shelfmate.exe");
  EXPECT_EQ(RunLibraryInstallMode(count), 0);
  EXPECT_EQ(shown, 1);

  machine.InstallLumenark({2014, 0, 0, 0});
  WriteTestFile(program + L"A.IES", "a");
  WriteTestFile(program + L"v2014+.lms", "INSTALL A.IES\n");
  EXPECT_EQ(RunLibraryInstallMode(count), 0);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(ReadTestFile(machine.LibraryFolder() + L"Lamps\\a.ies"), "a");
}

}  // namespace
