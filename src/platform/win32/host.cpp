// The host queries on Win32: shell folder, registry, version resource, module path, version, clock; new threads.
#include "platform/host.h"

#include <windows.h>
#include <shlobj.h>

#include <ctime>
#include <vector>

#include "platform/win32/unique_resource.h"

namespace platform {

bool CommonAppDataFolder(std::wstring& folder) {
  wchar_t buffer[MAX_PATH] = {};
  if (::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, buffer) != S_OK) return false;
  folder = buffer;
  return true;
}

bool LocalAppDataFolder(std::wstring& folder) {
  wchar_t buffer[MAX_PATH] = {};
  if (::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, buffer) != S_OK) return false;
  folder = buffer;
  return true;
}

bool ReadRegistryString(RegistryRoot root, const std::wstring& subkey, const std::wstring& valueName,
                        std::wstring& text) {
  HKEY opened = nullptr;
  const HKEY base = root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  if (::RegOpenKeyExW(base, subkey.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return false;
  win32::UniqueRegistryKey key(opened);

  constexpr DWORD bufferBytes = 1024;
  wchar_t buffer[bufferBytes / sizeof(wchar_t) + 1] = {};
  DWORD size = bufferBytes;
  if (::RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS)
    return false;
  // The stored value need not end in a zero; the spare element makes sure it does.
  buffer[size / sizeof(wchar_t)] = L'\0';
  text = buffer;
  return true;
}

bool ReadFileVersionResource(const std::wstring& path, FileVersion& version) {
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
  if (size == 0) return false;
  std::vector<unsigned char> block(size);
  if (!::GetFileVersionInfoW(path.c_str(), handle, size, block.data())) return false;
  VS_FIXEDFILEINFO* info = nullptr;
  UINT infoSize = 0;
  if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) || info == nullptr)
    return false;
  version.major = HIWORD(info->dwFileVersionMS);
  version.minor = LOWORD(info->dwFileVersionMS);
  version.build = HIWORD(info->dwFileVersionLS);
  version.revision = LOWORD(info->dwFileVersionLS);
  return true;
}

bool ProgramPath(std::wstring& path) {
  constexpr DWORD capacity = 2048;
  wchar_t buffer[capacity] = {};
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer, capacity);
  if (length == 0 || length >= capacity) return false;
  path.assign(buffer, length);
  return true;
}

unsigned PlatformMajorVersion() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!::GetVersionExW(&info)) return 0;
  return info.dwMajorVersion;
}

std::int64_t CurrentTime() { return static_cast<std::int64_t>(std::time(nullptr)); }

LocalTime CurrentLocalTime() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

std::wstring ComputerName() {
  wchar_t buffer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  return ::GetComputerNameW(buffer, &length) ? std::wstring(buffer, length) : std::wstring();
}

std::wstring UserName() {
  DWORD length = 0;
  ::GetUserNameW(nullptr, &length);
  if (length == 0) return std::wstring();
  std::vector<wchar_t> buffer(length);
  if (!::GetUserNameW(buffer.data(), &length)) return std::wstring();
  return std::wstring(buffer.data());
}

std::thread StartThread(std::function<void()> work) { return std::thread(std::move(work)); }

}  // namespace platform
