// Deciding what the weekly run changes in its registered task.
#include "schedule/task_upkeep.h"

#include <algorithm>

#include "schedule/task_definition.h"

bool TaskUpkeep::Any() const {
  return letRunOnBatteries ||
         std::any_of(triggerDelays.begin(), triggerDelays.end(), [](const auto& delay) { return delay.has_value(); });
}

std::optional<std::int64_t> DurationSeconds(const std::wstring& text) {
  if (text.empty()) return 0;
  if (text.front() != L'P' || text.size() < 2) return std::nullopt;
  constexpr std::int64_t kMost = std::int64_t{1} << 40;  // far beyond any delay the scheduler takes
  std::int64_t seconds = 0;
  bool inTime = false, any = false;
  std::int64_t number = -1;
  const std::wstring units = L"DHMS";
  size_t lastUnit = std::wstring::npos;
  for (size_t at = 1; at < text.size(); ++at) {
    const wchar_t c = text[at];
    if (c >= L'0' && c <= L'9') {
      number = std::min((number < 0 ? 0 : number) * 10 + (c - L'0'), kMost);
      continue;
    }
    if (c == L'T') {
      if (inTime || number >= 0) return std::nullopt;
      inTime = true;
      continue;
    }
    const size_t unit = units.find(c);
    // Days before the T, hours, minutes and seconds after it, each once and in order.
    if (unit == std::wstring::npos || number < 0 || (unit == 0) == inTime ||
        (lastUnit != std::wstring::npos && unit <= lastUnit))
      return std::nullopt;
    static constexpr std::int64_t kSecondsOf[] = {86400, 3600, 60, 1};
    seconds = std::min(seconds + number * kSecondsOf[unit], kMost);
    lastUnit = unit;
    number = -1;
    any = true;
  }
  if (!any || number >= 0 || (inTime && lastUnit == 0)) return std::nullopt;
  return seconds;
}

TaskUpkeep TaskUpkeepFor(const RegisteredTaskFacts& task, const RandomDelaySetting& wanted) {
  TaskUpkeep upkeep;
  upkeep.letRunOnBatteries = task.disallowStartIfOnBatteries || task.stopIfGoingOnBatteries;
  const std::int64_t wantedSeconds = std::int64_t{wanted.minutes} * 60;
  for (const std::wstring& delay : task.triggerDelays) {
    const std::optional<std::int64_t> seconds = DurationSeconds(delay);
    const bool change = wanted.inSettings ? seconds != wantedSeconds : seconds == 0 && wantedSeconds != 0;
    upkeep.triggerDelays.push_back(change ? std::optional(RandomDelayText(wanted.minutes)) : std::nullopt);
  }
  return upkeep;
}
