// The legacy scheduler's trigger values: dates in UTC, time of day, kinds and masks.
#include "schedule/work_item_trigger.h"

#include <gtest/gtest.h>

#include "schedule/time_zone_override.h"

namespace {

constexpr std::int64_t k20150302_142507 = 1425306307;

ScheduledTaskSpec Weekly() {
  ScheduledTaskSpec task;
  task.name = L"Shelfmate";
  task.startTime = k20150302_142507;
  task.startMinutes = 540;
  task.dayOfWeek = 1;
  task.scheduleKind = 2;
  return task;
}

TEST(WorkItemTrigger, BeginsOnTheUtcDateAtTheGivenTimeOfDay) {
  const TimeZoneOverride west("EST5EDT,M3.2.0,M11.1.0");
  ScheduledTaskSpec task = Weekly();
  task.startTime = 1425259815;  // 1 March 20:30 in New York, 2 March in UTC
  task.startMinutes = 21 * 60 + 45;
  WorkItemTrigger t;
  ASSERT_TRUE(BuildWorkItemTrigger(task, t));
  EXPECT_EQ(t.begin.year, 2015);
  EXPECT_EQ(t.begin.month, 3u);
  EXPECT_EQ(t.begin.day, 2u);
  EXPECT_EQ(t.startHour, 21);
  EXPECT_EQ(t.startMinute, 45);
  EXPECT_FALSE(t.hasEnd);
}

TEST(WorkItemTrigger, EndDateOnlyWhenAfterTheStart) {
  struct Case {
    std::int64_t endTime;
    bool hasEnd;
  };
  const Case cases[] = {
      {0, false},
      {k20150302_142507 - 1, false},
      {k20150302_142507, false},
      {1456790399, true},  // 2016-02-29 23:59:59
  };
  for (const auto& c : cases) {
    ScheduledTaskSpec task = Weekly();
    task.endTime = c.endTime;
    WorkItemTrigger t;
    ASSERT_TRUE(BuildWorkItemTrigger(task, t));
    EXPECT_EQ(t.hasEnd, c.hasEnd) << c.endTime;
    if (c.hasEnd) {
      EXPECT_EQ(t.end.year, 2016);
      EXPECT_EQ(t.end.month, 2u);
      EXPECT_EQ(t.end.day, 29u);
    }
  }
}

TEST(WorkItemTrigger, WeeklyDayMaskHasTheBitOfTheDay) {
  const std::uint16_t masks[] = {1, 2, 4, 8, 16, 32, 64, 0};
  for (std::uint16_t day = 0; day < 8; ++day) {
    ScheduledTaskSpec task = Weekly();
    task.dayOfWeek = day;
    WorkItemTrigger t;
    ASSERT_TRUE(BuildWorkItemTrigger(task, t));
    EXPECT_EQ(t.kind, WorkItemTrigger::Kind::Weekly);
    EXPECT_EQ(t.interval, 1);
    EXPECT_EQ(t.daysOfTheWeek, masks[day]) << day;
  }
}

TEST(WorkItemTrigger, KindsAndTheirFields) {
  ScheduledTaskSpec task = Weekly();
  WorkItemTrigger t;

  task.scheduleKind = 1;
  ASSERT_TRUE(BuildWorkItemTrigger(task, t));
  EXPECT_EQ(t.kind, WorkItemTrigger::Kind::Daily);
  EXPECT_EQ(t.interval, 1);

  // The day number becomes one bit of the day mask: day 1 is bit 0.
  task.scheduleKind = 3;
  const std::pair<std::uint16_t, std::uint32_t> days[] = {{1, 0x1}, {15, 0x4000}, {31, 0x40000000}};
  for (const auto& [day, mask] : days) {
    task.dayOfMonth = day;
    ASSERT_TRUE(BuildWorkItemTrigger(task, t)) << day;
    EXPECT_EQ(t.kind, WorkItemTrigger::Kind::MonthlyDate);
    EXPECT_EQ(t.daysOfTheMonth, mask) << day;
    EXPECT_EQ(t.monthsOfTheYear, 0xFFF);
  }
}

TEST(WorkItemTrigger, RejectsUnknownKindsAndImpossibleMonthDays) {
  struct Case {
    std::int32_t kind;
    std::uint16_t dayOfMonth;
  };
  const Case cases[] = {{0, 1}, {4, 1}, {-2, 1}, {3, 0}, {3, 32}};
  for (const auto& c : cases) {
    ScheduledTaskSpec task = Weekly();
    task.scheduleKind = c.kind;
    task.dayOfMonth = c.dayOfMonth;
    WorkItemTrigger t;
    t.startHour = 77;
    EXPECT_FALSE(BuildWorkItemTrigger(task, t)) << c.kind << " " << c.dayOfMonth;
    EXPECT_EQ(t.startHour, 77);
  }
}

}  // namespace
