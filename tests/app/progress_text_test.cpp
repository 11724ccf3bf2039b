// The texts of the log header, the tray tooltip and the balloons.
#include "app/progress_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgressText, TooltipWritesThePercentageWithTwoSignificantDigits) {
  struct Case {
    int minimum, maximum, position;
    std::wstring tooltip;
  };
  const Case cases[] = {
      {0, 20, 0, L"Sync in Progress: 0% complete"},
      {0, 125, 6, L"Sync in Progress: 4.8% complete"},
      {0, 8, 3, L"Sync in Progress: 38% complete"},
      {0, 40, 40, L"Sync in Progress: 1e+02% complete"},
      {0, 0, 0, L"Sync in Progress: 0% complete"},  // a run over one file
      {0, 100, 0, L"Sync in Progress: 0% complete"},  // cancel while paused
      {0, 99, -3, L"Sync in Progress: 0% complete"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ProgressTooltip(c.minimum, c.maximum, c.position), c.tooltip) << c.maximum << "/" << c.position;
}

TEST(ProgressText, PercentageNeverDividesByAnEmptyRangeNorPassesOneHundred) {
  // A one-file run that is cancelled restores with position 1 over the range 0..0.
  EXPECT_EQ(ProgressPercentage(0, 0, 1), 100.0);
  // A cancelled run restores from one step past the last file.
  EXPECT_EQ(ProgressPercentage(0, 2, 3), 100.0);
  EXPECT_EQ(ProgressTooltip(0, 2, 3), L"Sync in Progress: 1e+02% complete");
  EXPECT_DOUBLE_EQ(ProgressPercentage(0, 4, 1), 25.0);
  EXPECT_NEAR(ProgressPercentage(INT32_MIN, INT32_MAX, INT32_MAX), 50.0, 1e-6);  // no overflow of the range
}

TEST(ProgressText, HeaderNamesBothFoldersOrTheirPlaceholders) {
  EXPECT_EQ(HeaderText(L"", L""),
            L"Sync Library\r\n From:\t<Select a remote library location in the Settings>\r\n"
            L" To:\t<Select a local library location in the Settings>\r\n\r\n");
  EXPECT_EQ(HeaderText(L"\\\\server\\lib", L"C:\\lib"),
            L"Sync Library\r\n From:\t\\\\server\\lib\r\n To:\tC:\\lib\r\n\r\n");
  EXPECT_EQ(HeaderText(L"R", L""),
            L"Sync Library\r\n From:\tR\r\n To:\t<Select a local library location in the Settings>\r\n\r\n");
}

TEST(ProgressText, FieldsAreCutToFitAndAlwaysTerminated) {
  wchar_t field[8];
  CopyToField(field, L"Shelfmate");
  EXPECT_STREQ(field, L"Shelfma");
  CopyToField(field, L"abc");
  EXPECT_STREQ(field, L"abc");
  CopyToField(field, L"");
  EXPECT_STREQ(field, L"");

  wchar_t balloon[256];
  CopyToField(balloon, StartBalloonText(std::wstring(300, L'x')));
  EXPECT_EQ(std::wstring(balloon).size(), 255u);
  EXPECT_EQ(std::wstring(balloon).substr(0, 19), L"Starting Sync from\n");
}

}  // namespace
