// Shelfmate's task against Wine's real Task Scheduler, through both back-ends.
#include "schedule/task_scheduler.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <mstask.h>
#include <objbase.h>
#include <msxml2.h>
#include <taskschd.h>

#include <string>

#include "platform/host.h"
#include "platform/win32/unique_resource.h"
#include "schedule/com_values.h"
#include "schedule/shelfmate_task.h"

namespace {

constexpr CLSID kClsidTaskScheduler = {0x0F87369F, 0xA4E5, 0x4CFC, {0xBD, 0x3E, 0x73, 0xE6, 0x15, 0x45, 0x72, 0xDD}};
constexpr CLSID kClsidCTaskScheduler = {0x148BD52A, 0xA2AB, 0x11CE, {0xB1, 0x1F, 0x00, 0xAA, 0x00, 0x53, 0x05, 0x03}};

std::wstring ThisProgram() {
  std::wstring path;
  EXPECT_TRUE(platform::ProgramPath(path));
  return path;
}

// Today's UTC date as the definition writes it, YYYY-MM-DD.
std::wstring TodayUtc() {
  SYSTEMTIME now{};
  ::GetSystemTime(&now);
  wchar_t text[16] = {};
  ::swprintf(text, 16, L"%04u-%02u-%02u", now.wYear, now.wMonth, now.wDay);
  return text;
}

std::wstring TakeBstr(BSTR text) {
  const win32::OwnedBstr owned(text);
  return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
}

std::wstring TakeTaskMemory(LPWSTR text) {
  const win32::CoTaskMemString owned(text);
  return text ? std::wstring(text) : std::wstring();
}

// True when the system's XML parser (MSXML 3, strict about markup characters)
// loads the whole text.
bool IsWellFormedXml(const std::wstring& xml) {
  constexpr CLSID kClsidDomDocument30 = {0xF5078F32, 0xC551, 0x11D3, {0x89, 0xB9, 0x00, 0x00, 0xF8, 0x1F, 0xE2, 0x21}};
  win32::ComPtr<IXMLDOMDocument> document;
  if (FAILED(::CoCreateInstance(kClsidDomDocument30, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                document.PutVoid())))
    return false;
  const win32::UniqueBstr text(xml);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  return text && SUCCEEDED(document->loadXML(text.Get(), &loaded)) && loaded == VARIANT_TRUE;
}

// What the 2.0 scheduler holds for a task, read back without the code under test.
// Wine's scheduler keeps the registration information and settings of a
// definition text but drops its triggers and actions when it parses it, so
// those cannot be read back here.
struct RegisteredTaskView {
  bool found = false;
  std::wstring author;
  std::wstring description;
  std::wstring date;
  bool settingsRead = false;
  VARIANT_BOOL disallowStartIfOnBatteries = 1;  // neither VARIANT_TRUE nor VARIANT_FALSE until read
  VARIANT_BOOL stopIfGoingOnBatteries = 1;
  int priority = -1;
};

RegisteredTaskView ReadRegistered2(const std::wstring& name) {
  RegisteredTaskView view;
  win32::ComPtr<ITaskService> service;
  if (FAILED(::CoCreateInstance(kClsidTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                service.PutVoid())))
    return view;
  const win32::UniqueVariant none;
  if (FAILED(service->Connect(none.Get(), none.Get(), none.Get(), none.Get()))) return view;
  win32::ComPtr<ITaskFolder> root;
  const win32::UniqueBstr rootPath(L"\\"), taskPath(name);
  if (FAILED(service->GetFolder(rootPath.Get(), root.Put()))) return view;
  win32::ComPtr<IRegisteredTask> task;
  if (FAILED(root->GetTask(taskPath.Get(), task.Put()))) return view;
  view.found = true;

  win32::ComPtr<ITaskDefinition> definition;
  win32::ComPtr<IRegistrationInfo> info;
  if (SUCCEEDED(task->get_Definition(definition.Put())) && SUCCEEDED(definition->get_RegistrationInfo(info.Put()))) {
    BSTR text = nullptr;
    if (SUCCEEDED(info->get_Author(&text))) view.author = TakeBstr(text);
    text = nullptr;
    if (SUCCEEDED(info->get_Description(&text))) view.description = TakeBstr(text);
    text = nullptr;
    if (SUCCEEDED(info->get_Date(&text))) view.date = TakeBstr(text);
  }
  win32::ComPtr<ITaskSettings> settings;
  if (definition && SUCCEEDED(definition->get_Settings(settings.Put())) && settings) {
    view.settingsRead = SUCCEEDED(settings->get_DisallowStartIfOnBatteries(&view.disallowStartIfOnBatteries)) &&
                        SUCCEEDED(settings->get_StopIfGoingOnBatteries(&view.stopIfGoingOnBatteries));
    INT priority = -1;
    if (SUCCEEDED(settings->get_Priority(&priority))) view.priority = priority;
  }
  return view;
}

// Registers a definition text as it stands, as an earlier version or an
// administrator would have, without the code under test.
HRESULT RegisterXml2(const std::wstring& name, const std::wstring& xml) {
  win32::ComPtr<ITaskService> service;
  HRESULT result = ::CoCreateInstance(kClsidTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskService,
                                      service.PutVoid());
  if (FAILED(result)) return result;
  const win32::UniqueVariant none;
  if (FAILED(result = service->Connect(none.Get(), none.Get(), none.Get(), none.Get()))) return result;
  win32::ComPtr<ITaskFolder> root;
  const win32::UniqueBstr rootPath(L"\\"), taskPath(name), text(xml);
  if (FAILED(result = service->GetFolder(rootPath.Get(), root.Put()))) return result;
  win32::ComPtr<IRegisteredTask> task;
  return root->RegisterTask(taskPath.Get(), text.Get(), TASK_CREATE, none.Get(), none.Get(),
                            TASK_LOGON_INTERACTIVE_TOKEN, none.Get(), task.Put());
}

// The scheduler service keeps each task's definition in a file of the task's
// name under system32\Tasks. Held open for reading, shared with readers only,
// the task can still be read but not registered again.
win32::UniqueFileHandle HoldStoredTask(const std::wstring& name) {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
  EXPECT_TRUE(length > 0 && length < MAX_PATH);
  const std::wstring path = std::wstring(folder) + L"\\Tasks\\" + name;
  return win32::UniqueFileHandle(
      ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}

// What the legacy scheduler holds for a task. Wine does not keep a work item's
// account in its stored file, so the account cannot be read back here.
struct WorkItemView {
  bool found = false;
  std::wstring command;
  std::wstring arguments;
  std::wstring creator;
  std::wstring comment;
  DWORD flags = 0;
  int triggerCount = -1;
  TASK_TRIGGER trigger{};
  bool triggerRead = false;
};

std::wstring WorkItemFile(const std::wstring& name) {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = ::GetWindowsDirectoryW(folder, MAX_PATH);
  EXPECT_TRUE(length > 0 && length < MAX_PATH);
  return std::wstring(folder) + L"\\Tasks\\" + name + L".job";
}

// Holds a file open for reading, sharing it for reading only, and lets it go
// from another thread after a pause.
class FileHeldForAWhile {
 public:
  FileHeldForAWhile(const std::wstring& path, DWORD pauseMs)
      : file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr)),
        pause(pauseMs) {
    if (!file) return;
    thread.Reset(::CreateThread(nullptr, 0, &LetGoAfterThePause, this, 0, nullptr));
    held = thread.Valid();
  }
  ~FileHeldForAWhile() {
    if (thread) ::WaitForSingleObject(thread.Get(), INFINITE);
  }
  FileHeldForAWhile(const FileHeldForAWhile&) = delete;
  FileHeldForAWhile& operator=(const FileHeldForAWhile&) = delete;

