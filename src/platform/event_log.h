// The Windows Application event log, where every monitoring tool and
// Windows' own event forwarding collect what programs report.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

enum class EventType { Information, Warning, Error };

// The source the program's events are written under.
inline constexpr wchar_t kEventSource[] = L"Shelfmate";

// The source's registration: the key under which Event Viewer finds the
// message table that shows an event's text.
inline constexpr wchar_t kEventSourceKey[] =
    L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Shelfmate";

// Writes one event under the source, its text as the one insertion string.
// False, with the system's reason in failure, when it could not be written.
bool WriteApplicationEvent(EventType type, std::uint32_t id, const std::wstring& text, std::uint32_t& failure);

enum class EventSourceRegistration {
  AlreadyThere,  // the source names messageFile already
  MadeNow,       // it was missing or named another file, and now names this one
  NotMade,       // it could not be written (most often: a start without elevation)
};

// Registers the source with messageFile as its message file and the three
// event types, where it is missing or names another file.
EventSourceRegistration RegisterApplicationEventSource(const std::wstring& messageFile, std::uint32_t& failure);

}  // namespace platform
