// Turns a scheduled task's description into the legacy scheduler's trigger values.
#include "schedule/work_item_trigger.h"

bool BuildWorkItemTrigger(const ScheduledTaskSpec& task, WorkItemTrigger& trigger) {
  WorkItemTrigger t;
  t.begin = UtcDateOf(task.startTime);
  // An end that is not after the start would stop the trigger before it begins.
  if (task.endTime != 0 && task.endTime > task.startTime) {
    t.hasEnd = true;
    t.end = UtcDateOf(task.endTime);
  }
  t.startHour = static_cast<std::uint16_t>(task.startMinutes / 60);
  t.startMinute = static_cast<std::uint16_t>(task.startMinutes % 60);
  switch (task.scheduleKind) {
    case kScheduleDaily:
      t.kind = WorkItemTrigger::Kind::Daily;
      break;
    case kScheduleWeekly:
      t.kind = WorkItemTrigger::Kind::Weekly;
      if (task.dayOfWeek < 7) t.daysOfTheWeek = static_cast<std::uint16_t>(1u << task.dayOfWeek);
      break;
    case kScheduleMonthly:
      // The record takes a mask of days, so the day number becomes its bit;
      // the number itself as a mask would name other days.
      if (task.dayOfMonth < 1 || task.dayOfMonth > 31) return false;
      t.kind = WorkItemTrigger::Kind::MonthlyDate;
      t.daysOfTheMonth = 1u << (task.dayOfMonth - 1);
      t.monthsOfTheYear = 0xFFF;
      break;
    default:
      return false;
  }
  trigger = t;
  return true;
}
