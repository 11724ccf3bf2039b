// The description of a scheduled task and its definition text in the Task Scheduler 2.0 schema.
#pragma once

#include <cstdint>
#include <string>

struct ScheduledTaskSpec {
  std::wstring name;  // also the name the task is registered under
  std::wstring description;
  std::wstring author;
  std::wstring command;    // full path of the program to run
  std::wstring arguments;  // its command-line arguments
  std::int64_t startTime = 0;  // seconds since 1970-01-01 00:00 UTC; gives the first day
  std::int64_t endTime = 0;    // same unit; 0 means the trigger never ends
  std::uint16_t startMinutes = 0;  // time of day, minutes after midnight
  std::uint16_t dayOfWeek = 0;     // weekly: 0 Sunday ... 6 Saturday
  std::uint16_t dayOfMonth = 0;    // monthly: the day number
  std::int32_t scheduleKind = 0;   // 1 daily, 2 weekly, 3 monthly
  // Up to this many minutes are added at random to each start, so that the
  // machines of an office do not all start in the same minute; 0 for none.
  std::uint16_t randomDelayMinutes = 0;
};

// The schedule kinds the definition knows.
inline constexpr std::int32_t kScheduleDaily = 1;
inline constexpr std::int32_t kScheduleWeekly = 2;
inline constexpr std::int32_t kScheduleMonthly = 3;

// A calendar date in UTC.
struct TaskDate {
  int year = 1970;
  unsigned month = 1;  // 1 to 12
  unsigned day = 1;    // 1 to 31
};

// A random delay of so many minutes as the definition writes it ("PT30M").
std::wstring RandomDelayText(unsigned minutes);

// The UTC calendar date of a time in seconds since 1970.
TaskDate UtcDateOf(std::int64_t time);

// YYYY-MM-DDTHH:MM:SS from the UTC fields of a time in seconds since 1970,
// with no zone designator and no fraction. The year is written without
// leading zeros. Times beyond the calendar's years -32767 and 32767 are
// written as the nearest time it can name.
std::wstring FormatTaskTime(std::int64_t time);

// The definition text for task, registered at now (seconds since 1970).
// False, with xml untouched, when the schedule kind is not daily, weekly or monthly.
bool BuildTaskXml(const ScheduledTaskSpec& task, std::int64_t now, std::wstring& xml);

// The same, registered at the current time.
bool BuildTaskXml(const ScheduledTaskSpec& task, std::wstring& xml);
