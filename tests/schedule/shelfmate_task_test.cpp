// Shelfmate's own task values, from the simulated machine's program path and clock.
#include "schedule/shelfmate_task.h"

#include <gtest/gtest.h>

#include "platform/posix/simulated_machine.h"

namespace {

class ShelfmateTask : public ::testing::Test {
 protected:
  void SetUp() override { platform::simulated::Reset(); }
  void TearDown() override { platform::simulated::Reset(); }
};

TEST_F(ShelfmateTask, WeeklyOnMondayAtNineRunningThisProgramSilently) {
  platform::simulated::SetProgramPath(L"C:\\Program Files\\Korvane\\R&D\\Shelfmate.exe");
  platform::simulated::SetCurrentTime(1425306307);
  ScheduledTaskSpec task;
  ASSERT_TRUE(FillShelfmateTaskSpec(task, 45));
  EXPECT_EQ(task.name, L"Shelfmate");
  EXPECT_EQ(task.description, L"Automatically updates your local library from a network library");
  EXPECT_EQ(task.author, L"Korvane");
  EXPECT_EQ(task.command, L"C:\\Program Files\\Korvane\\R&D\\Shelfmate.exe");
  EXPECT_EQ(task.arguments, L"/silent");
  EXPECT_EQ(task.startTime, 1425306307);
  EXPECT_EQ(task.endTime, 0);
  EXPECT_EQ(task.startMinutes, 540);
  EXPECT_EQ(task.dayOfWeek, 1);
  EXPECT_EQ(task.scheduleKind, 2);
  EXPECT_EQ(task.randomDelayMinutes, 45);

  std::wstring xml;
  ASSERT_TRUE(BuildTaskXml(task, task.startTime, xml));
  EXPECT_NE(xml.find(L"<StartBoundary>2015-03-02T09:00:07</StartBoundary>"), std::wstring::npos);
  EXPECT_NE(xml.find(L"</StartBoundary>\n\t\t\t<RandomDelay>PT45M</RandomDelay>\n"), std::wstring::npos);
  EXPECT_NE(xml.find(L"<Command>C:\\Program Files\\Korvane\\R&amp;D\\Shelfmate.exe</Command>"), std::wstring::npos);
}

TEST_F(ShelfmateTask, FailsWhenTheProgramPathIsMissingOrTooLong) {
  struct Case {
    std::optional<std::wstring> path;
    bool filled;
  };
  const Case cases[] = {
      {std::nullopt, false},
      {L"C:\\" + std::wstring(2047 - 3, L'a'), true},  // 2047 characters and the zero fit
      {L"C:\\" + std::wstring(2048 - 3, L'a'), false},
  };
  for (const auto& c : cases) {
    platform::simulated::SetProgramPath(c.path);
    ScheduledTaskSpec task;
    task.command = L"unchanged";
    EXPECT_EQ(FillShelfmateTaskSpec(task, 30), c.filled) << (c.path ? c.path->size() : 0);
    if (!c.filled) {
      EXPECT_EQ(task.command, L"unchanged");
    }
  }
}

}  // namespace
