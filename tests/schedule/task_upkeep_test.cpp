// What the weekly run changes in its registered task, and the durations the scheduler writes.
#include "schedule/task_upkeep.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

TEST(TaskUpkeep, ChangesOnlyWhatDiffersFromTheSettingsAndKeepsAnAdministratorsDelay) {
  using Delays = std::vector<std::optional<std::wstring>>;
  const RandomDelaySetting absent{false, 30}, thirty{true, 30}, none{true, 0}, hour{true, 60};
  const struct {
    const char* what;
    RegisteredTaskFacts task;
    RandomDelaySetting wanted;
    bool batteries;
    Delays delays;
  } cases[] = {
      {"an earlier version's task, no key", {true, true, {L""}}, absent, true, {L"PT30M"}},
      {"already in step, no key", {false, false, {L"PT30M"}}, absent, false, {std::nullopt}},
      {"an administrator's delay, no key", {false, false, {L"PT2H"}}, absent, false, {std::nullopt}},
      {"an administrator's delay, the key says otherwise", {false, false, {L"PT2H"}}, thirty, false, {L"PT30M"}},
      {"the same delay spelt otherwise", {false, false, {L"PT1H"}}, hour, false, {std::nullopt}},
      {"the key asks for none", {false, false, {L"PT30M"}}, none, false, {L"PT0M"}},
      {"none asked, none held", {false, false, {L""}}, none, false, {std::nullopt}},
      {"a zero delay counts as none", {false, false, {L"PT0S"}}, absent, false, {L"PT30M"}},
      {"a delay the program cannot read is the administrator's", {false, false, {L"P1M"}}, absent, false,
       {std::nullopt}},
      {"but not when the key names one", {false, false, {L"P1M"}}, thirty, false, {L"PT30M"}},
      {"only the start on battery refused", {true, false, {L"PT30M"}}, absent, true, {std::nullopt}},
      {"only a running sync stopped", {false, true, {}}, absent, true, {}},
      {"each trigger on its own", {false, false, {L"", L"PT10M", L"PT30M"}}, absent, false,
       {L"PT30M", std::nullopt, std::nullopt}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const TaskUpkeep upkeep = TaskUpkeepFor(c.task, c.wanted);
    EXPECT_EQ(upkeep.letRunOnBatteries, c.batteries);
    EXPECT_EQ(upkeep.triggerDelays, c.delays);
    bool anyDelay = false;
    for (const auto& delay : c.delays) anyDelay = anyDelay || delay.has_value();
    EXPECT_EQ(upkeep.Any(), c.batteries || anyDelay);
  }
}

TEST(TaskUpkeep, DurationsAsTheSchedulerWritesThem) {
  const struct {
    std::wstring text;
    std::optional<std::int64_t> seconds;
  } cases[] = {
      {L"", 0},           {L"PT30M", 1800},   {L"PT4H", 14400},  {L"PT1H30M", 5400}, {L"P1D", 86400},
      {L"P2DT5S", 172805}, {L"PT0S", 0},      {L"PT240M", 14400},
      {L"P", std::nullopt}, {L"PT", std::nullopt}, {L"P1DT", std::nullopt}, {L"30M", std::nullopt},
      {L"PT30", std::nullopt}, {L"P30M", std::nullopt}, {L"PT1D", std::nullopt}, {L"PT5M1H", std::nullopt},
      {L"PT1M1M", std::nullopt}, {L"P1Y", std::nullopt}, {L"PT-5M", std::nullopt}, {L"PTT5M", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(DurationSeconds(c.text), c.seconds) << std::string(c.text.begin(), c.text.end());
}

}  // namespace
