// INI writes whose temporary file or replacement fails keep the old file
// whole, and a file planted under the temporary name is never written into.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_system.h"
#include "platform/posix/fault_injection.h"
#include "settings/ini_file.h"
#include "support/temp_folder.h"

namespace {

using platform::faults::Call;

class IniWriteFault : public testing::TestWithParam<Call> {
 protected:
  void TearDown() override { platform::faults::Reset(); }
};

TEST_P(IniWriteFault, OldFileStaysWholeAndNoTemporaryIsLeft) {
  TempFolder temp;
  const std::wstring file = temp / L"test.ini";
  const std::string before = "[Directories]\r\nLocal=C:\\Lib\r\nRemote=R:\\Library\r\n";
  WriteTestFile(file, before);
  platform::faults::Reset();
  platform::faults::FailAfter(GetParam());
  EXPECT_FALSE(WriteIniValue(L"Directories", file, L"Local", L"D:\\Other"));
  platform::faults::Reset();
  EXPECT_EQ(ReadTestFile(file), before);
  EXPECT_FALSE(platform::PathExists(file + L".shelfmateNew"));
}

// A failing WriteFreshFile stops half way, as an interrupted write would; a
// failing delete is a temporary name that cannot be cleared.
INSTANTIATE_TEST_SUITE_P(Calls, IniWriteFault,
                         testing::Values(Call::ReadWholeFile, Call::WriteFreshFile, Call::MoveReplacing,
                                         Call::DeleteOneFile));

// Another user may make the temporary name first: a file whose owner and
// access are theirs, a hard link to a file of theirs, a link to a file they
// want written. The settings file afterwards is always a new file of the
// program's own, or, where the name cannot be cleared, the old one unchanged.
TEST(IniWrite, PlantedTemporaryIsNeverWrittenIntoNorBecomesTheSettingsFile) {
  enum class Planted { HardLink, SymbolicLink, DanglingLink, ReadOnlyFile, Folder };
  const struct {
    const char* what;
    Planted planted;
    bool written;
  } cases[] = {
      {"a hard link to the planter's file", Planted::HardLink, true},
      {"a symbolic link to the planter's file", Planted::SymbolicLink, true},
      {"a link to a file not there yet", Planted::DanglingLink, true},
      {"a read-only file, which cannot be deleted", Planted::ReadOnlyFile, false},
      {"a folder", Planted::Folder, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder temp, planter;
    const std::wstring file = temp / L"Shelfmate.ini";
    const std::wstring temporary = file + L".shelfmateNew";
    const std::wstring theirs = planter / L"theirs.txt";
    const std::string before = "[Directories]\r\nLocal=C:\\Lib\r\n";
    WriteTestFile(file, before);
    if (c.planted != Planted::DanglingLink) WriteTestFile(theirs, "planted");
    switch (c.planted) {
      case Planted::HardLink:
        std::filesystem::create_hard_link(NativeOf(theirs), NativeOf(temporary));
        break;
      case Planted::SymbolicLink:
      case Planted::DanglingLink:
        std::filesystem::create_symlink(NativeOf(theirs), NativeOf(temporary));
        break;
      case Planted::ReadOnlyFile:
        WriteTestFile(temporary, "planted");
        std::filesystem::permissions(NativeOf(temporary), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::remove);
        break;
      case Planted::Folder:
        std::filesystem::create_directory(NativeOf(temporary));
        break;
    }

    EXPECT_EQ(WriteIniValue(L"Directories", file, L"Local", L"D:\\Other"), c.written);
    std::wstring value;
    ASSERT_TRUE(ReadIniValue(L"Directories", file, L"Local", value));
    EXPECT_EQ(value, c.written ? L"D:\\Other" : L"C:\\Lib");
    if (!c.written) EXPECT_EQ(ReadTestFile(file), before);
    EXPECT_EQ(ReadTestFile(theirs), c.planted == Planted::DanglingLink ? "<missing>" : "planted");
    struct stat ini {}, planted {};
    ASSERT_EQ(::lstat(NativeOf(file).c_str(), &ini), 0);
    EXPECT_TRUE(S_ISREG(ini.st_mode));
    EXPECT_EQ(ini.st_nlink, 1u);
    if (::stat(NativeOf(theirs).c_str(), &planted) == 0) EXPECT_NE(ini.st_ino, planted.st_ino);
    if (c.written) EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(NativeOf(temporary))));
    if (c.planted == Planted::ReadOnlyFile)
      std::filesystem::permissions(NativeOf(temporary), std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add);
  }
}

}  // namespace
