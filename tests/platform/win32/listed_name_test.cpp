// The name a folder's listing shows for a file, asked by any of its names.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/file_system.h"
#include "support/temp_folder.h"

namespace {

// A file's 8.3 short name opens it, yet the listing shows only its long
// name; asked by either name, the answer is the long one.
TEST(ListedName, AShortNameIsAnotherNameOfTheListedFile) {
  TempFolder folder;
  const std::wstring longName = folder / L"longfilename.ies";
  WriteTestFile(longName, "lamp");
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = ::GetShortPathNameW(longName.c_str(), buffer, MAX_PATH);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
  const std::wstring shortPath(buffer, length);
  const std::wstring shortName = shortPath.substr(shortPath.find_last_of(L'\\') + 1);
  if (platform::FileNameKey(shortName) == platform::FileNameKey(L"longfilename.ies"))
    GTEST_SKIP() << "this volume gives no short names";
  std::wstring listed;
  ASSERT_TRUE(platform::ListedNameOf(folder / shortName, listed));
  EXPECT_EQ(listed, L"longfilename.ies") << shortName;
  ASSERT_TRUE(platform::ListedNameOf(folder / L"LONGFILENAME.IES", listed));
  EXPECT_EQ(platform::FileNameKey(listed), platform::FileNameKey(L"longfilename.ies"));
  EXPECT_FALSE(platform::ListedNameOf(folder / L"missing.ies", listed));
}

}  // namespace
