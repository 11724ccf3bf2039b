// The installed-library lookups: the order of their sources, the backslash rules and the version read.
#include "discovery/installed_library.h"

#include <gtest/gtest.h>

#include <optional>

#include "discovery/test_machine.h"
#include "platform/file_system.h"
#include "support/temp_folder.h"

namespace {

using platform::RegistryRoot;

const wchar_t kInstallationKey[] = L"Software\\Korvane\\Lumenark\\Installation";
const wchar_t kLegacyKey[] = L"Software\\Tessaray\\Lumenark\\Paths";

std::wstring SharedIni(const TestMachine& machine) { return machine.AppData() + L"\\Korvane\\Korvane.ini"; }
std::wstring LastLibraryFile(const TestMachine& machine) {
  return machine.AppData() + L"\\Korvane\\SolidWorks\\LastLibrary.path";
}

// What the machine holds for one lookup case; nothing set means absent.
struct Sources {
  std::optional<std::string> sharedIni = std::nullopt;
  std::optional<std::wstring> installation = std::nullopt, legacyLibrary = std::nullopt,
                              legacyLumenark = std::nullopt;
};

void Prepare(TestMachine& machine, const Sources& sources) {
  if (sources.sharedIni) WriteTestFile(SharedIni(machine), *sources.sharedIni);
  machine.SetRegistryString(RegistryRoot::LocalMachine, kInstallationKey, L"InstallationDirectory",
                            sources.installation);
  machine.SetRegistryString(RegistryRoot::CurrentUser, kLegacyKey, L"LibraryPath", sources.legacyLibrary);
  machine.SetRegistryString(RegistryRoot::CurrentUser, kLegacyKey, L"LumenarkDirectory", sources.legacyLumenark);
}

struct FolderCase {
  const char* name;
  Sources sources;
  std::optional<std::wstring> library, lumenark;
};

class FolderLookup : public testing::TestWithParam<FolderCase> {};

TEST_P(FolderLookup, TakesTheFirstSourceThatGivesAText) {
  const FolderCase& c = GetParam();
  TestMachine machine;
  Prepare(machine, c.sources);
  std::wstring library = L"untouched", lumenark = L"untouched";
  EXPECT_EQ(FindInstalledLibrary(library), c.library.has_value());
  EXPECT_EQ(library, c.library.value_or(L"untouched"));
  EXPECT_EQ(FindLumenarkFolder(lumenark), c.lumenark.has_value());
  EXPECT_EQ(lumenark, c.lumenark.value_or(L"untouched"));
}

const std::wstring kTooLongForTheRegistryBuffer = L"C:\\" + std::wstring(600, L'x');

INSTANTIATE_TEST_SUITE_P(
    Sources, FolderLookup,
    testing::Values(
        FolderCase{"SharedIniGetsBackslash",
                   {"[Directories]\r\nLibrary=D:\\Lamps Library\r\nLumenark=C:\\Lumenark\r\n", L"C:\\Other",
                    L"E:\\Other", L"E:\\Other"},
                   L"D:\\Lamps Library\\",
                   L"C:\\Lumenark\\"},
        FolderCase{"SharedIniBackslashNotDoubled",
                   {"[Directories]\r\nLibrary=D:\\Lib\\\r\nLumenark=C:\\L\\\r\n"},
                   L"D:\\Lib\\",
                   L"C:\\L\\"},
        FolderCase{"EmptyIniKeysFallToInstallationKey",
                   {"[Directories]\r\nLibrary=\r\nLumenark=\r\n", L"C:\\Program Files\\Lumenark", L"E:\\Lib",
                    L"E:\\Lumenark"},
                   L"C:\\Program Files\\Lumenark\\Library\\",
                   L"C:\\Program Files\\Lumenark\\"},
        FolderCase{"InstallationValueWithBackslash",
                   {std::nullopt, L"C:\\Apps\\Lumenark\\"},
                   L"C:\\Apps\\Lumenark\\Library\\",
                   L"C:\\Apps\\Lumenark\\"},
        FolderCase{"LegacyValuesAreTakenAsTheyAre",
                   {std::nullopt, std::nullopt, L"E:\\Lib", L"E:\\Lumenark\\"},
                   L"E:\\Lib\\",
                   L"E:\\Lumenark\\"},
        FolderCase{"EmptyInstallationValueFallsToLegacy",
                   {"[Other]\r\nLibrary=X:\\\r\n", L"", L"E:\\Lib", L"E:\\Lum"},
                   L"E:\\Lib\\",
                   L"E:\\Lum\\"},
        FolderCase{"TooLongInstallationValueFallsToLegacy",
                   {std::nullopt, kTooLongForTheRegistryBuffer, L"E:\\Lib", L"E:\\Lum"},
                   L"E:\\Lib\\",
                   L"E:\\Lum\\"},
        FolderCase{"IniKeyNamesAreCaseSensitive",
                   {"[Directories]\r\nlibrary=D:\\L\r\nlumenark=D:\\M\r\n"},
                   std::nullopt,
                   std::nullopt},
        FolderCase{"NoSourceAtAll", {}, std::nullopt, std::nullopt}),
    [](const testing::TestParamInfo<FolderCase>& info) { return std::string(info.param.name); });

TEST(InstalledLibrary, SharedIniPathIsUnderTheApplicationDataFolder) {
  TestMachine machine;
  std::wstring path;
  EXPECT_TRUE(SharedIniPath(path));
  EXPECT_EQ(path, machine.AppData() + L"\\Korvane\\Korvane.ini");
}

TEST(InstalledLibrary, LibraryFromSharedIniRefusesAnEmptyValue) {
  TestMachine machine;
  std::wstring folder = L"untouched";
  WriteTestFile(SharedIni(machine), "[Directories]\r\nLibrary=\r\n");
  EXPECT_FALSE(LibraryFromSharedIni(folder));
  EXPECT_EQ(folder, L"untouched");
  WriteTestFile(SharedIni(machine), "[Directories]\r\nLibrary=D:\\L\r\n");
  EXPECT_TRUE(LibraryFromSharedIni(folder));
  EXPECT_EQ(folder, L"D:\\L\\");
}

struct SolidWorksCase {
  const char* name;
  bool file;            // whether LastLibrary.path exists
  bool namesFolder;     // whether its content starts with an existing folder's path
  std::string suffix;   // what follows
  bool found;
};

class SolidWorksLibrary : public testing::TestWithParam<SolidWorksCase> {};

TEST_P(SolidWorksLibrary, IsTheStoredFolderWhenItExists) {
  const SolidWorksCase& c = GetParam();
  TestMachine machine;
  TempFolder temp;
  const std::wstring existing = temp / L"SW Library";
  WriteTestFile(existing + L"\\part.sldprt", "");
  const std::string stored = (c.namesFolder ? std::string(existing.begin(), existing.end()) : "") + c.suffix;
  if (c.file) WriteTestFile(LastLibraryFile(machine), stored);
  std::wstring folder = L"untouched";
  EXPECT_EQ(FindSolidWorksLibrary(folder), c.found);
  EXPECT_EQ(folder, c.found ? std::wstring(stored.begin(), stored.end()) : L"untouched");
}

INSTANTIATE_TEST_SUITE_P(
    Contents, SolidWorksLibrary,
    testing::Values(SolidWorksCase{"ExistingFolderWithoutLineEnd", true, true, "", true},
                    SolidWorksCase{"StoredBackslashIsKept", true, true, "\\", true},
                    SolidWorksCase{"LineEndIsPartOfThePath", true, true, "\r\n", false},
                    SolidWorksCase{"LoneLineFeedToo", true, true, "\n", false},
                    SolidWorksCase{"FolderThatDoesNotExist", true, true, " Old", false},
                    SolidWorksCase{"EmptyFile", true, false, "", false},
                    SolidWorksCase{"NoFile", false, true, "", false}),
    [](const testing::TestParamInfo<SolidWorksCase>& info) { return std::string(info.param.name); });

TEST(InstalledLibrary, ReadNarrowFileReadsInTextMode) {
  TempFolder temp;
  WriteTestFile(temp / L"text", "a\r\nb\rc\n\r\n\xE9");
  EXPECT_EQ(ReadNarrowFile(temp / L"text"), "a\nb\rc\n\n\xE9");
  EXPECT_EQ(ReadNarrowFile(temp / L"missing"), "");
}

TEST(InstalledLibrary, LumenarkVersionIsTheFileVersionOfTheInstalledProgram) {
  TestMachine machine;
  TempFolder temp;
  const std::wstring installation = temp / L"Lumenark";
  machine.SetRegistryString(RegistryRoot::LocalMachine, kInstallationKey, L"InstallationDirectory", installation);
  LumenarkVersion version;
  version.major = -1;
  EXPECT_FALSE(QueryLumenarkVersion(version));
  EXPECT_EQ(version.major, -1);

  machine.InstallFakeLumenark(installation + L"\\");
  ASSERT_TRUE(QueryLumenarkVersion(version));
  EXPECT_EQ(version.major, 3);
  EXPECT_EQ(version.minor, 2);
  EXPECT_EQ(version.build, 8);
  EXPECT_EQ(version.revision, 0);

  LumenarkVersion direct;
  EXPECT_TRUE(ReadFileVersion(installation + L"\\EXE\\Lumenark.exe", direct));
  EXPECT_EQ(direct.minor, 2);
}

TEST(InstalledLibrary, NoVersionWithoutInstallationOrVersionResource) {
  TestMachine machine;
  TempFolder temp;
  LumenarkVersion version;
  EXPECT_FALSE(QueryLumenarkVersion(version));
  WriteTestFile(temp / L"plain.txt", "no version here");
  EXPECT_FALSE(ReadFileVersion(temp / L"plain.txt", version));
  EXPECT_FALSE(ReadFileVersion(temp / L"missing.exe", version));
}

}  // namespace
