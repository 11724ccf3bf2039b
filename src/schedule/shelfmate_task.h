// Shelfmate's own scheduled task: every Monday at 09:00, the program with "/silent".
#pragma once

#include "schedule/task_definition.h"

inline constexpr wchar_t kShelfmateTaskName[] = L"Shelfmate";

// Fills task with Shelfmate's own values, starting from the current time and
// running this program's own file. False when that path cannot be obtained
// whole, so a cut-off command is never registered. Each start is delayed at
// random by up to randomDelayMinutes.
bool FillShelfmateTaskSpec(ScheduledTaskSpec& task, unsigned randomDelayMinutes);
