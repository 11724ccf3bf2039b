// The file-system seam behaves alike on both platforms where the program relies on it.
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <utility>
#include <vector>

#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

void MakeReadOnly(const std::wstring& path) {
  fs::permissions(NativeOf(path), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

std::vector<platform::FolderEntry> Search(const std::wstring& folderAndPattern) {
  std::vector<platform::FolderEntry> entries;
  platform::FolderSearch search(folderAndPattern);
  for (platform::FolderEntry entry; search.Next(entry);) entries.push_back(entry);
  return entries;
}

TEST(FileSystem, MoveNoReplaceRefusesAnExistingTarget) {
  TempFolder temp;
  WriteTestFile(temp / L"a", "A");
  WriteTestFile(temp / L"b", "B");
  EXPECT_FALSE(platform::MoveNoReplace(temp / L"a", temp / L"b"));
  EXPECT_EQ(ReadTestFile(temp / L"a"), "A");
  EXPECT_EQ(ReadTestFile(temp / L"b"), "B");
  EXPECT_TRUE(platform::MoveNoReplace(temp / L"a", temp / L"c"));
  EXPECT_EQ(ReadTestFile(temp / L"c"), "A");
  EXPECT_FALSE(platform::PathExists(temp / L"a"));
}

TEST(FileSystem, MoveReplacingSwapsInOneStepButNotOverAReadOnlyFile) {
  TempFolder temp;
  WriteTestFile(temp / L"new", "NEW");
  WriteTestFile(temp / L"old", "OLD");
  EXPECT_TRUE(platform::MoveReplacing(temp / L"new", temp / L"old"));
  EXPECT_EQ(ReadTestFile(temp / L"old"), "NEW");
  EXPECT_FALSE(platform::PathExists(temp / L"new"));

  WriteTestFile(temp / L"new", "NEWER");
  MakeReadOnly(temp / L"old");
  EXPECT_FALSE(platform::MoveReplacing(temp / L"new", temp / L"old"));
  EXPECT_EQ(ReadTestFile(temp / L"old"), "NEW");
  EXPECT_EQ(ReadTestFile(temp / L"new"), "NEWER");
}

TEST(FileSystem, CopyReplacingKeepsTheSourceLastWriteTime) {
  TempFolder temp;
  WriteTestFile(temp / L"remote", "remote content");
  SetAge(temp / L"remote", -3600);
  WriteTestFile(temp / L"local", "old local content, longer than the remote one");
  ASSERT_TRUE(platform::CopyReplacing(temp / L"remote", temp / L"local"));
  EXPECT_EQ(ReadTestFile(temp / L"local"), "remote content");

  platform::FileTime remoteTime = 0, localTime = 0;
  ASSERT_TRUE(platform::LastWriteTime(temp / L"remote", remoteTime));
  ASSERT_TRUE(platform::LastWriteTime(temp / L"local", localTime));
  EXPECT_EQ(remoteTime, localTime);

  EXPECT_FALSE(platform::CopyReplacing(temp / L"missing", temp / L"local"));
  EXPECT_EQ(ReadTestFile(temp / L"local"), "remote content");
  // A copy asked to stop fails as cancelled and leaves no target.
  platform::CopyStop stop;
  stop.Request();
  EXPECT_FALSE(platform::CopyReplacing(temp / L"remote", temp / L"stopped", &stop));
  EXPECT_EQ(platform::LastFailure(), platform::kErrorRequestAborted);
  EXPECT_FALSE(platform::PathExists(temp / L"stopped"));
}

TEST(FileSystem, ReadOnlyFilesRefuseCopyDeleteAndNewContent) {
  TempFolder temp;
  WriteTestFile(temp / L"remote", "R");
  WriteTestFile(temp / L"locked", "L");
  MakeReadOnly(temp / L"locked");
  EXPECT_FALSE(platform::CopyReplacing(temp / L"remote", temp / L"locked"));
  EXPECT_FALSE(platform::DeleteOneFile(temp / L"locked"));
  EXPECT_FALSE(platform::WriteNewFile(temp / L"locked", "W"));
  EXPECT_EQ(ReadTestFile(temp / L"locked"), "L");
  // A read-only file may still be renamed.
  EXPECT_TRUE(platform::MoveNoReplace(temp / L"locked", temp / L"moved"));
}

TEST(FileSystem, LastWriteTimeIsForFilesOnly) {
  TempFolder temp;
  platform::FileTime time = 0;
  EXPECT_FALSE(platform::LastWriteTime(temp / L"missing", time));
  EXPECT_FALSE(platform::LastWriteTime(temp.Path(), time));
  WriteTestFile(temp / L"a", "");
  EXPECT_TRUE(platform::LastWriteTime(temp / L"a", time));
}

TEST(FileSystem, WholeFileReadsAndWrites) {
  TempFolder temp;
  const std::string bytes("a\0b\r\nc\xff", 7);
  ASSERT_TRUE(platform::WriteNewFile(temp / L"f", bytes));
  std::string read;
  ASSERT_TRUE(platform::ReadWholeFile(temp / L"f", read));
  EXPECT_EQ(read, bytes);
  ASSERT_TRUE(platform::WriteNewFile(temp / L"f", "short"));
  ASSERT_TRUE(platform::ReadWholeFile(temp / L"f", read, platform::ReadSharing::ReadersAndWriters));
  EXPECT_EQ(read, "short");
  EXPECT_FALSE(platform::ReadWholeFile(temp / L"missing", read));
  EXPECT_FALSE(platform::WriteNewFile(temp / L"no\\such\\folder\\f", "x"));

  EXPECT_TRUE(platform::CreateEmptyFile(temp / L"empty"));
  EXPECT_FALSE(platform::CreateEmptyFile(temp / L"empty"));
  EXPECT_EQ(ReadTestFile(temp / L"empty"), "");
}

TEST(FileSystem, FolderSearchMatchesThePatternAndMarksFolders) {
  TempFolder temp;
  WriteTestFile(temp / L"b.version", "");
  WriteTestFile(temp / L"A.VERSION", "");
  WriteTestFile(temp / L"c.ies", "");
  WriteTestFile(temp / L"x.version.bak", "");
  fs::create_directories(NativeOf(temp / L"lamps"));

  std::vector<std::wstring> versions;
  for (const auto& entry : Search(temp / L"*.version")) versions.push_back(entry.name);
  EXPECT_EQ(versions, (std::vector<std::wstring>{L"A.VERSION", L"b.version"}));

  std::vector<std::wstring> files, folders;
  for (const auto& entry : Search(temp / L"*.*")) (entry.isFolder ? folders : files).push_back(entry.name);
  EXPECT_EQ(files, (std::vector<std::wstring>{L"A.VERSION", L"b.version", L"c.ies", L"x.version.bak"}));
  EXPECT_NE(std::find(folders.begin(), folders.end(), L"lamps"), folders.end());

  platform::FolderSearch nothing(temp / L"*.lms");
  EXPECT_FALSE(nothing.Started());
  platform::FolderSearch missing(temp / L"missing\\*.*");
  EXPECT_FALSE(missing.Started());
}

// The long form takes every character as it stands, so it is made canonical.
TEST(FileSystem, LongFormIsAbsoluteWithSingleBackslashes) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"C:\\lib\\\\lamps\\a.ies", L"\\\\?\\C:\\lib\\lamps\\a.ies"},
      {L"\\\\server\\share\\\\lib\\a.ies", L"\\\\?\\UNC\\server\\share\\lib\\a.ies"},
      {L"\\\\?\\C:\\lib\\a.ies", L"\\\\?\\C:\\lib\\a.ies"},
  };
  for (const auto& [path, longForm] : cases) EXPECT_EQ(platform::LongForm(path), longForm) << path;

  TempFolder temp;
  WriteTestFile(temp / L"a.ies", "A");
  const std::wstring copy = platform::LongForm(temp.Path() + L"\\\\b.ies");
  EXPECT_TRUE(platform::CopyReplacing(temp / L"a.ies", copy));
  EXPECT_TRUE(platform::PathExists(copy));
  EXPECT_EQ(ReadTestFile(temp / L"b.ies"), "A");
}

}  // namespace
