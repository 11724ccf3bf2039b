// Test-only: the machine that the POSIX seam's host queries answer from.
// Tests set up the application-data folder, registry values, file versions,
// the program's path, the platform version and the clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/event_log.h"
#include "platform/host.h"

namespace platform::simulated {

// Back to a machine with nothing set: every query fails (the clock reads the
// real time, the platform version is 10).
void Reset();

void SetCommonAppDataFolder(std::optional<std::wstring> folder);
void SetLocalAppDataFolder(std::optional<std::wstring> folder);
void SetRegistryString(RegistryRoot root, const std::wstring& subkey, const std::wstring& valueName,
                       std::optional<std::wstring> text);
void SetFileVersion(const std::wstring& path, std::optional<FileVersion> version);
void SetProgramPath(std::optional<std::wstring> path);
void SetPlatformMajorVersion(unsigned version);
void SetCurrentTime(std::optional<std::int64_t> secondsSince1970);

// An event written to the Application log.
struct ReportedEvent {
  EventType type = EventType::Information;
  std::uint32_t id = 0;
  std::wstring text;
};
// The events written since the last Reset, in order.
std::vector<ReportedEvent> ReportedEvents();
// The message file the event source names; empty while it is not registered.
std::wstring EventSourceMessageFile();

}  // namespace platform::simulated
