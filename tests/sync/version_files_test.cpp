// Reading version files and deciding which ones are outdated.
#include "sync/version_files.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/temp_folder.h"

namespace {

// The UTF-16LE bytes of a text, as the library's version files hold them.
std::string Utf16(const std::wstring& text) {
  std::string bytes;
  for (wchar_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
  }
  return bytes;
}

TEST(ReadTextFile, ReadsLittleEndianUnitsUpToTheFirstZero) {
  TempFolder folder;
  struct Case {
    std::string bytes;
    std::wstring text;
  } cases[] = {
      {Utf16(L"5.2.1\r\n"), L"5.2.1\r\n"},
      {Utf16(L"5.2") + "\x31", L"5.2"},                   // a final odd byte is dropped
      {Utf16(std::wstring(L"5.2\0.9", 6)), L"5.2"},       // the text ends at U+0000
      {"\xFF\xFE" + Utf16(L"7"), std::wstring(L"\xFEFF") + L"7"},  // no mark is removed
      {Utf16(L"\x00E9\x20AC"), L"\x00E9\x20AC"},
      {"", L""},
  };
  for (const Case& c : cases) {
    WriteTestFile(folder / L"v.version", c.bytes);
    EXPECT_EQ(ReadTextFile(folder / L"v.version"), c.text);
  }
  EXPECT_EQ(ReadTextFile(folder / L"missing.version"), L"");
}

TEST(ReadVersionNumbers, ReadsUpToFourNumbersLikeAStream) {
  TempFolder folder;
  struct Case {
    std::string bytes;
    int count;
    std::array<std::int32_t, 4> numbers;  // 99 where the entry is to stay untouched
  } cases[] = {
      {Utf16(L"5.2.1.0"), 4, {5, 2, 1, 0}},
      {Utf16(L"5.2.1"), 3, {5, 2, 1, 99}},
      {Utf16(L"5.2.x.7"), 2, {5, 2, 99, 99}},
      {Utf16(L"5.2.1.0.9"), 4, {5, 2, 1, 0}},
      {Utf16(L"5.2.1\r\n"), 3, {5, 2, 1, 99}},
      {Utf16(L" 6. \t8"), 2, {6, 8, 99, 99}},         // leading white space is skipped
      {Utf16(L"-1.+2"), 2, {-1, 2, 99, 99}},
      {Utf16(L"2147483647.-2147483648"), 2, {2147483647, -2147483647 - 1, 99, 99}},
      {Utf16(L"5.2147483648.1"), 1, {5, 99, 99, 99}},  // out of range ends the reading
      {Utf16(L"5..2"), 1, {5, 99, 99, 99}},            // so does an empty piece
      {Utf16(L"12abc.4"), 2, {12, 4, 99, 99}},         // what follows the digits is ignored
      {Utf16(L"v5.2"), 0, {99, 99, 99, 99}},
      {"5.2", 0, {99, 99, 99, 99}},                   // an 8-bit file reads as no number
      {"\xFF\xFE" + Utf16(L"5.3"), 2, {5, 3, 99, 99}},  // Notepad's "Unicode" files
      {"", 0, {99, 99, 99, 99}},
  };
  for (const Case& c : cases) {
    WriteTestFile(folder / L"v.version", c.bytes);
    std::array<std::int32_t, 4> numbers = {99, 99, 99, 99};
    EXPECT_EQ(ReadVersionNumbers(folder / L"v.version", numbers), c.count) << c.bytes;
    EXPECT_EQ(numbers, c.numbers) << c.bytes;
  }
}

// One version file on each side; nullopt-like markers for what is missing or unreadable.
const std::string missing = "<missing>";
const std::string unreadable = "<unreadable>";

void PlaceVersionFile(const std::wstring& path, const std::string& version) {
  if (version == missing) return;
  if (version == unreadable)
    WriteTestFile(path + L"\\inside", "");  // a folder of that name cannot be read as a file
  else
    WriteTestFile(path, Utf16(std::wstring(version.begin(), version.end())));
}

TEST(CheckVersionFiles, OutdatedOnlyWhenMissingOrHigherAtTheFirstDifference) {
  struct Case {
    std::string local;
    std::string remote;
    bool outdated;
  } cases[] = {
      {"5.2.1", "5.2.2", true},
      {"5.2.1", "5.2.1", false},
      {"5.3", "5.2.9", false},
      {"5.2", "5.2.1", false},
      {"5.2.1", "5.2", false},
      {"5.2.1", "6", true},
      {"5.2.1.0", "5.2.1.0.9", false},
      {"5.2.1.0", "5.2.1.1.9", true},
      {"10.0", "9.9", false},
      {missing, "5.2", true},
      {missing, "garbage", true},
      {unreadable, "5.2", false},
      {"", "5.2", false},
      {"5.2", "", false},
  };
  for (const Case& c : cases) {
    TempFolder local, remote;
    PlaceVersionFile(local / L"Library.version", c.local);
    PlaceVersionFile(remote / L"Library.version", c.remote);
    StringList outdated;
    EXPECT_EQ(CheckVersionFiles(local.Path(), remote.Path(), &outdated), c.outdated)
        << c.local << " / " << c.remote;
    EXPECT_EQ(outdated, c.outdated ? StringList{L"Library.version"} : StringList{});
  }
}

TEST(CheckVersionFiles, ListsEveryOutdatedFileAndOnlyThose) {
  TempFolder local, remote;
  PlaceVersionFile(remote / L"a.version", "5.2");
  PlaceVersionFile(local / L"a.version", "5.2");
  PlaceVersionFile(remote / L"b.version", "5.3");
  PlaceVersionFile(local / L"b.version", "5.2");
  PlaceVersionFile(remote / L"c.version", "1.0");
  PlaceVersionFile(local / L"onlylocal.version", "0.1");  // plays no part
  PlaceVersionFile(remote / L"sub\\deep.version", "9.9");  // below the top: ignored
  StringList outdated = {L"earlier"};
  EXPECT_TRUE(CheckVersionFiles(local.Path(), remote.Path(), &outdated));
  std::sort(outdated.begin() + 1, outdated.end());
  EXPECT_EQ(outdated, (StringList{L"earlier", L"b.version", L"c.version"}));
  EXPECT_TRUE(CheckVersionFiles(local.Path(), remote.Path(), nullptr));
}

TEST(CheckVersionFiles, NothingToCompareIsNotOutdated) {
  TempFolder local, remote;
  PlaceVersionFile(local / L"a.version", "5.2");
  WriteTestFile(remote / L"lamps\\a.ies", "x");
  for (const std::wstring& root : {remote.Path(), remote / L"absent", std::wstring(L"  ")}) {
    StringList outdated;
    EXPECT_FALSE(CheckVersionFiles(local.Path(), root, &outdated));
    EXPECT_TRUE(outdated.empty());
  }
}

// A remote library without version files at its top can never show whether
// the local one is current; the check tells so, and only then.
TEST(CheckVersionFiles, TellsARemoteRootWithoutVersionFiles) {
  const struct {
    const char* what;
    const wchar_t* remoteFile;  // with "5.2" in it; nullptr: none
    bool none;
  } cases[] = {
      {"a version file in step", L"a.version", false},
      {"an outdated version file", L"b.version", false},
      {"only one below the top", L"lamps\\deep.version", true},
      {"none at all", nullptr, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder local, remote;
    PlaceVersionFile(local / L"a.version", "5.2");
    WriteTestFile(remote / L"lamps\\a.ies", "x");
    if (c.remoteFile) PlaceVersionFile(remote / c.remoteFile, "5.2");
    StringList outdated;
    VersionCheckTrouble trouble;
    CheckVersionFiles(local.Path(), remote.Path(), &outdated, &trouble);
    EXPECT_EQ(trouble.noRemoteVersionFiles, c.none);
    EXPECT_FALSE(trouble.any);
  }
}

}  // namespace
