// Install scripts run against the installation the machine reports.
#include <gtest/gtest.h>

#include "install/install_script.h"
#include "install/install_tree.h"
#include "install/simulated_installation.h"

namespace {

TEST(RunInstallScript, TakesReleaseLibraryAndSolidWorksFolderFromTheMachine) {
  struct Case {
    platform::FileVersion version;
    bool solidWorks;
    std::wstring lamp;      // where A.IES goes, below the library
    bool geometryInstalled; // whether C.GEOXML leaves the script folder
  };
  const Case cases[] = {
      {{3, 2, 8, 0}, true, L"Lamps\\a.ies", true},
      {{3, 2, 8, 0}, false, L"Lamps\\a.ies", false},
      {{2, 5, 0, 0}, false, L"a.ies", false},
      {{2014, 0, 0, 0}, true, L"Lamps\\a.ies", true},
  };
  for (const Case& c : cases) {
    SimulatedInstallation machine;
    machine.InstallLumenark(c.version);
    if (c.solidWorks) machine.AddSolidWorksLibrary();
    const std::wstring scripts = machine.Temp() / L"setup\\";
    WriteTestFile(scripts + L"A.IES", "lamp");
    WriteTestFile(scripts + L"C.GEOXML", "geometry");
    WriteTestFile(scripts + L"E.P2M", "appearance");
    WriteTestFile(scripts + L"v.lms", "INSTALL A.IES\nINSTALL C.GEOXML\nINSTALL E.P2M\n");
    EXPECT_TRUE(RunInstallScript(scripts + L"v.lms")) << c.version.major;
    EXPECT_EQ(ReadTestFile(machine.LibraryFolder() + c.lamp), "lamp") << c.version.major;
    EXPECT_EQ(ReadTestFile(machine.LibraryFolder() + L"Lamp Geometry\\c.geoxml") == "geometry",
              c.geometryInstalled);
    EXPECT_EQ(ReadTestFile(machine.SolidWorksFolder() + L"\\Lumenark Appearances\\e.p2m") == "appearance",
              c.solidWorks);
  }
}

TEST(RunInstallScript, LibraryNamedOnlyInTheSharedIniFileCountsAsANewRelease) {
  SimulatedInstallation machine;
  const std::wstring library = machine.Temp() / L"Shared Library";
  machine.WriteSharedIni("Library=" + std::string(library.begin(), library.end()) + "\r\n");
  WriteTestFile(machine.Temp() / L"setup\\A.IES", "lamp");
  WriteTestFile(machine.Temp() / L"setup\\v.lms", "INSTALL A.IES\n");
  EXPECT_TRUE(RunInstallScript(machine.Temp() / L"setup\\v.lms"));
  EXPECT_EQ(ReadTestFile(library + L"\\Lamps\\a.ies"), "lamp");
}

TEST(RunInstallScript, DoesNothingWithoutScriptInstallationOrLibrary) {
  SimulatedInstallation machine;
  const std::wstring script = machine.Temp() / L"setup\\v.lms";
  WriteTestFile(machine.Temp() / L"setup\\A.IES", "lamp");
  EXPECT_FALSE(RunInstallScript(script)) << "missing script";
  WriteTestFile(script, "INSTALL A.IES\n");
  EXPECT_FALSE(RunInstallScript(script)) << "nothing installed";
  // Lumenark's folder is known from the shared INI file, but no library is.
  const std::wstring lumenark = machine.Temp() / L"Lumenark";
  WriteTestFile(lumenark + L"\\EXE\\Lumenark.exe", "MZ");
  platform::simulated::SetFileVersion(lumenark + L"\\EXE\\Lumenark.exe", platform::FileVersion{3, 2, 8, 0});
  machine.WriteSharedIni("Lumenark=" + std::string(lumenark.begin(), lumenark.end()) + "\r\n");
  EXPECT_FALSE(RunInstallScript(script)) << "no library";
  EXPECT_EQ(NamesIn(machine.Temp() / L"setup"), (StringList{L"A.IES", L"v.lms"}));
}

TEST(RunInstallScript, EmptyOrCommentOnlyScriptsSucceed) {
  SimulatedInstallation machine;
  machine.InstallLumenark({3, 2, 8, 0});
  const std::wstring script = machine.Temp() / L"v.lms";
  for (const char* content : {"", "; only a note\r\n\r\n;another\r\n"}) {
    WriteTestFile(script, content);
    EXPECT_TRUE(RunInstallScript(script)) << content;
  }
}

TEST(RunInstallScript, StopsWithFalseAtABrokenLine) {
  SimulatedInstallation machine;
  machine.InstallLumenark({3, 2, 8, 0});
  const std::wstring setup = machine.Temp() / L"setup\\";
  WriteTestFile(setup + L"A.IES", "a");
  WriteTestFile(setup + L"B.IES", "b");
  WriteTestFile(setup + L"v.lms", "INSTALL A.IES\r\nINSTALL <B.IES\r\nINSTALL B.IES\r\n");
  EXPECT_FALSE(RunInstallScript(setup + L"v.lms"));
  EXPECT_EQ(NamesIn(machine.LibraryFolder() + L"Lamps"), (StringList{L"a.ies"}));
}

}  // namespace
