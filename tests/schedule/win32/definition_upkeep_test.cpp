// The weekly run's upkeep of its registered task, on a definition that holds
// triggers. Wine's scheduler reads no triggers from a definition (and its
// trigger objects refuse a random delay), so the definition here is a
// stand-in whose triggers are the test's own; its settings are Wine's.
#include "schedule/definition_upkeep.h"

#include <windows.h>
#include <taskschd.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/unique_resource.h"
#include "schedule/calendar_triggers.h"
#include "schedule/com_values.h"

namespace {

// IUnknown's counting and IDispatch, which the upkeep never calls; the
// stand-ins live on the test's stack.
template <class Interface>
struct DispatchStandIn : Interface {
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
};

// A trigger of any type, built on the interface Typed that carries its delay;
// it answers for Typed (typedIid) only where its type is typedType.
template <class Typed, TASK_TRIGGER_TYPE2 typedType, const IID& typedIid>
struct TriggerStandIn : DispatchStandIn<Typed> {
  TASK_TRIGGER_TYPE2 type = typedType;
  std::wstring delay;
  bool refusePut = false;
  int puts = 0;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_ITrigger) ||
        (type == typedType && IsEqualIID(iid, typedIid))) {
      *object = static_cast<Typed*>(this);
      return S_OK;
    }
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE get_Type(TASK_TRIGGER_TYPE2* value) override {
    *value = type;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_RandomDelay(BSTR* value) override {
    *value = delay.empty() ? nullptr : ::SysAllocString(delay.c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_RandomDelay(BSTR value) override {
    ++puts;
    if (refusePut) return E_ACCESSDENIED;
    delay = value ? value : L"";
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Id(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Id(BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Repetition(IRepetitionPattern**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Repetition(IRepetitionPattern*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_ExecutionTimeLimit(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_ExecutionTimeLimit(BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_StartBoundary(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_StartBoundary(BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_EndBoundary(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_EndBoundary(BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL) override { return E_NOTIMPL; }
};

// A weekly trigger, on the program's own declaration of its interface.
struct WeeklyStandIn : TriggerStandIn<IWeeklyTrigger, TASK_TRIGGER_WEEKLY, kIidWeeklyTrigger> {
  HRESULT STDMETHODCALLTYPE get_DaysOfWeek(short*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_DaysOfWeek(short) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_WeeksInterval(short*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_WeeksInterval(short) override { return E_NOTIMPL; }
};

// A daily trigger, on the tool chain's declaration of its interface.
struct DailyStandIn : TriggerStandIn<IDailyTrigger, TASK_TRIGGER_DAILY, IID_IDailyTrigger> {
  HRESULT STDMETHODCALLTYPE get_DaysInterval(short*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_DaysInterval(short) override { return E_NOTIMPL; }
};

// The test's triggers: each a weekly or a daily one, whatever type it tells.
struct StandInTrigger {
  WeeklyStandIn weekly;
  DailyStandIn daily;
  bool isDaily = false;

  StandInTrigger(TASK_TRIGGER_TYPE2 type, std::wstring delay, bool refusePut) {
    isDaily = type == TASK_TRIGGER_DAILY;
    weekly.type = daily.type = type;
    weekly.delay = daily.delay = std::move(delay);
    weekly.refusePut = daily.refusePut = refusePut;
  }
  ITrigger* Trigger() { return isDaily ? static_cast<ITrigger*>(&daily) : static_cast<ITrigger*>(&weekly); }
  const std::wstring& Delay() const { return isDaily ? daily.delay : weekly.delay; }
  int Puts() const { return isDaily ? daily.puts : weekly.puts; }
};

struct StandInTriggers : DispatchStandIn<ITriggerCollection> {
  std::vector<StandInTrigger>* triggers = nullptr;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    *count = static_cast<LONG>(triggers->size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Item(LONG index, ITrigger** trigger) override {
    if (index < 1 || index > static_cast<LONG>(triggers->size())) return E_INVALIDARG;  // counted from 1
    *trigger = (*triggers)[static_cast<size_t>(index - 1)].Trigger();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Create(TASK_TRIGGER_TYPE2, ITrigger**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Remove(VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clear() override { return E_NOTIMPL; }
};

// The test's triggers, with the settings of a definition Wine made.
struct StandInDefinition : DispatchStandIn<ITaskDefinition> {
  ITaskDefinition* real = nullptr;
  StandInTriggers triggers;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  HRESULT STDMETHODCALLTYPE get_Triggers(ITriggerCollection** value) override {
    *value = &triggers;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Settings(ITaskSettings** value) override { return real->get_Settings(value); }
  HRESULT STDMETHODCALLTYPE get_RegistrationInfo(IRegistrationInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_RegistrationInfo(IRegistrationInfo*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Triggers(ITriggerCollection*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Settings(ITaskSettings*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Data(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Data(BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Principal(IPrincipal**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Principal(IPrincipal*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Actions(IActionCollection**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Actions(IActionCollection*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_XmlText(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_XmlText(BSTR) override { return E_NOTIMPL; }
};

// A new, empty definition from Wine's scheduler, for its settings object.
win32::ComPtr<ITaskDefinition> NewRealDefinition() {
  win32::ComPtr<ITaskService> service;
  win32::ComPtr<ITaskDefinition> definition;
  if (FAILED(::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                service.PutVoid())))
    return definition;
  const win32::UniqueVariant none;
  if (SUCCEEDED(service->Connect(none.Get(), none.Get(), none.Get(), none.Get())))
    service->NewTask(0, definition.Put());
  return definition;
}

TEST(DefinitionUpkeep, ChangesTheBatteryLimitsAndDelaysThatDifferAndLeavesTheRest) {
  const win32::ComInitialisation com(win32::ComInitialisation::Model::MultiThreaded);
  struct Trigger {
    TASK_TRIGGER_TYPE2 type;
    std::wstring delay;
    bool refusePut = false;
  };
  const RandomDelaySetting absent{false, 30}, hour{true, 60};
  struct Case {
    const char* what;
    bool limits;  // both battery limits set
    std::vector<Trigger> triggers;
    RandomDelaySetting wanted;
    bool succeeds;
    bool changed;
    std::vector<std::wstring> delaysAfter;
  } cases[] = {
      {"an earlier version's task", true, {{TASK_TRIGGER_WEEKLY, L""}}, absent, true, true, {L"PT30M"}},
      {"in step already", false, {{TASK_TRIGGER_WEEKLY, L"PT30M"}}, absent, true, false, {L"PT30M"}},
      {"only the limits", true, {{TASK_TRIGGER_WEEKLY, L"PT30M"}}, absent, true, true, {L"PT30M"}},
      {"an administrator's delay stays", false, {{TASK_TRIGGER_WEEKLY, L"PT2H"}}, absent, true, false, {L"PT2H"}},
      {"the settings name another", false, {{TASK_TRIGGER_WEEKLY, L"PT2H"}}, hour, true, true, {L"PT60M"}},
      {"a logon trigger is no calendar trigger", false,
       {{TASK_TRIGGER_LOGON, L""}, {TASK_TRIGGER_WEEKLY, L""}}, absent, true, true, {L"", L"PT30M"}},
      {"the scheduler refuses the delay", false, {{TASK_TRIGGER_WEEKLY, L"", true}}, absent, false, false, {L""}},
      {"no triggers at all", false, {}, absent, true, false, {}},
      {"a daily trigger an administrator added", false,
       {{TASK_TRIGGER_WEEKLY, L"PT30M"}, {TASK_TRIGGER_DAILY, L""}}, absent, true, true, {L"PT30M", L"PT30M"}},
      {"a daily trigger with a delay of its own", false, {{TASK_TRIGGER_DAILY, L"PT1H"}}, hour, true, false,
       {L"PT1H"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const win32::ComPtr<ITaskDefinition> real = NewRealDefinition();
    ASSERT_TRUE(real);
    win32::ComPtr<ITaskSettings> settings;
    ASSERT_EQ(real->get_Settings(settings.Put()), S_OK);
    const VARIANT_BOOL limit = c.limits ? VARIANT_TRUE : VARIANT_FALSE;
    ASSERT_EQ(settings->put_DisallowStartIfOnBatteries(limit), S_OK);
    ASSERT_EQ(settings->put_StopIfGoingOnBatteries(limit), S_OK);

    std::vector<StandInTrigger> triggers;
    triggers.reserve(c.triggers.size());  // the collection hands out pointers into it
    for (const Trigger& t : c.triggers) triggers.emplace_back(t.type, t.delay, t.refusePut);
    StandInDefinition definition;
    definition.real = real.Get();
    definition.triggers.triggers = &triggers;

    bool changed = !c.changed;
    EXPECT_EQ(UpdateTaskDefinition(definition, c.wanted, changed), c.succeeds);
    EXPECT_EQ(changed, c.changed);
    std::vector<std::wstring> delays;
    for (const StandInTrigger& t : triggers) delays.push_back(t.Delay());
    EXPECT_EQ(delays, c.delaysAfter);
    // Nothing is put where nothing differs, so nothing is registered again.
    for (size_t at = 0; at < triggers.size(); ++at)
      if (c.triggers[at].delay == c.delaysAfter[at] && !c.triggers[at].refusePut) {
        EXPECT_EQ(triggers[at].Puts(), 0);
      }
    VARIANT_BOOL disallow = VARIANT_TRUE, stop = VARIANT_TRUE;
    ASSERT_EQ(settings->get_DisallowStartIfOnBatteries(&disallow), S_OK);
    ASSERT_EQ(settings->get_StopIfGoingOnBatteries(&stop), S_OK);
    if (c.succeeds) {
      EXPECT_EQ(disallow, VARIANT_FALSE);
      EXPECT_EQ(stop, VARIANT_FALSE);
    }
  }
}

}  // namespace