  bool Held() const { return held; }

 private:
  static DWORD WINAPI LetGoAfterThePause(void* self) {
    auto* held = static_cast<FileHeldForAWhile*>(self);
    ::Sleep(held->pause);
    held->file.Reset();
    return 0;
  }

  win32::UniqueFileHandle file;
  DWORD pause;
  win32::UniqueHandle thread;
  bool held = false;
};

WorkItemView ReadWorkItem(const std::wstring& name) {
  WorkItemView view;
  win32::ComPtr<ITaskScheduler> scheduler;
  if (FAILED(::CoCreateInstance(kClsidCTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                                scheduler.PutVoid())))
    return view;
  win32::ComPtr<ITask> task;
  if (FAILED(scheduler->Activate(name.c_str(), IID_ITask, reinterpret_cast<IUnknown**>(task.Put())))) return view;
  view.found = true;
  LPWSTR text = nullptr;
  if (SUCCEEDED(task->GetApplicationName(&text))) view.command = TakeTaskMemory(text);
  text = nullptr;
  if (SUCCEEDED(task->GetParameters(&text))) view.arguments = TakeTaskMemory(text);
  text = nullptr;
  if (SUCCEEDED(task->GetCreator(&text))) view.creator = TakeTaskMemory(text);
  text = nullptr;
  if (SUCCEEDED(task->GetComment(&text))) view.comment = TakeTaskMemory(text);
  task->GetFlags(&view.flags);
  WORD count = 0;
  if (SUCCEEDED(task->GetTriggerCount(&count))) view.triggerCount = count;
  win32::ComPtr<ITaskTrigger> trigger;
  if (SUCCEEDED(task->GetTrigger(0, trigger.Put()))) {
    view.trigger.cbTriggerSize = sizeof view.trigger;
    view.triggerRead = SUCCEEDED(trigger->GetTrigger(&view.trigger));
  }
  return view;
}

