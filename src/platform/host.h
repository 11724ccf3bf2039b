// What the program asks of the machine beyond its files: well-known folders,
// registry values, version resources, its own path, the platform version, the
// clock and new threads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace platform {

// The all-users application-data folder, without a trailing backslash.
bool CommonAppDataFolder(std::wstring& folder);

// The current user's local (not roaming) application-data folder, without a
// trailing backslash.
bool LocalAppDataFolder(std::wstring& folder);

enum class RegistryRoot { LocalMachine, CurrentUser };

// Reads a string value with query-only access and no registry-view flag, so a
// 32-bit program on 64-bit Windows reads the 32-bit view. Fails when the key
// or value is missing or the value does not fit 1024 bytes.
bool ReadRegistryString(RegistryRoot root, const std::wstring& subkey,
                        const std::wstring& valueName, std::wstring& text);

struct FileVersion {
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
  std::uint16_t build = 0;
  std::uint16_t revision = 0;
};

// The file version (not the product version) of an executable's version
// resource. False when it has no readable version resource.
bool ReadFileVersionResource(const std::wstring& path, FileVersion& version);

// The full path of the running program's own file. False when it does not
// fit the program-path buffer of 2048 characters.
bool ProgramPath(std::wstring& path);

// The platform's major version number; 0 when it cannot be asked.
unsigned PlatformMajorVersion();

// Seconds since 1970-01-01 00:00:00 UTC.
std::int64_t CurrentTime();

// A moment as the machine's clock shows it in its own time zone.
struct LocalTime {
  unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
LocalTime CurrentLocalTime();

// The computer's and the signed-in user's names; empty when they cannot be asked.
std::wstring ComputerName();
std::wstring UserName();

// Starts a thread that runs work, as std::thread does: throws
// std::system_error when the system cannot start one.
std::thread StartThread(std::function<void()> work);

}  // namespace platform
