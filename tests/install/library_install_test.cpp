// The install mode's choice of scripts, its combined result and its error message.
#include "install/library_install.h"

#include <gtest/gtest.h>

#include "install/simulated_installation.h"
#include "install/version_script.h"
#include "sync/paths.h"

namespace {

TEST(VersionScriptFor, ComparesMinorAndBuildEachOnItsOwn) {
  struct Case {
    LumenarkVersion version;
    const wchar_t* script;  // nullptr: none
  };
  const Case cases[] = {
      {{2, 5, 0, 0}, L"v2.lms"},
      {{0, 0, 0, 0}, L"v2.lms"},
      {{3, 0, 0, 0}, L"v3.0-v3.2.7.lms"},
      {{3, 2, 7, 99}, L"v3.0-v3.2.7.lms"},
      {{3, 2, 8, 0}, L"v3.2.8+.lms"},
      {{3, 3, 0, 0}, L"v3.2.8+.lms"},
      {{3, 1, 9, 0}, L"v3.2.8+.lms"},
      {{4, 0, 0, 0}, nullptr},
      {{2013, 1, 0, 0}, nullptr},
      {{2014, 0, 0, 0}, L"v2014+.lms"},
      {{2020, 3, 1, 0}, L"v2014+.lms"},
  };
  for (const Case& c : cases) {
    const auto script = VersionScriptFor(c.version);
    const std::string name = FormatVersion(c.version);
    if (c.script == nullptr) {
      EXPECT_FALSE(script.has_value()) << name;
    } else {
      ASSERT_TRUE(script.has_value()) << name;
      EXPECT_EQ(*script, c.script) << name;
    }
  }
}

TEST(FormatVersion, PlainDecimalWithoutFillOrLineEnd) {
  EXPECT_EQ(FormatVersion({3, 2, 8, 0}), "3.2.8.0");
  EXPECT_EQ(FormatVersion({2014, 10, 65535, 7}), "2014.10.65535.7");
}

// Scripts beside a program, each moving a marker file of its own into the library.
struct ProgramFolder {
  explicit ProgramFolder(const SimulatedInstallation& machine) : folder(machine.Temp() / L"program\\") {
    for (const wchar_t* script : {L"v2.lms", L"v3.0-v3.2.7.lms", L"v3.2.8+.lms", L"v2014+.lms", L"solidworks.lms"}) {
      const std::string marker = Marker(script);
      WriteTestFile(folder + std::wstring(marker.begin(), marker.end()), "marker");
      WriteTestFile(folder + script, "INSTALL " + marker + "\r\n");
    }
  }
  static std::string Marker(const std::wstring& script) {
    std::string marker;
    for (wchar_t c : script)
      if ((c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9')) marker += static_cast<char>(c - (c >= L'a' ? 32 : 0));
    return marker + ".IES";
  }
  // The scripts that ran: those whose marker left the folder.
  StringList Ran() const {
    StringList ran;
    for (const wchar_t* script : {L"v2.lms", L"v3.0-v3.2.7.lms", L"v3.2.8+.lms", L"v2014+.lms", L"solidworks.lms"}) {
      const std::string marker = Marker(script);
      if (ReadTestFile(folder + std::wstring(marker.begin(), marker.end())) == "<missing>") ran.push_back(script);
    }
    return ran;
  }
  std::wstring folder;
};

struct Shown {
  int count = 0;
  std::wstring text, caption;
  ErrorMessage Recorder() {
    return [this](const std::wstring& t, const std::wstring& c) {
      ++count;
      text = t;
      caption = c;
    };
  }
};

TEST(RunLibraryInstall, RunsTheScriptOfTheInstalledReleaseAndTheSolidWorksScript) {
  struct Case {
    platform::FileVersion version;
    bool solidWorks;
    StringList ran;
  };
  const Case cases[] = {
      {{2, 5, 0, 0}, false, {L"v2.lms"}},
      {{3, 1, 9, 0}, false, {L"v3.2.8+.lms"}},
      {{3, 2, 7, 0}, false, {L"v3.0-v3.2.7.lms"}},
      {{3, 2, 8, 0}, true, {L"v3.2.8+.lms", L"solidworks.lms"}},
      {{2013, 1, 0, 0}, true, {L"solidworks.lms"}},
      {{2013, 1, 0, 0}, false, {}},
      {{2014, 0, 0, 0}, false, {L"v2014+.lms"}},
  };
  for (const Case& c : cases) {
    SimulatedInstallation machine;
    machine.InstallLumenark(c.version);
    if (c.solidWorks) machine.AddSolidWorksLibrary();
    ProgramFolder program(machine);
    Shown shown;
    // The folder is given without its trailing backslash; one is added.
    const std::wstring folder = program.folder.substr(0, program.folder.size() - 1);
    EXPECT_TRUE(RunLibraryInstall(folder, shown.Recorder())) << c.version.major << "." << c.version.minor;
    EXPECT_EQ(program.Ran(), c.ran) << c.version.major << "." << c.version.minor << "." << c.version.build;
    EXPECT_EQ(shown.count, 0);
  }
}

TEST(RunLibraryInstall, LibraryInTheSharedIniFileWithoutLumenarkRunsTheNewestScript) {
  SimulatedInstallation machine;
  const std::wstring library = machine.Temp() / L"Lib";
  machine.WriteSharedIni("Library=" + std::string(library.begin(), library.end()) + "\r\n");
  ProgramFolder program(machine);
  Shown shown;
  EXPECT_TRUE(RunLibraryInstall(program.folder, shown.Recorder()));
  EXPECT_EQ(program.Ran(), (StringList{L"v2014+.lms"}));
}

TEST(RunLibraryInstall, NothingInstalledShowsTheErrorAndRunsNoScript) {
  SimulatedInstallation machine;
  machine.AddSolidWorksLibrary();
  ProgramFolder program(machine);
  Shown shown;
  EXPECT_FALSE(RunLibraryInstall(program.folder, shown.Recorder()));
  EXPECT_EQ(shown.count, 1);
  EXPECT_EQ(shown.text, L"Neither Lumenark nor a Library was not found!");
  EXPECT_EQ(shown.caption, L"Error");
  EXPECT_EQ(program.Ran(), StringList{});
}

TEST(RunLibraryInstall, SolidWorksScriptRunsAfterAFailedVersionScriptAndTheResultIsFalse) {
  SimulatedInstallation machine;
  machine.InstallLumenark({3, 2, 8, 0});
  machine.AddSolidWorksLibrary();
  ProgramFolder program(machine);
  WriteTestFile(program.folder + L"v3.2.8+.lms", "INSTALL\r\n");
  Shown shown;
  EXPECT_FALSE(RunLibraryInstall(program.folder, shown.Recorder()));
  EXPECT_EQ(program.Ran(), (StringList{L"solidworks.lms"}));

  // A missing version script counts as failed too.
  SimulatedInstallation other;
  other.InstallLumenark({2, 5, 0, 0});
  EXPECT_FALSE(RunLibraryInstall(other.Temp() / L"empty", shown.Recorder()));
  EXPECT_EQ(shown.count, 0);
}

}  // namespace