// The calling thread's apartment as COM reports it; -1 when the thread has none.
int ApartmentType() {
  APTTYPE type{};
  APTTYPEQUALIFIER qualifier{};
  if (FAILED(::CoGetApartmentType(&type, &qualifier))) return -1;
  return type;
}

// Each test starts and ends with no Shelfmate task in either scheduler and
// runs with the thread in a single-threaded apartment, as the window thread is.
class TaskSchedulerOnWine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    RemoveTasks();
  }
  void TearDown() override {
    RemoveTasks();
    ::CoUninitialize();
  }
  static void RemoveTasks() {
    DeleteTask(SchedulerBackEnd::TaskScheduler2, kShelfmateTaskName);
    DeleteTask(SchedulerBackEnd::WorkItems, kShelfmateTaskName);
  }
  static void ExpectStillSingleThreaded(const char* after) {
    EXPECT_EQ(ApartmentType(), APTTYPE_MAINSTA) << "after " << after;
  }
};

TEST_F(TaskSchedulerOnWine, VersionSelectsTaskScheduler2FromSixOn) {
  EXPECT_GE(WindowsMajorVersion(), 6u);
  EXPECT_EQ(WindowsMajorVersion(), platform::PlatformMajorVersion());
  EXPECT_EQ(SchedulerBackEndFor(6), SchedulerBackEnd::TaskScheduler2);
  EXPECT_EQ(SchedulerBackEndFor(10), SchedulerBackEnd::TaskScheduler2);
  EXPECT_EQ(SchedulerBackEndFor(5), SchedulerBackEnd::WorkItems);
  EXPECT_EQ(SchedulerBackEndFor(0), SchedulerBackEnd::WorkItems);  // the version could not be asked
}

TEST_F(TaskSchedulerOnWine, ShelfmateTaskLifeCycleThroughTaskScheduler2) {
  EXPECT_FALSE(ScheduledTaskExists());
  ExpectStillSingleThreaded("the first query");

  ASSERT_TRUE(CreateScheduledTask(30));
  ExpectStillSingleThreaded("creating");
  EXPECT_TRUE(ScheduledTaskExists());

  const RegisteredTaskView view = ReadRegistered2(kShelfmateTaskName);
  ASSERT_TRUE(view.found);
  EXPECT_EQ(view.author, L"Korvane");
  EXPECT_EQ(view.description, L"Automatically updates your local library from a network library");
  EXPECT_EQ(view.date.substr(0, 11), TodayUtc() + L"T");
  ASSERT_TRUE(view.settingsRead);
  EXPECT_EQ(view.disallowStartIfOnBatteries, VARIANT_FALSE);
  EXPECT_EQ(view.stopIfGoingOnBatteries, VARIANT_FALSE);

  EXPECT_TRUE(DeleteScheduledTask());
  ExpectStillSingleThreaded("deleting");
  EXPECT_FALSE(ScheduledTaskExists());
  EXPECT_FALSE(DeleteScheduledTask());
  ExpectStillSingleThreaded("a failed delete");
}

