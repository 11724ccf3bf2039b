// The prefix's registration of the program's event source, as the tests set
// and read it.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/event_log.h"
#include "platform/win32/unique_resource.h"

// The message file the event source's registration names; empty without one.
inline std::wstring EventMessageFile() {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, platform::kEventSourceKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
    return std::wstring();
  const win32::UniqueRegistryKey key(opened);
  wchar_t file[1024] = {};
  DWORD size = sizeof file - sizeof(wchar_t);
  if (::RegQueryValueExW(key.Get(), L"EventMessageFile", nullptr, nullptr, reinterpret_cast<BYTE*>(file), &size) !=
      ERROR_SUCCESS)
    return std::wstring();
  return file;
}

inline void SetEventMessageFile(const std::wstring& file) {
  HKEY opened = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, platform::kEventSourceKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &opened, nullptr),
            ERROR_SUCCESS);
  const win32::UniqueRegistryKey key(opened);
  ASSERT_EQ(::RegSetValueExW(key.Get(), L"EventMessageFile", 0, REG_EXPAND_SZ,
                             reinterpret_cast<const BYTE*>(file.c_str()),
                             static_cast<DWORD>((file.size() + 1) * sizeof(wchar_t))),
            ERROR_SUCCESS);
}

