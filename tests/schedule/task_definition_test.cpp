// The scheduled task's definition text and time format, in a process whose local zone is not UTC.
#include "schedule/task_definition.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "schedule/time_zone_override.h"

namespace {

constexpr std::int64_t k20150302_142507 = 1425306307;  // 2015-03-02 14:25:07 UTC

// Every test here runs with the process in a zone west of Greenwich (New York,
// with summer time), so a conversion through local time would shift dates and hours.
class ScheduleTimeZone : public ::testing::Test {
 private:
  TimeZoneOverride zone{"EST5EDT,M3.2.0,M11.1.0"};
};

std::wstring Lines(const std::vector<std::wstring>& lines) {
  std::wstring text;
  for (const auto& line : lines) text += line + L"\n";
  return text;
}

ScheduledTaskSpec ShelfmateLike() {
  ScheduledTaskSpec task;
  task.name = L"Shelfmate";
  task.description = L"Automatically updates your local library from a network library";
  task.author = L"Korvane";
  task.command = L"C:\\Program Files\\Korvane\\Shelfmate.exe";
  task.arguments = L"/silent";
  task.startTime = k20150302_142507;
  task.endTime = 0;
  task.startMinutes = 540;
  task.dayOfWeek = 1;
  task.dayOfMonth = 17;
  task.scheduleKind = 2;
  return task;
}

const std::vector<std::wstring> kHead = {
    L"<?xml version=\"1.0\" ?>",
    L"<Task xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">",
    L"\t<RegistrationInfo>",
    L"\t\t<Date>2015-03-02T14:25:07</Date>",
    L"\t\t<Author>Korvane</Author>",
    L"\t\t<Description>Automatically updates your local library from a network library</Description>",
    L"\t</RegistrationInfo>",
    L"\t<Triggers>",
    L"\t\t<CalendarTrigger>",
    L"\t\t\t<StartBoundary>2015-03-02T09:00:07</StartBoundary>",
};

const std::vector<std::wstring> kTail = {
    L"\t\t</CalendarTrigger>",
    L"\t</Triggers>",
    L"\t<Settings>",
    L"\t\t<Enabled>true</Enabled>",
    L"\t\t<AllowStartOnDemand>true</AllowStartOnDemand>",
    L"\t\t<AllowHardTerminate>true</AllowHardTerminate>",
    L"\t\t<StartWhenAvailable>true</StartWhenAvailable>",
    L"\t\t<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>",
    L"\t\t<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>",
    L"\t</Settings>",
    L"\t<Actions>",
    L"\t\t<Exec>",
    L"\t\t\t<Command>C:\\Program Files\\Korvane\\Shelfmate.exe</Command>",
    L"\t\t\t<Arguments>/silent</Arguments>",
    L"\t\t</Exec>",
    L"\t</Actions>",
    L"</Task>",
};

std::wstring Definition(const std::vector<std::wstring>& schedule) {
  std::vector<std::wstring> all = kHead;
  all.insert(all.end(), schedule.begin(), schedule.end());
  all.insert(all.end(), kTail.begin(), kTail.end());
  return Lines(all);
}

TEST_F(ScheduleTimeZone, DefinitionIsWrittenWholeForEachScheduleKind) {
  struct Case {
    std::int32_t kind;
    std::vector<std::wstring> schedule;
  };
  const Case cases[] = {
      {1, {L"\t\t\t<ScheduleByDay>", L"\t\t\t\t<DaysInterval>1</DaysInterval>", L"\t\t\t</ScheduleByDay>"}},
      {2,
       {L"\t\t\t<ScheduleByWeek>", L"\t\t\t\t<WeeksInterval>1</WeeksInterval>",
        L"\t\t\t\t<DaysOfWeek><Monday/>\t\t\t\t</DaysOfWeek>", L"\t\t\t</ScheduleByWeek>"}},
      {3,
       {L"\t\t\t<ScheduleByMonth>", L"\t\t\t\t<DaysOfMonth><Day>17</Day></DaysOfMonth>",
        L"\t\t\t\t<Months><January/><February/><March/><April/><May/><June/><July/><August/><September/>"
        L"<October/><November/><December/></Months>",
        L"\t\t\t</ScheduleByMonth>"}},
  };
  for (const auto& c : cases) {
    ScheduledTaskSpec task = ShelfmateLike();
    task.scheduleKind = c.kind;
    std::wstring xml;
    ASSERT_TRUE(BuildTaskXml(task, k20150302_142507, xml)) << c.kind;
    EXPECT_EQ(xml, Definition(c.schedule)) << c.kind;
  }
}

TEST_F(ScheduleTimeZone, UnknownScheduleKindsBuildNothing) {
  for (const std::int32_t kind : {0, 4, -1, 2147483647}) {
    ScheduledTaskSpec task = ShelfmateLike();
    task.scheduleKind = kind;
    std::wstring xml = L"untouched";
    EXPECT_FALSE(BuildTaskXml(task, k20150302_142507, xml)) << kind;
    EXPECT_EQ(xml, L"untouched") << kind;
  }
}

// The text between <tag> and </tag>, or "<absent>".
std::wstring ElementText(const std::wstring& xml, const std::wstring& tag) {
  const std::wstring open = L"<" + tag + L">";
  const auto begin = xml.find(open);
  if (begin == std::wstring::npos) return L"<absent>";
  const auto end = xml.find(L"</" + tag + L">", begin);
  return xml.substr(begin + open.size(), end - begin - open.size());
}

TEST_F(ScheduleTimeZone, StartBoundaryTakesTheUtcDateAndSecondsWithTheTimeOfDayReplaced) {
  struct Case {
    const char* what;
    std::int64_t startTime;
    std::uint16_t startMinutes;
    std::wstring boundary;
  };
  const Case cases[] = {
      {"afternoon", k20150302_142507, 540, L"2015-03-02T09:00:07"},
      // 20:30:15 on 1 March in New York is already 2 March in UTC.
      {"late evening west of Greenwich", 1425259815, 540, L"2015-03-02T09:00:15"},
      {"leap day, last second", 1456790399, 540, L"2016-02-29T09:00:59"},
      {"midnight", 946684800, 0, L"2000-01-01T00:00:00"},
      {"last minute of the day", 946684800, 1439, L"2000-01-01T23:59:00"},
      {"minutes carry into the next day", 1456790399, 1500, L"2016-03-01T01:00:59"},
      {"and into the next year", 1609455600, 24 * 60 + 30, L"2021-01-01T00:30:00"},
      {"before 1970", -1, 540, L"1969-12-31T09:00:59"},
  };
  for (const auto& c : cases) {
    ScheduledTaskSpec task = ShelfmateLike();
    task.startTime = c.startTime;
    task.startMinutes = c.startMinutes;
    std::wstring xml;
    ASSERT_TRUE(BuildTaskXml(task, k20150302_142507, xml)) << c.what;
    EXPECT_EQ(ElementText(xml, L"StartBoundary"), c.boundary) << c.what;
  }
}

TEST_F(ScheduleTimeZone, EndBoundaryLineOnlyWhenAnEndIsGiven) {
  ScheduledTaskSpec task = ShelfmateLike();
  std::wstring xml;
  ASSERT_TRUE(BuildTaskXml(task, k20150302_142507, xml));
  EXPECT_EQ(xml.find(L"EndBoundary"), std::wstring::npos);

  struct Case {
    std::int64_t endTime;
    std::wstring line;
  };
  const Case cases[] = {
      // The end keeps its own time of day.
      {1456790399, L"\t\t\t<StartBoundary>2015-03-02T09:00:07</StartBoundary>\n"
                   L"\t\t\t<EndBoundary>2016-02-29T23:59:59</EndBoundary>\n"
                   L"\t\t\t<ScheduleByWeek>\n"},
      // Any value but 0 counts, even one before 1970.
      {-1, L"\t\t\t<EndBoundary>1969-12-31T23:59:59</EndBoundary>\n"},
  };
  for (const auto& c : cases) {
    task.endTime = c.endTime;
    ASSERT_TRUE(BuildTaskXml(task, k20150302_142507, xml));
    EXPECT_NE(xml.find(c.line), std::wstring::npos) << c.endTime << "\n" << std::string(xml.begin(), xml.end());
  }
}

// The delay comes after both boundaries and before the schedule, as the
// schema orders a calendar trigger's elements; 0 writes none.
TEST_F(ScheduleTimeZone, RandomDelayLineFollowsTheBoundaries) {
  const struct {
    std::uint16_t minutes;
    std::int64_t endTime;
    std::wstring lines;
  } cases[] = {
      {30, 0,
       L"<StartBoundary>2015-03-02T09:00:07</StartBoundary>\n\t\t\t<RandomDelay>PT30M</RandomDelay>\n"
       L"\t\t\t<ScheduleByWeek>\n"},
      {240, 1456790399,
       L"<EndBoundary>2016-02-29T23:59:59</EndBoundary>\n\t\t\t<RandomDelay>PT240M</RandomDelay>\n"
       L"\t\t\t<ScheduleByWeek>\n"},
      {0, 0, L"<StartBoundary>2015-03-02T09:00:07</StartBoundary>\n\t\t\t<ScheduleByWeek>\n"},
  };
  for (const auto& c : cases) {
    ScheduledTaskSpec task = ShelfmateLike();
    task.randomDelayMinutes = c.minutes;
    task.endTime = c.endTime;
    std::wstring xml;
    ASSERT_TRUE(BuildTaskXml(task, k20150302_142507, xml));
    EXPECT_NE(xml.find(c.lines), std::wstring::npos) << c.minutes << "\n" << std::string(xml.begin(), xml.end());
    EXPECT_EQ(xml.find(L"RandomDelay") != std::wstring::npos, c.minutes != 0) << c.minutes;
  }
}

TEST_F(ScheduleTimeZone, WeeklyDayElementFollowsDayOfWeek) {
  const std::wstring days[] = {L"<Sunday/>",   L"<Monday/>", L"<Tuesday/>", L"<Wednesday/>",
                               L"<Thursday/>", L"<Friday/>", L"<Saturday/>", L"", L""};
  for (std::uint16_t day = 0; day < 9; ++day) {
    ScheduledTaskSpec task = ShelfmateLike();
    task.dayOfWeek = day == 8 ? 65535 : day;
    std::wstring xml;
    ASSERT_TRUE(BuildTaskXml(task, k20150302_142507, xml));
    EXPECT_NE(xml.find(L"\n\t\t\t\t<DaysOfWeek>" + days[day] + L"\t\t\t\t</DaysOfWeek>\n"), std::wstring::npos)
        << day;
  }
}

TEST_F(ScheduleTimeZone, TextValuesAreEscapedAsCharacterData) {
  ScheduledTaskSpec task = ShelfmateLike();
  task.command = L"C:\\R&D\\<new>\\Shelfmate.exe";
  task.arguments = L"/silent \"a'b\" &amp;";
  task.author = L"Korvane & Sons";
  task.description = L"a<b>c";
  std::wstring xml;
  ASSERT_TRUE(BuildTaskXml(task, k20150302_142507, xml));
  EXPECT_EQ(ElementText(xml, L"Command"), L"C:\\R&amp;D\\&lt;new&gt;\\Shelfmate.exe");
  EXPECT_EQ(ElementText(xml, L"Arguments"), L"/silent \"a'b\" &amp;amp;");
  EXPECT_EQ(ElementText(xml, L"Author"), L"Korvane &amp; Sons");
  EXPECT_EQ(ElementText(xml, L"Description"), L"a&lt;b&gt;c");
}

TEST_F(ScheduleTimeZone, FormatTaskTimeWritesUtcFields) {
  struct Case {
    std::int64_t time;
    std::wstring text;
  };
  const Case cases[] = {
      {0, L"1970-01-01T00:00:00"},
      {k20150302_142507, L"2015-03-02T14:25:07"},
      {1425259815, L"2015-03-02T01:30:15"},
      {-1, L"1969-12-31T23:59:59"},
      {253402300799, L"9999-12-31T23:59:59"},
      {253402300800, L"10000-01-01T00:00:00"},
      {-30630934311, L"999-05-06T07:08:09"},  // no leading zero is added to the year
      {std::numeric_limits<std::int64_t>::max(), L"32767-12-31T23:59:59"},
      {std::numeric_limits<std::int64_t>::min(), L"-32767-01-01T00:00:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatTaskTime(c.time), c.text) << c.time;
}

TEST_F(ScheduleTimeZone, UtcDateOfIgnoresTheLocalZone) {
  const TaskDate date = UtcDateOf(1425259815);  // 1 March, evening, in New York
  EXPECT_EQ(date.year, 2015);
  EXPECT_EQ(date.month, 3u);
  EXPECT_EQ(date.day, 2u);
  const TaskDate before = UtcDateOf(-86400 * 365);
  EXPECT_EQ(before.year, 1969);
  EXPECT_EQ(before.month, 1u);
  EXPECT_EQ(before.day, 1u);
}

TEST(ScheduleTimeZones, DefinitionIsTheSameInEveryLocalZone) {
  ScheduledTaskSpec task = ShelfmateLike();
  task.endTime = 1456790399;
  std::wstring inUtc;
  {
    const TimeZoneOverride utc("UTC0");
    ASSERT_TRUE(BuildTaskXml(task, 1425259815, inUtc));
  }
  for (const char* zone : {"EST5EDT,M3.2.0,M11.1.0", "JST-9", "NZST-12NZDT,M9.5.0,M4.1.0/3", "HST10"}) {
    const TimeZoneOverride local(zone);
    std::wstring xml;
    ASSERT_TRUE(BuildTaskXml(task, 1425259815, xml)) << zone;
    EXPECT_EQ(xml, inUtc) << zone;
  }
}

}  // namespace