TEST_F(TaskSchedulerOnWine, CreatingReplacesAnOlderTaskOfTheSameName) {
  ScheduledTaskSpec older;
  ASSERT_TRUE(FillShelfmateTaskSpec(older, 30));
  older.description = L"an older Shelfmate task";
  ASSERT_TRUE(CreateTask(SchedulerBackEnd::TaskScheduler2, older));
  ASSERT_EQ(ReadRegistered2(kShelfmateTaskName).description, L"an older Shelfmate task");

  EXPECT_TRUE(CreateScheduledTask(30));
  EXPECT_EQ(ReadRegistered2(kShelfmateTaskName).description,
            L"Automatically updates your local library from a network library");
}

// Wine drops the trigger and action of a registered definition, so the text
// handed to the scheduler is checked instead: this program, "/silent", every
// Monday at 09:00 from today, well-formed even with markup characters in the path.
TEST_F(TaskSchedulerOnWine, DefinitionRunsThisProgramSilentlyEveryMondayFromToday) {
  ScheduledTaskSpec task;
  ASSERT_TRUE(FillShelfmateTaskSpec(task, 30));
  std::wstring xml;
  ASSERT_TRUE(BuildTaskXml(task, xml));
  EXPECT_NE(xml.find(L"\t\t\t<Command>" + ThisProgram() + L"</Command>\n"), std::wstring::npos);
  EXPECT_NE(xml.find(L"\t\t\t<Arguments>/silent</Arguments>\n"), std::wstring::npos);
  EXPECT_NE(xml.find(L"\t\t\t<StartBoundary>" + TodayUtc() + L"T09:00:"), std::wstring::npos);
  EXPECT_NE(xml.find(L"\t\t\t\t<WeeksInterval>1</WeeksInterval>\n\t\t\t\t<DaysOfWeek><Monday/>\t\t\t\t</DaysOfWeek>\n"),
            std::wstring::npos);

  EXPECT_TRUE(IsWellFormedXml(xml));

  task.command = L"C:\\R&D <tools>\\Shelfmate.exe";
  task.description = L"a > b & c";
  ASSERT_TRUE(BuildTaskXml(task, xml));
  EXPECT_TRUE(IsWellFormedXml(xml));
  // The parser does catch stray markup characters.
  EXPECT_FALSE(IsWellFormedXml(L"<Task><Command>C:\\R&D\\Shelfmate.exe</Command></Task>"));
  EXPECT_FALSE(IsWellFormedXml(L"<Task><Command>C:\\<tools>\\Shelfmate.exe</Command></Task>"));
}

