// The platform's task scheduler: query, create and delete Shelfmate's scheduled task.
#pragma once

#include <string>

#include "schedule/task_definition.h"

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
// Lets a registered task start on battery and go on running when the machine
// leaves mains power, changing nothing else in it. On the 2.0 back-end false
// when the task is absent or the scheduler refused the change. Work items are
// registered without those limits, so that back-end does nothing and answers true.
bool LetTaskRunOnBatteries(SchedulerBackEnd backEnd, const std::wstring& name);

// Shelfmate's own task, on the back-end that this platform's version selects.
bool ScheduledTaskExists();
bool CreateScheduledTask();
bool DeleteScheduledTask();
// Brings a task registered by an earlier version, which the battery limits
// still hold back, up to date.
bool LetScheduledTaskRunOnBatteries();
