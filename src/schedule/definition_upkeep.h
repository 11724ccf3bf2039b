// Brings a Task Scheduler 2.0 task definition in line with the settings: the
// two battery limits and the random delay of its calendar triggers.
#pragma once

#include <windows.h>
#include <taskschd.h>

#include "schedule/task_upkeep.h"

// Reads what the definition holds and changes it only where the settings ask
// for something else; nothing else in it is touched. False when it could not
// be read or a change was refused; changed then says whether any change was
// made to the definition before that.
bool UpdateTaskDefinition(ITaskDefinition& definition, const RandomDelaySetting& wanted, bool& changed);
