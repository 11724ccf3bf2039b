// The Task Scheduler back-ends: 2.0 (ITaskService, fed the XML definition) and the
// legacy work-item scheduler (ITaskScheduler, ITask, ITaskTrigger, IPersistFile).
#include "schedule/task_scheduler.h"

#include <windows.h>
#include <mstask.h>
#include <objbase.h>
#include <taskschd.h>


#include "platform/host.h"
#include "platform/win32/unique_resource.h"
#include "schedule/com_values.h"
#include "schedule/definition_upkeep.h"
#include "schedule/shelfmate_task.h"
#include "schedule/work_item_trigger.h"

namespace {

// The class and interface identifiers, written here so the build does not
// depend on which import library of the tool chain carries them.
constexpr CLSID kClsidTaskScheduler = {0x0F87369F, 0xA4E5, 0x4CFC, {0xBD, 0x3E, 0x73, 0xE6, 0x15, 0x45, 0x72, 0xDD}};
constexpr IID kIidTaskService = {0x2FABA4C7, 0x4DA9, 0x4013, {0x96, 0x97, 0x20, 0xCC, 0x3F, 0xD4, 0x0F, 0x85}};
constexpr CLSID kClsidCTaskScheduler = {0x148BD52A, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
constexpr IID kIidTaskScheduler = {0x148BD527, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
constexpr CLSID kClsidCTask = {0x148BD520, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
constexpr IID kIidTask = {0x148BD524, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};
constexpr IID kIidPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// ---- Task Scheduler 2.0 ----

// COM, process security and the scheduler's root folder, held for one operation.
// Members are destroyed in reverse order, so the folder and the service are
// released before COM is uninitialised.
class TaskService2Session {
 public:
  TaskService2Session() : com(win32::ComInitialisation::Model::MultiThreaded) {
    const HRESULT init = com.Result();
    if (init != S_OK && init != S_FALSE && init != RPC_E_CHANGED_MODE) return;

    const HRESULT security =
        ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                               RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    if (FAILED(security) && security != RPC_E_TOO_LATE) return;

    if (FAILED(::CoCreateInstance(kClsidTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, kIidTaskService,
                                  service.PutVoid())))
      return;
    // Empty VARIANTs: this machine, the current user, no domain, no password.
    const win32::UniqueVariant none;
    if (FAILED(service->Connect(none.Get(), none.Get(), none.Get(), none.Get()))) return;
    const win32::UniqueBstr rootPath(L"\\");
    if (!rootPath || FAILED(service->GetFolder(rootPath.Get(), root.Put()))) root.Reset();
  }

  // The root folder; null when any connection step failed.
  ITaskFolder* Root() const { return root.Get(); }

 private:
  win32::ComInitialisation com;
  win32::ComPtr<ITaskService> service;
  win32::ComPtr<ITaskFolder> root;
};

bool TaskExists2(const std::wstring& name) {
  const TaskService2Session session;
  const win32::UniqueBstr path(name);
  if (!session.Root() || !path) return false;
  win32::ComPtr<IRegisteredTask> registered;
  return SUCCEEDED(session.Root()->GetTask(path.Get(), registered.Put()));
}

bool DeleteTask2(const std::wstring& name) {
  const TaskService2Session session;
  const win32::UniqueBstr path(name);
  if (!session.Root() || !path) return false;
  return SUCCEEDED(session.Root()->DeleteTask(path.Get(), 0));
}

bool CreateTask2(const ScheduledTaskSpec& task) {
  std::wstring xml;
  if (!BuildTaskXml(task, xml)) return false;

  const TaskService2Session session;
  const win32::UniqueBstr path(task.name);
  const win32::UniqueBstr definition(xml);
  if (!session.Root() || !path || !definition) return false;

  // A task of the same name is replaced; if it cannot be deleted, registering
  // with TASK_CREATE alone fails below.
  session.Root()->DeleteTask(path.Get(), 0);

  const win32::UniqueVariant none;
  win32::ComPtr<IRegisteredTask> registered;
  return SUCCEEDED(session.Root()->RegisterTask(path.Get(), definition.Get(), TASK_CREATE, none.Get(), none.Get(),
                                                TASK_LOGON_INTERACTIVE_TOKEN, none.Get(), registered.Put()));
}

// The registered definition itself is changed and registered again over the
// task, so whatever an administrator changed in it (account, triggers, other
// settings) stays. A definition that already follows the settings is left alone.
TaskUpkeepResult KeepTaskUpToDate2(const std::wstring& name, const RandomDelaySetting& wanted) {
  const TaskService2Session session;
  const win32::UniqueBstr path(name);
  if (!session.Root() || !path) return TaskUpkeepResult::Failed;
  win32::ComPtr<IRegisteredTask> registered;
  const HRESULT found = session.Root()->GetTask(path.Get(), registered.Put());
  if (found == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || found == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))
    return TaskUpkeepResult::Absent;
  if (FAILED(found) || !registered) return TaskUpkeepResult::Failed;
  win32::ComPtr<ITaskDefinition> definition;
  if (FAILED(registered->get_Definition(definition.Put())) || !definition) return TaskUpkeepResult::Failed;

  bool changed = false;
  if (!UpdateTaskDefinition(*definition.Get(), wanted, changed)) return TaskUpkeepResult::Failed;
  if (!changed) return TaskUpkeepResult::UpToDate;

  // The task keeps the way it logs on; no account is named, so the
  // definition's own principal stands. A scheduler that does not implement
  // the question (Wine's) is given the way this program registers its task.
  win32::ComPtr<IPrincipal> principal;
  if (FAILED(definition->get_Principal(principal.Put())) || !principal) return TaskUpkeepResult::Failed;
  TASK_LOGON_TYPE logonType = TASK_LOGON_NONE;
  const HRESULT logon = principal->get_LogonType(&logonType);
  if (logon == E_NOTIMPL)
    logonType = TASK_LOGON_INTERACTIVE_TOKEN;
  else if (FAILED(logon))
    return TaskUpkeepResult::Failed;

  // TASK_UPDATE alone: a task deleted meanwhile is not brought back.
  const win32::UniqueVariant none;
  win32::ComPtr<IRegisteredTask> updated;
  return SUCCEEDED(session.Root()->RegisterTaskDefinition(path.Get(), definition.Get(), TASK_UPDATE, none.Get(),
                                                          none.Get(), logonType, none.Get(), updated.Put()))
             ? TaskUpkeepResult::Updated
             : TaskUpkeepResult::Failed;
}

// ---- Legacy work-item scheduler ----

class WorkItemSession {
 public:
  WorkItemSession() : com(win32::ComInitialisation::Model::Legacy) {
    if (FAILED(com.Result())) return;
    if (FAILED(::CoCreateInstance(kClsidCTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, kIidTaskScheduler,
                                  scheduler.PutVoid())))
      scheduler.Reset();
  }

  ITaskScheduler* Scheduler() const { return scheduler.Get(); }

 private:
  win32::ComInitialisation com;
  win32::ComPtr<ITaskScheduler> scheduler;
};

TASK_TRIGGER ToTaskTrigger(const WorkItemTrigger& t) {
  TASK_TRIGGER trigger{};
  trigger.cbTriggerSize = sizeof trigger;
  trigger.wBeginYear = static_cast<WORD>(t.begin.year);
  trigger.wBeginMonth = static_cast<WORD>(t.begin.month);
  trigger.wBeginDay = static_cast<WORD>(t.begin.day);
  if (t.hasEnd) {
    trigger.wEndYear = static_cast<WORD>(t.end.year);
    trigger.wEndMonth = static_cast<WORD>(t.end.month);
    trigger.wEndDay = static_cast<WORD>(t.end.day);
    // Without this flag the scheduler ignores the end date.
    trigger.rgFlags = TASK_TRIGGER_FLAG_HAS_END_DATE;
  }
  trigger.wStartHour = t.startHour;
  trigger.wStartMinute = t.startMinute;
  switch (t.kind) {
    case WorkItemTrigger::Kind::Daily:
      trigger.TriggerType = TASK_TIME_TRIGGER_DAILY;
      trigger.Type.Daily.DaysInterval = t.interval;
      break;
    case WorkItemTrigger::Kind::Weekly:
      trigger.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
      trigger.Type.Weekly.WeeksInterval = t.interval;
      trigger.Type.Weekly.rgfDaysOfTheWeek = t.daysOfTheWeek;
      break;
    case WorkItemTrigger::Kind::MonthlyDate:
      trigger.TriggerType = TASK_TIME_TRIGGER_MONTHLYDATE;
      trigger.Type.MonthlyDate.rgfDays = t.daysOfTheMonth;
      trigger.Type.MonthlyDate.rgfMonths = t.monthsOfTheYear;
      break;
  }
  return trigger;
}

bool TaskExistsLegacy(const std::wstring& name) {
  const WorkItemSession session;
  if (!session.Scheduler()) return false;
  win32::ComPtr<ITask> workItem;
  return SUCCEEDED(session.Scheduler()->Activate(name.c_str(), kIidTask, reinterpret_cast<IUnknown**>(workItem.Put())));
}

// The scheduler service reads a work item's file each time it changes and
// holds it meanwhile without delete sharing, as a virus scanner may; a delete
// that meets such a reader is tried again for up to three seconds.
bool DeleteTaskLegacy(const std::wstring& name) {
  const WorkItemSession session;
  if (!session.Scheduler()) return false;
  constexpr int kAttempts = 30;
  constexpr DWORD kPauseMs = 100;
  for (int attempt = 1;; ++attempt) {
    const HRESULT result = session.Scheduler()->Delete(name.c_str());
    if (result != HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) || attempt == kAttempts) return SUCCEEDED(result);
    ::Sleep(kPauseMs);
  }
}

bool CreateTaskLegacy(const ScheduledTaskSpec& task) {
  WorkItemTrigger values;
  if (!BuildWorkItemTrigger(task, values)) return false;
  const TASK_TRIGGER triggerRecord = ToTaskTrigger(values);
  const std::wstring user = platform::UserName();
  if (user.empty()) return false;

  const WorkItemSession session;
  ITaskScheduler* scheduler = session.Scheduler();
  if (!scheduler) return false;

  win32::ComPtr<ITask> workItem;
  if (FAILED(scheduler->NewWorkItem(task.name.c_str(), kClsidCTask, kIidTask,
                                    reinterpret_cast<IUnknown**>(workItem.Put())))) {
    // Most often the task exists already; it is then updated in place.
    if (FAILED(scheduler->Activate(task.name.c_str(), kIidTask, reinterpret_cast<IUnknown**>(workItem.Put()))))
      return false;
  }

  workItem->SetApplicationName(task.command.c_str());
  workItem->SetParameters(task.arguments.c_str());
  workItem->SetCreator(task.author.c_str());
  workItem->SetComment(task.description.c_str());
  workItem->SetAccountInformation(user.c_str(), nullptr);
  workItem->SetFlags(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON);

  // An existing task keeps its old triggers otherwise, and each creation
  // would add one more start; a new work item has none.
  WORD count = 0;
  if (SUCCEEDED(workItem->GetTriggerCount(&count)))
    while (count-- > 0) workItem->DeleteTrigger(count);

  WORD index = 0;
  win32::ComPtr<ITaskTrigger> trigger;
  if (FAILED(workItem->CreateTrigger(&index, trigger.Put()))) return false;
  TASK_TRIGGER record = triggerRecord;
  if (FAILED(trigger->SetTrigger(&record))) return false;

  win32::ComPtr<IPersistFile> file;
  if (FAILED(workItem->QueryInterface(kIidPersistFile, file.PutVoid()))) return false;
  return SUCCEEDED(file->Save(nullptr, TRUE));
}

}  // namespace

SchedulerBackEnd SchedulerBackEndFor(unsigned windowsMajorVersion) {
  return windowsMajorVersion >= 6 ? SchedulerBackEnd::TaskScheduler2 : SchedulerBackEnd::WorkItems;
}

unsigned WindowsMajorVersion() { return platform::PlatformMajorVersion(); }

bool TaskExists(SchedulerBackEnd backEnd, const std::wstring& name) {
  return backEnd == SchedulerBackEnd::TaskScheduler2 ? TaskExists2(name) : TaskExistsLegacy(name);
}

bool CreateTask(SchedulerBackEnd backEnd, const ScheduledTaskSpec& task) {
  return backEnd == SchedulerBackEnd::TaskScheduler2 ? CreateTask2(task) : CreateTaskLegacy(task);
}

bool DeleteTask(SchedulerBackEnd backEnd, const std::wstring& name) {
  return backEnd == SchedulerBackEnd::TaskScheduler2 ? DeleteTask2(name) : DeleteTaskLegacy(name);
}

// A work item is created with TASK_FLAG_RUN_ONLY_IF_LOGGED_ON alone, without
// either battery flag, and has no random delay (its wRandomMinutesInterval is
// documented as unused), so there is nothing to change on that back-end.
TaskUpkeepResult KeepTaskUpToDate(SchedulerBackEnd backEnd, const std::wstring& name,
                                  const RandomDelaySetting& wanted) {
  return backEnd == SchedulerBackEnd::TaskScheduler2 ? KeepTaskUpToDate2(name, wanted) : TaskUpkeepResult::UpToDate;
}

bool ScheduledTaskExists() { return TaskExists(SchedulerBackEndFor(WindowsMajorVersion()), kShelfmateTaskName); }

bool CreateScheduledTask(unsigned randomDelayMinutes) {
  ScheduledTaskSpec task;
  if (!FillShelfmateTaskSpec(task, randomDelayMinutes)) return false;
  return CreateTask(SchedulerBackEndFor(WindowsMajorVersion()), task);
}

bool DeleteScheduledTask() { return DeleteTask(SchedulerBackEndFor(WindowsMajorVersion()), kShelfmateTaskName); }

TaskUpkeepResult KeepScheduledTaskUpToDate(const RandomDelaySetting& wanted) {
  return KeepTaskUpToDate(SchedulerBackEndFor(WindowsMajorVersion()), kShelfmateTaskName, wanted);
}
