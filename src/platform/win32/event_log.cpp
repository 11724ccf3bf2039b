// The Application event log through the event-logging calls of ADVAPI32,
// all of them on Windows XP.
#include "platform/event_log.h"

#include <windows.h>

#include "platform/win32/unique_resource.h"

namespace platform {
namespace {

struct EventSourceTraits {
  using Type = HANDLE;
  static Type Empty() noexcept { return nullptr; }
  static void Close(Type source) noexcept { ::DeregisterEventSource(source); }
};
using UniqueEventSource = win32::UniqueResource<EventSourceTraits>;

WORD EventTypeCode(EventType type) {
  switch (type) {
    case EventType::Warning: return EVENTLOG_WARNING_TYPE;
    case EventType::Error: return EVENTLOG_ERROR_TYPE;
    case EventType::Information: break;
  }
  return EVENTLOG_INFORMATION_TYPE;
}

constexpr DWORD kAllTypes = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;

// Whether the key names this file (Windows compares paths without regard to
// case) and all three types.
bool NamesMessageFile(HKEY key, const std::wstring& messageFile) {
  wchar_t named[2048] = {};
  DWORD type = 0, size = sizeof named - sizeof(wchar_t);
  if (::RegQueryValueExW(key, L"EventMessageFile", nullptr, &type, reinterpret_cast<BYTE*>(named), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return false;
  DWORD types = 0, typesSize = sizeof types;
  if (::RegQueryValueExW(key, L"TypesSupported", nullptr, &type, reinterpret_cast<BYTE*>(&types), &typesSize) !=
          ERROR_SUCCESS ||
      type != REG_DWORD || types != kAllTypes)
    return false;
  return ::lstrcmpiW(named, messageFile.c_str()) == 0;
}

}  // namespace

bool WriteApplicationEvent(EventType type, std::uint32_t id, const std::wstring& text, std::uint32_t& failure) {
  // An unregistered source is still written to; Event Viewer then shows the
  // text after its sentence that the description cannot be found.
  const UniqueEventSource source(::RegisterEventSourceW(nullptr, kEventSource));
  if (!source) {
    failure = ::GetLastError();
    return false;
  }
  const wchar_t* strings[] = {text.c_str()};
  if (!::ReportEventW(source.Get(), EventTypeCode(type), 0, id, nullptr, 1, 0, strings, nullptr)) {
    failure = ::GetLastError();
    return false;
  }
  return true;
}

EventSourceRegistration RegisterApplicationEventSource(const std::wstring& messageFile, std::uint32_t& failure) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, KEY_QUERY_VALUE, &opened) == ERROR_SUCCESS) {
    const win32::UniqueRegistryKey key(opened);
    if (NamesMessageFile(key.Get(), messageFile)) return EventSourceRegistration::AlreadyThere;
  }
  LONG result = ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kEventSourceKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                  KEY_SET_VALUE, nullptr, &opened, nullptr);
  if (result != ERROR_SUCCESS) {
    failure = static_cast<std::uint32_t>(result);
    return EventSourceRegistration::NotMade;
  }
  const win32::UniqueRegistryKey key(opened);
  const DWORD pathBytes = static_cast<DWORD>((messageFile.size() + 1) * sizeof(wchar_t));
  result = ::RegSetValueExW(key.Get(), L"EventMessageFile", 0, REG_EXPAND_SZ,
                            reinterpret_cast<const BYTE*>(messageFile.c_str()), pathBytes);
  if (result == ERROR_SUCCESS)
    result = ::RegSetValueExW(key.Get(), L"TypesSupported", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kAllTypes),
                              sizeof kAllTypes);
  if (result != ERROR_SUCCESS) {
    failure = static_cast<std::uint32_t>(result);
    return EventSourceRegistration::NotMade;
  }
  return EventSourceRegistration::MadeNow;
}

}  // namespace platform
