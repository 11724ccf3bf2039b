// What the weekly run changes in the task it was registered under, so that a
// task registered by an earlier version, or before the settings changed,
// follows today's settings without anybody pressing OK in the Settings dialog.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The random delay the settings ask for.
struct RandomDelaySetting {
  bool inSettings = false;  // the settings file holds the key
  unsigned minutes = 30;
};

// What the registered task holds now.
struct RegisteredTaskFacts {
  bool disallowStartIfOnBatteries = false;
  bool stopIfGoingOnBatteries = false;
  // The random delay of each trigger that can have one (the calendar
  // triggers), as the scheduler spells it; empty where none is set.
  std::vector<std::wstring> triggerDelays;
};

// What to change: nothing else in the task is touched.
struct TaskUpkeep {
  bool letRunOnBatteries = false;
  // One per trigger of the facts: the delay to set, or nothing to leave it.
  std::vector<std::optional<std::wstring>> triggerDelays;

  bool Any() const;
};

// A delay the settings name always wins; without the key, only a trigger
// with no delay of its own gets the default, so a delay an administrator set
// in the Task Scheduler stays.
TaskUpkeep TaskUpkeepFor(const RegisteredTaskFacts& task, const RandomDelaySetting& wanted);

// The seconds of a duration as the scheduler writes it (P1DT2H30M5S, PT30M);
// nothing for any other text. An empty text is no delay: 0.
std::optional<std::int64_t> DurationSeconds(const std::wstring& text);
