// Reading and writing INI values: the line rules, the layout every write leaves, and refused writes.
#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_system.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct ReadCase {
  const char* name;
  std::string content;
  std::wstring section, key;
  bool found;
  std::wstring value;
};

void PrintTo(const ReadCase& c, std::ostream* out) { *out << c.name; }

class IniRead : public testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, FindsTheFirstMatchingKeyOfTheSection) {
  const ReadCase& c = GetParam();
  TempFolder temp;
  const std::wstring file = temp / L"test.ini";
  WriteTestFile(file, c.content);
  std::wstring value = L"untouched";
  EXPECT_EQ(ReadIniValue(c.section, file, c.key, value), c.found);
  EXPECT_EQ(value, c.found ? c.value : L"untouched");
}

const std::string kLongValue(1500, 'x');

INSTANTIATE_TEST_SUITE_P(
    Lines, IniRead,
    testing::Values(
        ReadCase{"FurtherSignsBelongToTheValue", "[D]\r\nLocal=a=b\r\n", L"D", L"Local", true, L"a=b"},
        ReadCase{"LineWithoutSignIsKeyWithEmptyValue", "[D]\r\nLocal\r\n", L"D", L"Local", true, L""},
        ReadCase{"NothingAfterSignIsEmptyValue", "[D]\nLocal=\n", L"D", L"Local", true, L""},
        ReadCase{"KeyCaseCounts", "[D]\r\nLocal=x\r\n", L"D", L"local", false, L""},
        ReadCase{"SectionCaseCounts", "[Settings]\r\nk=1\r\n", L"settings", L"k", false, L""},
        ReadCase{"SpacesAroundSignArePartOfKeyAndValue", "[D]\r\nLocal = x\r\n", L"D", L"Local ", true, L" x"},
        ReadCase{"SpacesAroundSignHideTheBareKey", "[D]\r\nLocal = x\r\n", L"D", L"Local", false, L""},
        ReadCase{"HeaderWithTrailingSpaceIsAKeyLine", "[A]\r\nk=1\r\n[B] \r\nk2=2\r\n", L"A", L"k2", true, L"2"},
        ReadCase{"NoSectionForHeaderWithTrailingSpace", "[A]\r\nk=1\r\n[B] \r\nk2=2\r\n", L"B", L"k2", false, L""},
        ReadCase{"EmptyBracketsAreNoHeader", "[]\r\nk=1\r\n", L"", L"k", true, L"1"},
        ReadCase{"LinesAboveFirstHeaderAreInTheEmptySection", "k=0\r\n[A]\r\nk=1\r\n", L"", L"k", true, L"0"},
        ReadCase{"SemicolonLineIsAnOrdinaryKey", "[A]\r\n;comment\r\n", L"A", L";comment", true, L""},
        ReadCase{"FirstBlockOfRepeatedSectionWins", "[D]\r\nk=1\r\n[E]\r\nk=3\r\n[D]\r\nk=2\r\n", L"D", L"k", true,
                 L"1"},
        ReadCase{"KeyInSecondBlockIsFound", "[D]\r\na=1\r\n[E]\r\nk=3\r\n[D]\r\nk=2\r\n", L"D", L"k", true, L"2"},
        ReadCase{"LoneLineFeedsEndLines", "[D]\nk=1\n[E]\nk=2", L"E", L"k", true, L"2"},
        ReadCase{"CarriageReturnNotBeforeLineFeedStays", "[D]\r\nk=a\rb\r\n", L"D", L"k", true, L"a\rb"},
        ReadCase{"HighBytesAreTheirOwnCodes", "[D]\r\nk=\xE9\xFF\r\n", L"D", L"k", true, L"\u00E9\u00FF"},
        ReadCase{"LineOf1023CharactersIsReadWhole", "[D]\r\nk=" + std::string(1021, 'v') + "\r\n", L"D", L"k",
                 true, std::wstring(1021, L'v')},
        ReadCase{"LongerLineIsSeenAsItsFirst1023Characters", "[D]\r\nk=" + kLongValue + "\r\n", L"D", L"k", true,
                 std::wstring(1021, L'x')},
        ReadCase{"ReadingGoesOnAfterALongLine", "[D]\r\nlong=" + kLongValue + "\r\nafter=1\r\n", L"D", L"after",
                 true, L"1"},
        ReadCase{"TailOfALongLineIsNoLineOfItsOwn", "[D]\r\n" + std::string(1023, 'p') + "[E]\r\nk=1\r\n", L"D",
                 L"k", true, L"1"},
        ReadCase{"EmptyFileHasNoKeys", "", L"", L"", false, L""}),
    [](const testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

struct WriteCase {
  const char* name;
  std::string before;
  std::wstring section, key, value;
  std::string after;
  // False where the section holds the key more than once: the reader takes the first.
  bool readsBack = true;
};

void PrintTo(const WriteCase& c, std::ostream* out) { *out << c.name; }

class IniWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, LeavesTheNormalisedLayout) {
  const WriteCase& c = GetParam();
  TempFolder temp;
  const std::wstring file = temp / L"test.ini";
  WriteTestFile(file, c.before);
  ASSERT_TRUE(WriteIniValue(c.section, file, c.key, c.value));
  EXPECT_EQ(ReadTestFile(file), c.after);
  std::wstring value;
  EXPECT_TRUE(ReadIniValue(c.section, file, c.key, value));
  EXPECT_EQ(value == c.value, c.readsBack);
  EXPECT_FALSE(platform::PathExists(file + L".shelfmateNew"));
}

const std::string kLongLine = "long=" + std::string(1500, 'q');

INSTANTIATE_TEST_SUITE_P(
    Layouts, IniWrite,
    testing::Values(
        WriteCase{"NewKeyBecomesFirstLineOfItsSection",
                  "[Directories]\r\nRemote=R:\\Library\r\n[Settings]\r\nShow Close Warning=1\r\n", L"Directories",
                  L"Local", L"C:\\Lib",
                  "[Directories]\r\nLocal=C:\\Lib\r\nRemote=R:\\Library\r\n\r\n[Settings]\r\nShow Close Warning=1\r\n"},
        WriteCase{"LineFeedFileComesOutWithCarriageReturns",
                  "[Directories]\nRemote=R:\\Library\n[Settings]\nShow Close Warning=1\n", L"Directories", L"Local",
                  L"C:\\Lib",
                  "[Directories]\r\nLocal=C:\\Lib\r\nRemote=R:\\Library\r\n\r\n[Settings]\r\nShow Close Warning=1\r\n"},
        WriteCase{"EmptyFileGetsBlankLineThenSection", "", L"Settings", L"Show Close Warning", L"1",
                  "\r\n[Settings]\r\nShow Close Warning=1\r\n"},
        WriteCase{"ExistingKeyIsReplacedInPlace", "[S]\r\na=1\r\nb=2\r\nc=3\r\n", L"S", L"b", L"two",
                  "[S]\r\na=1\r\nb=two\r\nc=3\r\n"},
        WriteCase{"LastKeyOfRepeatedSectionIsReplaced", "[D]\r\nk=1\r\n[E]\r\nx=0\r\n[D]\r\nk=2\r\n", L"D", L"k",
                  L"9", "[D]\r\nk=1\r\n\r\n[E]\r\nx=0\r\n\r\n[D]\r\nk=9\r\n", false},
        WriteCase{"NewKeyGoesAfterLastHeaderOfSection", "[D]\r\na=1\r\n[E]\r\nx=0\r\n[D]\r\nb=2\r\n", L"D", L"k",
                  L"9", "[D]\r\na=1\r\n\r\n[E]\r\nx=0\r\n\r\n[D]\r\nk=9\r\nb=2\r\n"},
        WriteCase{"MissingSectionIsAppended", "[A]\r\nx=1\r\n", L"B", L"y", L"2", "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n"},
        WriteCase{"BlankLinesVanishAndOrderStays", "\r\n[A]\r\n\r\n\r\nx=1\r\n\r\nz=3\r\n\r\n\r\n[B]\r\ny=2\r\n\r\n",
                  L"B", L"y", L"3", "\r\n[A]\r\nx=1\r\nz=3\r\n\r\n[B]\r\ny=3\r\n"},
        WriteCase{"AnyLineStartingWithBracketGetsBlankLineBefore", "[A]\r\nx=1\r\n[B \r\n", L"A", L"x", L"2",
                  "[A]\r\nx=2\r\n\r\n[B \r\n"},
        WriteCase{"KeyAboveFirstHeaderIsNotInTheNamedSection", "k=1\r\n[A]\r\nk=2\r\n", L"A", L"k", L"3",
                  "k=1\r\n\r\n[A]\r\nk=3\r\n"},
        WriteCase{"LongLinesAreCarriedThroughWhole", "[A]\r\n" + kLongLine + "\r\nx=1\r\n", L"A", L"x", L"2",
                  "[A]\r\n" + kLongLine + "\r\nx=2\r\n"},
        WriteCase{"HeaderIsNeverTakenForAKey", "[A]\r\nx=1\r\n", L"A", L"[A]", L"v",
                  "[A]\r\n\r\n[A]=v\r\nx=1\r\n"},
        WriteCase{"SignsAndHighCharactersInValueRoundTrip", "[A]\r\n", L"A", L"k", L"a=b\u00E9\u00FF\rc",
                  "[A]\r\nk=a=b\xE9\xFF\rc\r\n"},
        WriteCase{"EmptyValue", "[A]\r\nk=1\r\n", L"A", L"k", L"", "[A]\r\nk=\r\n"},
        WriteCase{"LineOfExactly1023Characters", "[A]\r\n", L"A", L"k", std::wstring(1021, L'v'),
                  "[A]\r\nk=" + std::string(1021, 'v') + "\r\n"}),
    [](const testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

struct RefusedCase {
  const char* name;
  std::wstring section, key, value;
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

class IniRefusedWrite : public testing::TestWithParam<RefusedCase> {};

TEST_P(IniRefusedWrite, FailsAndLeavesTheFileAsItWas) {
  const RefusedCase& c = GetParam();
  TempFolder temp;
  const std::wstring file = temp / L"test.ini";
  const std::string before = "[A]\n\nk=1\n";
  WriteTestFile(file, before);
  EXPECT_FALSE(WriteIniValue(c.section, file, c.key, c.value));
  EXPECT_EQ(ReadTestFile(file), before);
  EXPECT_FALSE(platform::PathExists(file + L".shelfmateNew"));
}

INSTANTIATE_TEST_SUITE_P(
    Unstorable, IniRefusedWrite,
    testing::Values(RefusedCase{"CharacterAbove255InValue", L"A", L"k", L"C:\\\u0141\u00F3d\u017A"},
                    RefusedCase{"CharacterAbove255InKey", L"A", L"k\u20AC", L"1"},
                    RefusedCase{"CharacterAbove255InSection", L"\u20AC", L"k", L"1"},
                    RefusedCase{"LineFeedInValue", L"A", L"k", L"1\nevil=2"},
                    RefusedCase{"LineFeedInKey", L"A", L"k\n", L"1"},
                    RefusedCase{"LineFeedInSection", L"A]\n[B", L"k", L"1"},
                    RefusedCase{"SignInKey", L"A", L"k=x", L"1"},
                    RefusedCase{"EmptySection", L"", L"k", L"1"},
                    RefusedCase{"EmptyKey", L"A", L"", L"1"},
                    RefusedCase{"LineThatReadsAsHeader", L"A", L"[B", L"]"},
                    RefusedCase{"LineLongerThan1023", L"A", L"k", std::wstring(1022, L'v')},
                    RefusedCase{"HeaderLongerThan1023", std::wstring(1022, L's'), L"k", L"1"}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

TEST(IniFile, MissingFileIsNeitherReadNorCreated) {
  TempFolder temp;
  const std::wstring file = temp / L"missing.ini";
  std::wstring value = L"untouched";
  EXPECT_FALSE(ReadIniValue(L"A", file, L"k", value));
  EXPECT_EQ(value, L"untouched");
  EXPECT_FALSE(WriteIniValue(L"A", file, L"k", L"1"));
  EXPECT_FALSE(platform::PathExists(file));
  EXPECT_FALSE(platform::PathExists(file + L".shelfmateNew"));
}

TEST(IniFile, ReadOnlyFileIsReadButNotWritten) {
  TempFolder temp;
  const std::wstring file = temp / L"test.ini";
  WriteTestFile(file, "[A]\r\nk=1\r\n");
  fs::permissions(NativeOf(file), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  std::wstring value;
  EXPECT_TRUE(ReadIniValue(L"A", file, L"k", value));
  EXPECT_EQ(value, L"1");
  EXPECT_FALSE(WriteIniValue(L"A", file, L"k", L"2"));
  EXPECT_EQ(ReadTestFile(file), "[A]\r\nk=1\r\n");
  EXPECT_FALSE(platform::PathExists(file + L".shelfmateNew"));
}

TEST(IniFile, RepeatedWritesKeepOneLinePerKey) {
  TempFolder temp;
  const std::wstring file = temp / L"test.ini";
  WriteTestFile(file, "");
  for (int round = 0; round < 3; ++round) {
    ASSERT_TRUE(WriteIniValue(L"Directories", file, L"Local", L"C:\\Lib" + std::to_wstring(round)));
    ASSERT_TRUE(WriteIniValue(L"Settings", file, L"Show Close Warning", round % 2 ? L"1" : L"0"));
  }
  EXPECT_EQ(ReadTestFile(file), "\r\n[Directories]\r\nLocal=C:\\Lib2\r\n\r\n[Settings]\r\nShow Close Warning=0\r\n");
}

}  // namespace
