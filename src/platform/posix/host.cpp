// The host queries on POSIX: answered from a simulated machine that tests set up; new threads.
#include <ctime>
#include <map>
#include <mutex>
#include <system_error>
#include <tuple>
#include <vector>

#include "platform/event_log.h"
#include "platform/host.h"
#include "platform/posix/fault_injection.h"
#include "platform/posix/simulated_machine.h"

namespace platform {
namespace {

// The queries are free functions, so the machine they read is one process-wide record.
struct SimulatedMachine {
  std::mutex lock;
  std::optional<std::wstring> appData;
  std::optional<std::wstring> localAppData;
  std::map<std::tuple<RegistryRoot, std::wstring, std::wstring>, std::wstring> registry;
  std::map<std::wstring, FileVersion> versions;
  std::optional<std::wstring> programPath;
  unsigned majorVersion = 10;
  std::optional<std::int64_t> now;
  std::vector<simulated::ReportedEvent> events;
  std::wstring eventSourceFile;
};

SimulatedMachine& Machine() {
  static SimulatedMachine machine;
  return machine;
}

}  // namespace

bool CommonAppDataFolder(std::wstring& folder) {
  std::lock_guard guard(Machine().lock);
  if (!Machine().appData) return false;
  folder = *Machine().appData;
  return true;
}

bool LocalAppDataFolder(std::wstring& folder) {
  std::lock_guard guard(Machine().lock);
  if (!Machine().localAppData) return false;
  folder = *Machine().localAppData;
  return true;
}

bool ReadRegistryString(RegistryRoot root, const std::wstring& subkey, const std::wstring& valueName,
                        std::wstring& text) {
  std::lock_guard guard(Machine().lock);
  const auto found = Machine().registry.find({root, subkey, valueName});
  if (found == Machine().registry.end()) return false;
  // Windows reads the value into 1024 bytes: 512 UTF-16 units with the terminating zero.
  if ((found->second.size() + 1) * 2 > 1024) return false;
  text = found->second;
  return true;
}

bool ReadFileVersionResource(const std::wstring& path, FileVersion& version) {
  std::lock_guard guard(Machine().lock);
  const auto found = Machine().versions.find(path);
  if (found == Machine().versions.end()) return false;
  version = found->second;
  return true;
}

bool ProgramPath(std::wstring& path) {
  std::lock_guard guard(Machine().lock);
  if (!Machine().programPath || Machine().programPath->size() >= 2048) return false;
  path = *Machine().programPath;
  return true;
}

unsigned PlatformMajorVersion() {
  std::lock_guard guard(Machine().lock);
  return Machine().majorVersion;
}

std::int64_t CurrentTime() {
  std::lock_guard guard(Machine().lock);
  return Machine().now ? *Machine().now : static_cast<std::int64_t>(std::time(nullptr));
}

LocalTime CurrentLocalTime() {
  const std::time_t now = static_cast<std::time_t>(CurrentTime());
  std::tm fields{};
  ::localtime_r(&now, &fields);
  return {static_cast<unsigned>(fields.tm_year + 1900), static_cast<unsigned>(fields.tm_mon + 1),
          static_cast<unsigned>(fields.tm_mday),        static_cast<unsigned>(fields.tm_hour),
          static_cast<unsigned>(fields.tm_min),         static_cast<unsigned>(fields.tm_sec)};
}

std::wstring ComputerName() { return L"WORKSTATION"; }

std::wstring UserName() { return L"user"; }

// The event log keeps what is written, for the tests to read back.
bool WriteApplicationEvent(EventType type, std::uint32_t id, const std::wstring& text, std::uint32_t& failure) {
  if (faults::ShouldFail(faults::Call::WriteEvent)) {
    failure = faults::KeptFailure();
    return false;
  }
  std::lock_guard guard(Machine().lock);
  Machine().events.push_back(simulated::ReportedEvent{type, id, text});
  return true;
}

EventSourceRegistration RegisterApplicationEventSource(const std::wstring& messageFile, std::uint32_t& failure) {
  {
    std::lock_guard guard(Machine().lock);
    if (Machine().eventSourceFile == messageFile) return EventSourceRegistration::AlreadyThere;
  }
  if (faults::ShouldFail(faults::Call::RegisterEventSource)) {
    failure = faults::KeptFailure();
    return EventSourceRegistration::NotMade;
  }
  std::lock_guard guard(Machine().lock);
  Machine().eventSourceFile = messageFile;
  return EventSourceRegistration::MadeNow;
}

std::thread StartThread(std::function<void()> work) {
  // A test can plan that the system refuses a thread, as std::thread reports it.
  if (faults::ShouldFail(faults::Call::StartThread))
    throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
  return std::thread(std::move(work));
}

namespace simulated {

void Reset() {
  std::lock_guard guard(Machine().lock);
  Machine().appData.reset();
  Machine().localAppData.reset();
  Machine().registry.clear();
  Machine().versions.clear();
  Machine().programPath.reset();
  Machine().majorVersion = 10;
  Machine().now.reset();
  Machine().events.clear();
  Machine().eventSourceFile.clear();
}

std::vector<ReportedEvent> ReportedEvents() {
  std::lock_guard guard(Machine().lock);
  return Machine().events;
}

std::wstring EventSourceMessageFile() {
  std::lock_guard guard(Machine().lock);
  return Machine().eventSourceFile;
}

void SetCommonAppDataFolder(std::optional<std::wstring> folder) {
  std::lock_guard guard(Machine().lock);
  Machine().appData = std::move(folder);
}

void SetLocalAppDataFolder(std::optional<std::wstring> folder) {
  std::lock_guard guard(Machine().lock);
  Machine().localAppData = std::move(folder);
}

void SetRegistryString(RegistryRoot root, const std::wstring& subkey, const std::wstring& valueName,
                       std::optional<std::wstring> text) {
  std::lock_guard guard(Machine().lock);
  const auto key = std::make_tuple(root, subkey, valueName);
  if (text)
    Machine().registry[key] = *text;
  else
    Machine().registry.erase(key);
}

void SetFileVersion(const std::wstring& path, std::optional<FileVersion> version) {
  std::lock_guard guard(Machine().lock);
  if (version)
    Machine().versions[path] = *version;
  else
    Machine().versions.erase(path);
}

void SetProgramPath(std::optional<std::wstring> path) {
  std::lock_guard guard(Machine().lock);
  Machine().programPath = std::move(path);
}

void SetPlatformMajorVersion(unsigned version) {
  std::lock_guard guard(Machine().lock);
  Machine().majorVersion = version;
}

void SetCurrentTime(std::optional<std::int64_t> secondsSince1970) {
  std::lock_guard guard(Machine().lock);
  Machine().now = secondsSince1970;
}

}  // namespace simulated
}  // namespace platform