// A task that an earlier version registered, or that an administrator
// changed, is let run on battery with the rest of its definition kept.
// (Wine's principal cannot tell its logon type, so here the task is
// registered again with the interactive token this program uses.)
TEST_F(TaskSchedulerOnWine, TaskIsLetRunOnBatteriesKeepingTheRestOfItsDefinition) {
  const std::wstring name = L"Shelfmate test, battery limits";
  struct TaskGone {
    std::wstring name;
    ~TaskGone() { DeleteTask(SchedulerBackEnd::TaskScheduler2, name); }
  } gone{name};
  DeleteTask(SchedulerBackEnd::TaskScheduler2, name);
  EXPECT_EQ(KeepTaskUpToDate(SchedulerBackEnd::TaskScheduler2, name, RandomDelaySetting{}), TaskUpkeepResult::Absent);

  struct Case {
    const char* what;
    std::wstring batterySettings;
    bool needsChange;
  };
  const Case cases[] = {
      {"the scheduler's defaults", L"", true},
      {"both limits written out",
       L"<DisallowStartIfOnBatteries>true</DisallowStartIfOnBatteries>"
       L"<StopIfGoingOnBatteries>true</StopIfGoingOnBatteries>",
       true},
      {"only the start refused",
       L"<DisallowStartIfOnBatteries>true</DisallowStartIfOnBatteries>"
       L"<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>",
       true},
      {"only a running task stopped",
       L"<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>"
       L"<StopIfGoingOnBatteries>true</StopIfGoingOnBatteries>",
       true},
      {"already free of both",
       L"<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>"
       L"<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>",
       false},
  };
  for (const auto& c : cases) {
    DeleteTask(SchedulerBackEnd::TaskScheduler2, name);
    const std::wstring xml =
        L"<?xml version=\"1.0\" ?>\n"
        L"<Task xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">"
        L"<RegistrationInfo><Author>Korvane</Author><Description>changed by an administrator</Description>"
        L"</RegistrationInfo>"
        L"<Settings><Enabled>true</Enabled><Priority>4</Priority>" +
        c.batterySettings +
        L"</Settings>"
        L"<Actions><Exec><Command>C:\\Shelfmate.exe</Command><Arguments>/silent</Arguments></Exec></Actions>"
        L"</Task>\n";
    ASSERT_EQ(RegisterXml2(name, xml), S_OK) << c.what;
    const RegisteredTaskView before = ReadRegistered2(name);
    ASSERT_TRUE(before.settingsRead) << c.what;
    ASSERT_EQ(before.priority, 4) << c.what;
    ASSERT_EQ(before.disallowStartIfOnBatteries == VARIANT_FALSE && before.stopIfGoingOnBatteries == VARIANT_FALSE,
              !c.needsChange)
        << c.what;
    {
      // A task that needs no change is not registered again; one that does
      // reports the scheduler's refusal.
      const win32::UniqueFileHandle held = HoldStoredTask(name);
      ASSERT_TRUE(held.Valid()) << c.what;
      EXPECT_EQ(KeepTaskUpToDate(SchedulerBackEnd::TaskScheduler2, name, RandomDelaySetting{}),
                c.needsChange ? TaskUpkeepResult::Failed : TaskUpkeepResult::UpToDate)
          << c.what;
    }

    EXPECT_EQ(KeepTaskUpToDate(SchedulerBackEnd::TaskScheduler2, name, RandomDelaySetting{}),
              c.needsChange ? TaskUpkeepResult::Updated : TaskUpkeepResult::UpToDate)
        << c.what;
    ExpectStillSingleThreaded(c.what);

    const RegisteredTaskView after = ReadRegistered2(name);
    ASSERT_TRUE(after.found) << c.what;
    ASSERT_TRUE(after.settingsRead) << c.what;
    EXPECT_EQ(after.disallowStartIfOnBatteries, VARIANT_FALSE) << c.what;
    EXPECT_EQ(after.stopIfGoingOnBatteries, VARIANT_FALSE) << c.what;
    EXPECT_EQ(after.priority, 4) << c.what;
    EXPECT_EQ(after.author, L"Korvane") << c.what;
    EXPECT_EQ(after.description, L"changed by an administrator") << c.what;
  }
}

TEST_F(TaskSchedulerOnWine, UnknownScheduleKindRegistersNothing) {
  ScheduledTaskSpec task;
  ASSERT_TRUE(FillShelfmateTaskSpec(task, 30));
  for (const std::int32_t kind : {0, 4}) {
    task.scheduleKind = kind;
    EXPECT_FALSE(CreateTask(SchedulerBackEnd::TaskScheduler2, task)) << kind;
    EXPECT_FALSE(CreateTask(SchedulerBackEnd::WorkItems, task)) << kind;
  }
  EXPECT_FALSE(TaskExists(SchedulerBackEnd::TaskScheduler2, kShelfmateTaskName));
  EXPECT_FALSE(TaskExists(SchedulerBackEnd::WorkItems, kShelfmateTaskName));
}

TEST(TaskSchedulerApartment, OperationLeavesAThreadWithoutApartmentWithout) {
  ASSERT_EQ(ApartmentType(), -1);
  EXPECT_FALSE(TaskExists(SchedulerBackEnd::TaskScheduler2, L"Shelfmate test, never created"));
  EXPECT_EQ(ApartmentType(), -1);
  EXPECT_FALSE(TaskExists(SchedulerBackEnd::WorkItems, L"Shelfmate test, never created"));
  EXPECT_EQ(ApartmentType(), -1);
}

