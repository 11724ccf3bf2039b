// INI writes whose temporary file or replacement fails keep the old file whole.
#include <gtest/gtest.h>

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

// A failing WriteNewFile stops half way, as an interrupted write would.
INSTANTIATE_TEST_SUITE_P(Calls, IniWriteFault,
                         testing::Values(Call::ReadWholeFile, Call::WriteNewFile, Call::MoveReplacing));

}  // namespace
