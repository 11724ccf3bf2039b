// The recursive folder listing: trimming, the two passes, order and early return.
#include "sync/file_listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "support/temp_folder.h"

namespace {

StringList Sorted(StringList list) {
  std::sort(list.begin(), list.end());
  return list;
}

StringList Listing(const std::wstring& folder, const std::wstring& pattern, bool recurse, int* count = nullptr) {
  StringList list;
  const int appended = ListFiles(folder, pattern, list, recurse);
  if (count) *count = appended;
  return list;
}

TEST(ListFiles, FinalBackslashMakesNoDifference) {
  TempFolder root;
  WriteTestFile(root / L"a.ies", "a");
  WriteTestFile(root / L"b.xml", "b");
  const StringList expected = {root / L"a.ies", root / L"b.xml"};
  for (const std::wstring& folder : {root.Path(), root.Path() + L"\\"}) {
    int count = -1;
    EXPECT_EQ(Sorted(Listing(folder, L"*.*", false, &count)), expected) << folder;
    EXPECT_EQ(count, 2);
  }
}

struct TrimCase {
  std::wstring before;
  std::wstring after;
  bool found;  // whether the trimmed text still names the folder
};

TEST(ListFiles, TrimsTabsThenSpacesOnePassEach) {
  TempFolder root;
  WriteTestFile(root / L"a.ies", "a");
  const TrimCase cases[] = {
      {L"  ", L"  ", true},
      {L"\t", L"\t", true},
      {L"\t  ", L"  \t", true},   // tabs outside the spaces go first, then the spaces
      {L"\t\t", L"\t\t", true},
      {L"", L" \t ", false},   // a tab inside a run of spaces at the end survives
      {L" \t", L"", false},    // and one inside a run at the start
  };
  for (const TrimCase& c : cases) {
    const StringList list = Listing(c.before + root.Path() + c.after, L"*.*", false);
    if (c.found) {
      EXPECT_EQ(list, StringList{root / L"a.ies"}) << "[" << c.before.size() << "," << c.after.size() << "]";
    } else {
      EXPECT_TRUE(list.empty());
    }
  }
}

TEST(ListFiles, RejectsAFolderThatTrimsToNothing) {
  for (const std::wstring& blank : {std::wstring(), std::wstring(L"   "), std::wstring(L"\t\t"),
                                    std::wstring(L"\t  \t")}) {
    StringList list = {L"kept"};
    EXPECT_THROW(ListFiles(blank, L"*.*", list, true), std::out_of_range);
    EXPECT_EQ(list, StringList{L"kept"});
  }
}

TEST(ListFiles, RecursionDecidesWhetherSubfolderFilesAppear) {
  TempFolder root;
  WriteTestFile(root / L"only\\deeper\\x.version", "x");
  WriteTestFile(root / L"only\\y.version", "y");
  EXPECT_TRUE(Listing(root.Path() + L"\\only", L"*.version", false).size() == 1);
  // A folder holding only subfolders gives nothing of its own.
  EXPECT_TRUE(Listing(root.Path(), L"*.*", false).empty());
  int count = -1;
  EXPECT_EQ(Sorted(Listing(root.Path(), L"*.*", true, &count)),
            Sorted({root / L"only\\deeper\\x.version", root / L"only\\y.version"}));
  EXPECT_EQ(count, 2);
}

TEST(ListFiles, FolderWhereThePatternMatchesNothingIsNotDescendedInto) {
  TempFolder root;
  WriteTestFile(root / L"readme.txt", "r");
  WriteTestFile(root / L"sub\\b.version", "b");
  EXPECT_TRUE(Listing(root.Path(), L"*.version", true).empty());

  // Once the folder has a match, subfolders are searched whatever their names.
  WriteTestFile(root / L"a.version", "a");
  EXPECT_EQ(Listing(root.Path(), L"*.version", true), (StringList{root / L"a.version", root / L"sub\\b.version"}));
}

TEST(ListFiles, PatternFiltersFileNamesOnly) {
  TempFolder root;
  WriteTestFile(root / L"5.2.version", "v");
  WriteTestFile(root / L"lamps.xml", "l");
  WriteTestFile(root / L"dir.version\\inner.txt", "i");
  EXPECT_EQ(Listing(root.Path(), L"*.version", false), StringList{root / L"5.2.version"});
}

TEST(ListFiles, FilesOfAFolderComeFirstThenEachSubfolderCompletely) {
  TempFolder root;
  for (const wchar_t* file : {L"f1", L"f2", L"A\\a1", L"A\\A2\\a2", L"A\\A2\\a3", L"A\\a4", L"B\\b1", L"B\\B2\\b2"})
    WriteTestFile(root / file, "x");
  const StringList list = Listing(root.Path(), L"*.*", true);
  ASSERT_EQ(list.size(), 8u);
  const auto at = [&](const wchar_t* file) {
    return std::find(list.begin(), list.end(), root / file) - list.begin();
  };
  const auto topFiles = std::max(at(L"f1"), at(L"f2"));
  EXPECT_LT(topFiles, 2);
  // Each subtree is one contiguous run, its own files before its subfolders'.
  const auto firstA = std::min({at(L"A\\a1"), at(L"A\\a4"), at(L"A\\A2\\a2"), at(L"A\\A2\\a3")});
  const auto lastA = std::max({at(L"A\\a1"), at(L"A\\a4"), at(L"A\\A2\\a2"), at(L"A\\A2\\a3")});
  EXPECT_EQ(lastA - firstA, 3);
  EXPECT_LT(std::max(at(L"A\\a1"), at(L"A\\a4")), std::min(at(L"A\\A2\\a2"), at(L"A\\A2\\a3")));
  EXPECT_LT(at(L"B\\b1"), at(L"B\\B2\\b2"));
  EXPECT_EQ(std::abs(at(L"B\\b1") - at(L"B\\B2\\b2")), 1);
}

TEST(ListFiles, AppendsToTheListAndCountsOnlyItsOwnEntries) {
  TempFolder root;
  WriteTestFile(root / L"a", "a");
  WriteTestFile(root / L"s\\b", "b");
  StringList list = {L"earlier"};
  EXPECT_EQ(ListFiles(root.Path(), L"*.*", list, true), 2);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0], L"earlier");
}

TEST(ListFiles, HiddenLookingNamesAreListedLikeAnyOther) {
  TempFolder root;
  WriteTestFile(root / L".hidden", "h");
  WriteTestFile(root / L".folder\\inside", "i");
  EXPECT_EQ(Sorted(Listing(root.Path(), L"*.*", true)), Sorted({root / L".hidden", root / L".folder\\inside"}));
}

TEST(ListFiles, MissingFolderGivesNothing) {
  TempFolder root;
  int count = -1;
  EXPECT_TRUE(Listing(root / L"absent", L"*.*", true, &count).empty());
  EXPECT_EQ(count, 0);
}

}  // namespace
