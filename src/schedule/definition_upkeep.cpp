// Reading and changing a task definition's battery limits and random delays.
#include "schedule/definition_upkeep.h"

#include <optional>
#include <vector>

#include "platform/win32/unique_resource.h"
#include "schedule/calendar_triggers.h"
#include "schedule/com_values.h"

namespace {

// A trigger that starts at a time of day and so can have a random delay.
struct DelayedTrigger {
  win32::ComPtr<ITrigger> trigger;
  TASK_TRIGGER_TYPE2 type = TASK_TRIGGER_TIME;
};

template <class Typed, class Action>
bool WithTyped(ITrigger& trigger, const IID& iid, Action& action) {
  win32::ComPtr<Typed> typed;
  if (FAILED(trigger.QueryInterface(iid, typed.PutVoid())) || !typed) return false;
  return action(*typed.Get());
}

// The delay is a property of each calendar trigger's own interface: action
// gets the one of this trigger's type.
template <class Action>
bool WithDelayInterface(const DelayedTrigger& t, Action action) {
  ITrigger& trigger = *t.trigger.Get();
  switch (t.type) {
    case TASK_TRIGGER_TIME: return WithTyped<ITimeTrigger>(trigger, kIidTimeTrigger, action);
    case TASK_TRIGGER_DAILY: return WithTyped<IDailyTrigger>(trigger, kIidDailyTrigger, action);
    case TASK_TRIGGER_WEEKLY: return WithTyped<IWeeklyTrigger>(trigger, kIidWeeklyTrigger, action);
    case TASK_TRIGGER_MONTHLY: return WithTyped<IMonthlyTrigger>(trigger, kIidMonthlyTrigger, action);
    default: return WithTyped<IMonthlyDOWTrigger>(trigger, kIidMonthlyDowTrigger, action);
  }
}

bool ReadDelay(const DelayedTrigger& t, std::wstring& delay) {
  return WithDelayInterface(t, [&](auto& typed) {
    BSTR text = nullptr;
    if (FAILED(typed.get_RandomDelay(&text))) return false;
    const win32::OwnedBstr owned(text);
    delay = text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
    return true;
  });
}

bool WriteDelay(const DelayedTrigger& t, const std::wstring& delay) {
  const win32::UniqueBstr text(delay);
  return text && WithDelayInterface(t, [&](auto& typed) { return SUCCEEDED(typed.put_RandomDelay(text.Get())); });
}

// The definition's calendar triggers; a logon, boot or event trigger has no
// random delay and is left out. False when the triggers cannot be listed.
bool CalendarTriggers(ITaskDefinition& definition, std::vector<DelayedTrigger>& found) {
  win32::ComPtr<ITriggerCollection> triggers;
  if (FAILED(definition.get_Triggers(triggers.Put())) || !triggers) return false;
  LONG count = 0;
  // A scheduler that does not implement the count (Wine's, which reads no
  // triggers) has none the program could change.
  const HRESULT counted = triggers->get_Count(&count);
  if (counted == E_NOTIMPL) return true;
  if (FAILED(counted)) return false;
  for (LONG index = 1; index <= count; ++index) {  // the collection counts from 1
    DelayedTrigger t;
    if (FAILED(triggers->get_Item(index, t.trigger.Put())) || !t.trigger) return false;
    if (FAILED(t.trigger->get_Type(&t.type))) return false;
    if (t.type >= TASK_TRIGGER_TIME && t.type <= TASK_TRIGGER_MONTHLYDOW) found.push_back(std::move(t));
  }
  return true;
}

}  // namespace

bool UpdateTaskDefinition(ITaskDefinition& definition, const RandomDelaySetting& wanted, bool& changed) {
  changed = false;
  win32::ComPtr<ITaskSettings> settings;
  if (FAILED(definition.get_Settings(settings.Put())) || !settings) return false;
  RegisteredTaskFacts facts;
  VARIANT_BOOL disallowStart = VARIANT_TRUE, stopOnBatteries = VARIANT_TRUE;
  if (FAILED(settings->get_DisallowStartIfOnBatteries(&disallowStart)) ||
      FAILED(settings->get_StopIfGoingOnBatteries(&stopOnBatteries)))
    return false;
  facts.disallowStartIfOnBatteries = disallowStart != VARIANT_FALSE;
  facts.stopIfGoingOnBatteries = stopOnBatteries != VARIANT_FALSE;

  std::vector<DelayedTrigger> triggers;
  if (!CalendarTriggers(definition, triggers)) return false;
  for (const DelayedTrigger& t : triggers) {
    std::wstring delay;
    if (!ReadDelay(t, delay)) return false;
    facts.triggerDelays.push_back(delay);
  }

  const TaskUpkeep upkeep = TaskUpkeepFor(facts, wanted);
  if (upkeep.letRunOnBatteries) {
    if (FAILED(settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE)) ||
        FAILED(settings->put_StopIfGoingOnBatteries(VARIANT_FALSE)))
      return false;
    changed = true;
  }
  for (size_t at = 0; at < triggers.size(); ++at) {
    if (!upkeep.triggerDelays[at]) continue;
    if (!WriteDelay(triggers[at], *upkeep.triggerDelays[at])) return false;
    changed = true;
  }
  return true;
}
