// The platform's task scheduler: query, create and delete Shelfmate's scheduled task.
#pragma once

#include <string>

#include "schedule/task_definition.h"
#include "schedule/task_upkeep.h"

// Task Scheduler 2.0 from major version 6 on; the legacy work-item scheduler below.
enum class SchedulerBackEnd { TaskScheduler2, WorkItems };

SchedulerBackEnd SchedulerBackEndFor(unsigned windowsMajorVersion);

// The platform's major version; 0 when it cannot be asked.
unsigned WindowsMajorVersion();

// Each operation initialises COM around itself and never leaves the calling
// thread's apartment changed.
bool TaskExists(SchedulerBackEnd backEnd, const std::wstring& name);
// Registers task under task.name, replacing (2.0) or reusing (legacy) a task
// of that name; it runs as the interactive user while that user is logged on.
bool CreateTask(SchedulerBackEnd backEnd, const ScheduledTaskSpec& task);
// True only when the scheduler deleted the task; false when it was absent.
bool DeleteTask(SchedulerBackEnd backEnd, const std::wstring& name);
enum class TaskUpkeepResult {
  Absent,    // no task of that name is registered
  UpToDate,  // it follows the settings already: nothing was registered
  Updated,   // it was registered again with the changes
  Failed,    // it could not be read, or the scheduler refused the change
};

// Lets a registered task start on battery and go on running when the machine
// leaves mains power, and gives its calendar triggers the random delay the
// settings ask for (TaskUpkeepFor), changing nothing else in it. Work items
// have neither, so that back-end does nothing and answers UpToDate.
TaskUpkeepResult KeepTaskUpToDate(SchedulerBackEnd backEnd, const std::wstring& name,
                                  const RandomDelaySetting& wanted);

// Shelfmate's own task, on the back-end that this platform's version selects.
bool ScheduledTaskExists();
// Weekly starts are spread over up to randomDelayMinutes (2.0 back-end only).
bool CreateScheduledTask(unsigned randomDelayMinutes);
bool DeleteScheduledTask();
// Brings the task up to date: one an earlier version registered, which the
// battery limits still hold back, or one whose delay the settings changed.
TaskUpkeepResult KeepScheduledTaskUpToDate(const RandomDelaySetting& wanted);
