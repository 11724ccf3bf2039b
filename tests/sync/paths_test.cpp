// Path and string helpers: cutting paths, trimming, splitting, folder trees.
#include "sync/paths.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

#ifndef _WIN32
#include "platform/posix/fault_injection.h"
#endif

namespace {

struct PathCase {
  std::wstring path;
  std::wstring parent;
  std::wstring name;
};

TEST(PathHelpers, ParentFolderAndFileNameFollowTheLastBackslash) {
  const PathCase cases[] = {
      {L"C:\\lib\\lamps\\a.ies", L"C:\\lib\\lamps\\", L"a.ies"},
      {L"C:\\lib\\", L"C:\\lib\\", L"C:\\lib\\"},
      {L"a.ies", L"", L"a.ies"},
      {L"", L"", L""},
      {L"\\", L"\\", L"\\"},
      {L"C:\\lib\\\\a.ies", L"C:\\lib\\\\", L"a.ies"},
      {L"C:/lib/a.ies", L"", L"C:/lib/a.ies"},  // the forward slash is no separator
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParentFolder(c.path), c.parent) << c.path;
    EXPECT_EQ(FileName(c.path), c.name) << c.path;
  }
}

struct TrimCase {
  std::wstring text;
  wchar_t c;
  std::wstring trimmed;
};

TEST(PathHelpers, TrimCharRemovesOnlyThatCharacterAtBothEnds) {
  const TrimCase cases[] = {
      {L"\"C:\\lib\\a b\"", L'"', L"C:\\lib\\a b"},
      {L"    ", L' ', L""},
      {L"", L' ', L""},
      {L"\t x \t", L'\t', L" x "},
      {L" \tx", L' ', L"\tx"},  // a tab behind the space stays
      {L"xx a x b xx", L'x', L" a x b "},
      {L"abc", L' ', L"abc"},
  };
  for (const auto& c : cases) EXPECT_EQ(TrimChar(c.text, c.c), c.trimmed) << c.text;
}

TEST(PathHelpers, SplitAtKeepsEveryPieceAndAppends) {
  struct Case {
    std::wstring text;
    wchar_t separator;
    StringList pieces;
  };
  const Case cases[] = {
      {L"5.2.1", L'.', {L"5", L"2", L"1"}},
      {L"a\\\\b\\", L'\\', {L"a", L"", L"b", L""}},
      {L"", L'.', {L""}},
      {L".", L'.', {L"", L""}},
      {L"abc", L'.', {L"abc"}},
  };
  for (const auto& c : cases) {
    StringList list;
    SplitAt(c.text, c.separator, list);
    EXPECT_EQ(list, c.pieces) << c.text;
  }

  StringList list{L"kept"};
  SplitAt(L"5.2", '.', list);  // the 8-bit form
  EXPECT_EQ(list, (StringList{L"kept", L"5", L"2"}));
}

TEST(PathHelpers, PathExistsTakesTheNameAsGiven) {
  TempFolder temp;
  WriteTestFile(temp / L"a.ies", "x");
  EXPECT_TRUE(PathExists(temp.Path()));
  EXPECT_TRUE(PathExists(temp / L"a.ies"));
  EXPECT_FALSE(PathExists(temp / L"b.ies"));
  EXPECT_FALSE(PathExists(temp / L"a.ies\\"));
  EXPECT_FALSE(PathExists(temp / L"a.ies\n"));
  EXPECT_FALSE(PathExists(L""));
}

TEST(MakeFolderTree, CreatesEveryMissingFolderAndSkipsEmptyComponents) {
  TempFolder temp;
  EXPECT_TRUE(MakeFolderTree(temp.Path() + L"\\lib\\\\sub\\"));
  EXPECT_TRUE(PathExists(temp / L"lib"));
  EXPECT_TRUE(PathExists(temp / L"lib\\sub"));

  EXPECT_TRUE(MakeFolderTree(temp.Path() + L"\\lib\\sub"));  // nothing left to create
  EXPECT_TRUE(MakeFolderTree(L""));
}

TEST(MakeFolderTree, AFileWhereAFolderIsNeededPassesAndTheDeeperFolderFails) {
  TempFolder temp;
  WriteTestFile(temp / L"lamps", "a file, not a folder");
  EXPECT_FALSE(MakeFolderTree(temp / L"lamps\\sub"));
  EXPECT_EQ(ReadTestFile(temp / L"lamps"), "a file, not a folder");
}

TEST(MakeFolderTree, StopsAtTheFirstFolderThatCannotBeCreated) {
  TempFolder temp;
  // No file system takes a name of 300 characters, so the second folder fails.
  const std::wstring tooLong(300, L'n');
  EXPECT_FALSE(MakeFolderTree(temp / (L"first\\" + tooLong + L"\\third")));
  EXPECT_TRUE(PathExists(temp / L"first"));
  EXPECT_FALSE(PathExists(temp / (L"first\\" + tooLong)));
}

#ifndef _WIN32
// A UNC path keeps "\\server\share\" whole: a share is reached, never made.
// The seam records each folder it is asked to create and refuses them all,
// so nothing is made anywhere, least of all at the root. A folder is asked
// for with single backslashes, and in the long form from 248 characters.
TEST(MakeFolderTree, UncPathBeginsBelowItsShare) {
  namespace faults = platform::faults;
  const std::wstring deep(240, L'd');
  struct Case {
    std::wstring path;
    std::vector<std::wstring> asked;
  } cases[] = {
      {L"\\\\server\\share\\lib\\x\\", {L"\\\\server\\share\\lib"}},
      {L"\\\\server\\share\\\\lib", {L"\\\\server\\share\\lib"}},
      {L"\\\\server\\share\\", {}},
      {L"\\\\server\\share", {}},
      {L"Q:\\\\absent-shelfmate\\", {L"Q:\\absent-shelfmate"}},
      {L"\\\\server\\share\\" + deep, {L"\\\\?\\UNC\\server\\share\\" + deep}},
  };
  for (const Case& c : cases) {
    faults::Reset();
    faults::FailAlways(faults::Call::CreateFolder);
    const bool made = MakeFolderTree(c.path);
    const std::vector<std::wstring> asked = faults::FolderCreations();
    faults::Reset();
    EXPECT_EQ(asked, c.asked) << c.path;
    EXPECT_EQ(made, c.asked.empty()) << c.path;
  }
}
#endif

}  // namespace
