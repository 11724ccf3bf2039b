// An INI file that another program holds open without sharing is not written;
// a file planted under the temporary name is never written into.
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

// The temporary name made first by another user, as a hard link to a file of
// theirs or as a read-only file: the settings file is then a new file of the
// program's own, or the old one where the name cannot be cleared.
TEST(IniFileWin32, PlantedTemporaryIsNeverWrittenInto) {
  for (const bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only file" : "hard link");
    TempFolder temp, planter;
    const std::wstring file = temp / L"Shelfmate.ini";
    const std::wstring temporary = file + L".shelfmateNew";
    const std::wstring theirs = planter / L"theirs.txt";
    WriteTestFile(file, "[A]\r\nk=1\r\n");
    WriteTestFile(theirs, "planted");
    if (readOnly) {
      WriteTestFile(temporary, "planted");
      ASSERT_TRUE(::SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_READONLY));
    } else {
      ASSERT_TRUE(::CreateHardLinkW(temporary.c_str(), theirs.c_str(), nullptr));
    }
    EXPECT_EQ(WriteIniValue(L"A", file, L"k", L"2"), !readOnly);
    EXPECT_EQ(ReadTestFile(file), readOnly ? "[A]\r\nk=1\r\n" : "[A]\r\nk=2\r\n");
    EXPECT_EQ(ReadTestFile(theirs), "planted");
    if (readOnly) ::SetFileAttributesW(temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

}  // namespace
