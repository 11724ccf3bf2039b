// Shelfmate.exe in its windowless modes, started as an installer starts it,
// against fake installations in the Wine prefix.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "install/install_tree.h"
#include "install/script_text.h"
#include "install/windows_installation.h"
#include "support/temp_folder.h"
#include "support/win32/event_source.h"
#include "support/win32/process.h"

namespace {

constexpr DWORD kWait = 20000;

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// A copy of Shelfmate.exe with the five install scripts beside it; each
// script moves a marker file of its own (named in mixed case, which the
// upper-cased script finds only because Windows ignores case).
class InstallerFolder {
 public:
  explicit InstallerFolder(const TempFolder& temp) : folder(temp / L"installer\\") {
    std::error_code ignored;
    std::filesystem::create_directories(NativeOf(folder), ignored);
    copied = std::filesystem::copy_file(NativeOf(ShelfmateExe()), NativeOf(folder + L"Shelfmate.exe"), ignored);
    for (const wchar_t* script : kScripts) {
      WriteTestFile(folder + Marker(script), "marker");
      WriteTestFile(folder + script, "INSTALL " + Narrow(Marker(script)) + "\r\n");
    }
  }
  bool Copied() const { return copied; }
  std::wstring Exe() const { return folder + L"Shelfmate.exe"; }

  // The scripts whose marker has left the folder.
  StringList Ran() const {
    StringList ran;
    for (const wchar_t* script : kScripts)
      if (ReadTestFile(folder + Marker(script)) == "<missing>") ran.push_back(script);
    return ran;
  }
  static std::wstring Marker(const std::wstring& script) { return L"Marker-" + script.substr(0, script.size() - 4) + L".Ies"; }

