// The values of Shelfmate's own scheduled task.
#include "schedule/shelfmate_task.h"

#include <utility>

#include "platform/host.h"

bool FillShelfmateTaskSpec(ScheduledTaskSpec& task, unsigned randomDelayMinutes) {
  ScheduledTaskSpec s;
  if (!platform::ProgramPath(s.command)) return false;
  s.name = kShelfmateTaskName;
  s.description = L"Automatically updates your local library from a network library";
  s.author = L"Korvane";
  s.arguments = L"/silent";
  s.startTime = platform::CurrentTime();
  s.endTime = 0;
  s.startMinutes = 540;
  s.dayOfWeek = 1;
  s.dayOfMonth = 1;
  s.scheduleKind = kScheduleWeekly;
  s.randomDelayMinutes = static_cast<std::uint16_t>(randomDelayMinutes);
  task = std::move(s);
  return true;
}
