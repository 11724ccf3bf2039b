// Turns a scheduled task's description into the legacy scheduler's trigger values.
#include "schedule/work_item_trigger.h"

bool BuildWorkItemTrigger(const ScheduledTaskSpec& spec, WorkItemTrigger& trigger) {
  WorkItemTrigger t;
  t.begin = UtcDateOf(spec.startTime);
  // An end that is not after the start would stop the trigger before it begins.
  if (spec.endTime != 0 && spec.endTime > spec.startTime) {
    t.hasEnd = true;
    t.end = UtcDateOf(spec.endTime);
  }
  t.startHour = static_cast<std::uint16_t>(spec.startMinutes / 60);
  t.startMinute = static_cast<std::uint16_t>(spec.startMinutes % 60);
  switch (spec.scheduleKind) {
    case kScheduleDaily:
      t.kind = WorkItemTrigger::Kind::Daily;
      break;
    case kScheduleWeekly:
      t.kind = WorkItemTrigger::Kind::Weekly;
      if (spec.dayOfWeek < 7) t.daysOfTheWeek = static_cast<std::uint16_t>(1u << spec.dayOfWeek);
      break;
    case kScheduleMonthly:
      // The record takes a mask of days, so the day number becomes its bit;
      // the number itself as a mask would name other days.
      if (spec.dayOfMonth < 1 || spec.dayOfMonth > 31) return false;
      t.kind = WorkItemTrigger::Kind::MonthlyDate;
      t.daysOfTheMonth = 1u << (spec.dayOfMonth - 1);
      t.monthsOfTheYear = 0xFFF;
      break;
    default:
      return false;
  }
  trigger = t;
  return true;
}