 private:
  static constexpr const wchar_t* kScripts[] = {L"v2.lms", L"v3.0-v3.2.7.lms", L"v3.2.8+.lms", L"v2014+.lms",
                                                L"solidworks.lms"};
  std::wstring folder;
  bool copied = false;
};

TEST(WindowlessProcess, LibraryInstallRunsTheScriptsOfTheInstalledRelease) {
  struct Case {
    const wchar_t* version;
    bool solidWorks;
    StringList ran;
  };
  const Case cases[] = {
      {L"2.5.0.0", false, {L"v2.lms"}},
      {L"3.1.9.0", false, {L"v3.2.8+.lms"}},
      {L"3.2.7.0", false, {L"v3.0-v3.2.7.lms"}},
      {L"3.2.8.0", true, {L"v3.2.8+.lms", L"solidworks.lms"}},
      {L"2013.1.0.0", true, {L"solidworks.lms"}},
      {L"2014.0.0.0", false, {L"v2014+.lms"}},
  };
  for (const Case& c : cases) {
    WindowsInstallation installation;
    ASSERT_TRUE(installation.InstallLumenark(c.version)) << Narrow(c.version);
    if (c.solidWorks) installation.AddSolidWorksLibrary();
    InstallerFolder installer(installation.Temp());
    ASSERT_TRUE(installer.Copied());
    Process process(installer.Exe(), L"/libraryinstall");
    ASSERT_TRUE(process.Started());
    EXPECT_EQ(process.WaitForExit(kWait), 0) << Narrow(c.version);
    EXPECT_EQ(installer.Ran(), c.ran) << Narrow(c.version);
    // The markers are lamp files; they arrive under lower-case names.
    StringList arrived;
    for (const std::wstring& script : c.ran) arrived.push_back(ToLowerAscii(InstallerFolder::Marker(script)));
    std::sort(arrived.begin(), arrived.end());
    const std::wstring lamps = installation.LibraryFolder() + (c.version[0] == L'2' && c.version[1] == L'.' ? L"" : L"Lamps");
    StringList inLamps = NamesIn(lamps);
    std::erase_if(inLamps, [](const std::wstring& n) { return n == L"keep" || n == L"Lamps"; });
    EXPECT_EQ(inLamps, arrived) << Narrow(c.version);
  }
}

// The installer's start, elevated on Windows (Wine lets every program write
// the machine's keys), also registers the event source for the program.
TEST(WindowlessProcess, LibraryInstallWithOnlyASharedIniLibraryRunsTheNewestScript) {
  WindowsInstallation installation;
  installation.NameLibraryInSharedIni();
  InstallerFolder installer(installation.Temp());
  ASSERT_TRUE(installer.Copied());
  SetEventMessageFile(L"C:\\an older place\\Shelfmate.exe");
  Process process(installer.Exe(), L"/libraryinstall");
  ASSERT_TRUE(process.Started());
  EXPECT_EQ(process.WaitForExit(kWait), 0);
  EXPECT_EQ(installer.Ran(), (StringList{L"v2014+.lms"}));
  EXPECT_EQ(NamesIn(installation.SharedLibraryFolder() + L"Lamps"), (StringList{L"marker-v2014+.ies"}));
  EXPECT_EQ(EventMessageFile(), installer.Exe());
}

TEST(WindowlessProcess, LibraryInstallWithNothingInstalledShowsTheErrorAndRunsNoScript) {
  WindowsInstallation installation;
  InstallerFolder installer(installation.Temp());
  ASSERT_TRUE(installer.Copied());
  Process process(installer.Exe(), L"/libraryinstall");
  ASSERT_TRUE(process.Started());
  HWND box = WaitForMessageBox(process.Id(), L"Error", kWait);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(MessageBoxText(box), L"Neither Lumenark nor a Library was not found!");
  PressOk(box);
  EXPECT_EQ(process.WaitForExit(kWait), 0);
  EXPECT_EQ(installer.Ran(), StringList{});
}

TEST(WindowlessProcess, VersionQueryWritesTheSevenCharactersOfTheInstalledVersion) {
  WindowsInstallation installation;
  ASSERT_TRUE(installation.InstallLumenark(L"3.2.8.0"));
  const std::wstring out = installation.Temp() / L"out folder\\version.txt";
  WriteTestFile(out, "3.1.0.0\r\n");
  Process process(L"/lumenarkversion=\"" + out + L"\"");
  ASSERT_TRUE(process.Started());
  EXPECT_EQ(process.WaitForExit(kWait), 0);
  EXPECT_EQ(ReadTestFile(out), "3.2.8.0");
}

TEST(WindowlessProcess, VersionQueryWithoutLumenarkEndsWithOneAndLeavesNoFile) {
  WindowsInstallation installation;
  const std::wstring out = installation.Temp() / L"out folder\\version.txt";
  WriteTestFile(out, "3.1.0.0");
  Process process(L"/lumenarkversion=\"" + out + L"\"");
  ASSERT_TRUE(process.Started());
  EXPECT_EQ(process.WaitForExit(kWait), 1);
  EXPECT_EQ(ReadTestFile(out), "<missing>");
}

TEST(WindowlessProcess, ScriptModeWithAQuotedPathChangesNothing) {
  WindowsInstallation installation;
  ASSERT_TRUE(installation.InstallLumenark(L"3.2.8.0"));
  const std::wstring setup = installation.Temp() / L"setup\\";
  WriteTestFile(setup + L"A.IES", "a");
  WriteTestFile(setup + L"s.lms", "INSTALL A.IES\r\n");
  {
    Process process(L"/script=\"" + setup + L"s.lms\"");
    ASSERT_TRUE(process.Started());
    EXPECT_EQ(process.WaitForExit(kWait), 0);
  }
  EXPECT_EQ(ReadTestFile(setup + L"A.IES"), "a");
  EXPECT_EQ(NamesIn(installation.LibraryFolder()), (StringList{L"keep"}));
  // The same script named without quotes does run.
  Process process(L"/script=" + setup + L"s.lms");
  ASSERT_TRUE(process.Started());
  EXPECT_EQ(process.WaitForExit(kWait), 0);
  EXPECT_EQ(NamesIn(installation.LibraryFolder() + L"Lamps"), (StringList{L"a.ies"}));
}

}  // namespace
