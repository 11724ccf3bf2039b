// The trigger values of a scheduled task for the legacy work-item scheduler.
#pragma once

#include <cstdint>

#include "schedule/task_definition.h"

// What the legacy scheduler's trigger record receives; the Windows side copies
// these into its TASK_TRIGGER.
struct WorkItemTrigger {
  enum class Kind { Daily, Weekly, MonthlyDate };

  TaskDate begin;
  bool hasEnd = false;
  TaskDate end;
  std::uint16_t startHour = 0;
  std::uint16_t startMinute = 0;
  Kind kind = Kind::Daily;
  std::uint16_t interval = 1;         // days for daily, weeks for weekly
  std::uint16_t daysOfTheWeek = 0;    // weekly: Sunday 1, Monday 2 ... Saturday 64
  std::uint32_t daysOfTheMonth = 0;   // monthly: bit 0 is day 1
  std::uint16_t monthsOfTheYear = 0;  // monthly: bit 0 is January
};

// False when the schedule kind is not daily, weekly or monthly, or a monthly
// day is not 1 to 31.
bool BuildWorkItemTrigger(const ScheduledTaskSpec& task, WorkItemTrigger& trigger);
