// An INI file that another program holds open without sharing is not written.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/win32/unique_resource.h"
#include "settings/ini_file.h"
#include "support/temp_folder.h"

namespace {

TEST(IniFileWin32, LockedFileIsNotWrittenAndStaysAsItWas) {
  TempFolder temp;
  const std::wstring file = temp / L"locked.ini";
  WriteTestFile(file, "[A]\r\nk=1\r\n");
  {
    win32::UniqueFileHandle lock(
        ::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock.Valid());
    EXPECT_FALSE(WriteIniValue(L"A", file, L"k", L"2"));
  }
  EXPECT_EQ(ReadTestFile(file), "[A]\r\nk=1\r\n");
  EXPECT_FALSE(platform::PathExists(file + L".shelfmateNew"));
  EXPECT_TRUE(WriteIniValue(L"A", file, L"k", L"2"));
  EXPECT_EQ(ReadTestFile(file), "[A]\r\nk=2\r\n");
}

}  // namespace