TEST_F(TaskSchedulerOnWine, ShelfmateTaskLifeCycleThroughWorkItems) {
  ScheduledTaskSpec task;
  ASSERT_TRUE(FillShelfmateTaskSpec(task, 30));
  const SchedulerBackEnd legacy = SchedulerBackEnd::WorkItems;

  EXPECT_FALSE(TaskExists(legacy, task.name));
  ExpectStillSingleThreaded("the first query");
  ASSERT_TRUE(CreateTask(legacy, task));
  ExpectStillSingleThreaded("creating");
  EXPECT_TRUE(TaskExists(legacy, task.name));

  const WorkItemView view = ReadWorkItem(task.name);
  ASSERT_TRUE(view.found);
  EXPECT_EQ(view.command, ThisProgram());
  EXPECT_EQ(view.arguments, L"/silent");
  EXPECT_EQ(view.creator, L"Korvane");
  EXPECT_EQ(view.comment, L"Automatically updates your local library from a network library");
  EXPECT_EQ(view.flags & TASK_FLAG_RUN_ONLY_IF_LOGGED_ON, static_cast<DWORD>(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON));
  EXPECT_EQ(view.triggerCount, 1);
  ASSERT_TRUE(view.triggerRead);
  SYSTEMTIME today{};
  ::GetSystemTime(&today);
  EXPECT_EQ(view.trigger.TriggerType, TASK_TIME_TRIGGER_WEEKLY);
  EXPECT_EQ(view.trigger.Type.Weekly.rgfDaysOfTheWeek, TASK_MONDAY);
  EXPECT_EQ(view.trigger.Type.Weekly.WeeksInterval, 1);
  EXPECT_EQ(view.trigger.wStartHour, 9);
  EXPECT_EQ(view.trigger.wStartMinute, 0);
  EXPECT_EQ(view.trigger.wBeginYear, today.wYear);
  EXPECT_EQ(view.trigger.wBeginMonth, today.wMonth);
  EXPECT_EQ(view.trigger.wBeginDay, today.wDay);
  EXPECT_EQ(view.trigger.rgFlags, 0u);  // no end date

  // Over an existing task, one trigger still. (Wine's NewWorkItem, unlike
  // Windows', succeeds over an existing task, so the Activate path is not taken here.)
  EXPECT_TRUE(CreateTask(legacy, task));
  EXPECT_EQ(ReadWorkItem(task.name).triggerCount, 1);

  {
    // The scheduler service reads the file after each change, sharing it for
    // reading only; the delete outlasts such a reader.
    const FileHeldForAWhile reader(WorkItemFile(task.name), 300);
    ASSERT_TRUE(reader.Held());
    EXPECT_TRUE(DeleteTask(legacy, task.name));
  }
  ExpectStillSingleThreaded("deleting");
  EXPECT_FALSE(TaskExists(legacy, task.name));
  EXPECT_FALSE(DeleteTask(legacy, task.name));
}

TEST_F(TaskSchedulerOnWine, WorkItemKeepsEndDateAndMonthDay) {
  ScheduledTaskSpec task;
  ASSERT_TRUE(FillShelfmateTaskSpec(task, 30));
  task.startTime = 1425306307;  // 2015-03-02
  task.endTime = 1456790399;    // 2016-02-29
  task.scheduleKind = 3;
  task.dayOfMonth = 15;
  ASSERT_TRUE(CreateTask(SchedulerBackEnd::WorkItems, task));

  const WorkItemView view = ReadWorkItem(task.name);
  ASSERT_TRUE(view.triggerRead);
  EXPECT_EQ(view.trigger.TriggerType, TASK_TIME_TRIGGER_MONTHLYDATE);
  EXPECT_EQ(view.trigger.Type.MonthlyDate.rgfDays, 1u << 14);
  EXPECT_EQ(view.trigger.Type.MonthlyDate.rgfMonths, 0xFFF);
  EXPECT_EQ(view.trigger.wBeginYear, 2015);
  EXPECT_EQ(view.trigger.wBeginMonth, 3);
  EXPECT_EQ(view.trigger.wBeginDay, 2);
  // The end date counts only with its flag.
  EXPECT_EQ(view.trigger.rgFlags & TASK_TRIGGER_FLAG_HAS_END_DATE, static_cast<DWORD>(TASK_TRIGGER_FLAG_HAS_END_DATE));
  EXPECT_EQ(view.trigger.wEndYear, 2016);
  EXPECT_EQ(view.trigger.wEndMonth, 2);
  EXPECT_EQ(view.trigger.wEndDay, 29);
}

}  // namespace
