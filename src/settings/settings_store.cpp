// The settings store: the settings file's place, its creation, and one getter and setter per setting.
#include "settings/settings_store.h"

#include <algorithm>

#include "discovery/installed_library.h"
#include "platform/file_system.h"
#include "platform/host.h"
#include "settings/ini_file.h"
#include "sync/paths.h"
#include "sync/sync_job.h"

namespace {

const wchar_t kDirectories[] = L"Directories";
const wchar_t kSettings[] = L"Settings";

bool Deliver(const std::wstring& value, std::wstring& path, size_t capacity) {
  if (value.size() >= capacity) return false;
  path = value;
  return true;
}

bool ReadSetting(const wchar_t* section, const wchar_t* key, std::wstring& value) {
  std::wstring file;
  return SettingsFilePath(file) && ReadIniValue(section, file, key, value);
}

bool WriteSetting(const wchar_t* section, const wchar_t* key, const std::wstring& value) {
  std::wstring file;
  return SettingsFilePath(file) && WriteIniValue(section, file, key, value);
}

bool ReadFlag(const wchar_t* key, bool& flag) {
  std::wstring value;
  if (!ReadSetting(kSettings, key, value)) return false;
  flag = !value.empty() && value.front() == L'1';
  return true;
}

bool WriteFlag(const wchar_t* key, bool flag) { return WriteSetting(kSettings, key, flag ? L"1" : L"0"); }

}  // namespace

bool SettingsFilePath(std::wstring& path) {
  std::wstring folder;
  if (!platform::CommonAppDataFolder(folder)) return false;
  path = folder + L"\\Korvane\\Shelfmate\\Shelfmate.ini";
  if (PathExists(path)) return true;
  if (!MakeFolderTree(ParentFolder(path))) return false;
  // Another user's program may have created it since the test above.
  return platform::CreateEmptyFile(path) || PathExists(path);
}

bool GetLocalLibraryPath(std::wstring& path, size_t capacity) {
  std::wstring file;
  if (!SettingsFilePath(file)) return false;
  std::wstring value;
  if (ReadIniValue(kDirectories, file, L"Local", value)) return Deliver(value, path, capacity);
  return ReadInstalledLibraryPath(value, 1024) && Deliver(value, path, capacity);
}

bool SetLocalLibraryPath(const std::wstring& path) { return WriteSetting(kDirectories, L"Local", path); }

bool GetRemoteLibraryPath(std::wstring& path, size_t capacity) {
  std::wstring value;
  return ReadSetting(kDirectories, L"Remote", value) && Deliver(value, path, capacity);
}

bool SetRemoteLibraryPath(const std::wstring& path) { return WriteSetting(kDirectories, L"Remote", path); }

bool GetUseInstalledLibrary(bool& flag) { return ReadFlag(L"Use Installed Library", flag); }

bool SetUseInstalledLibrary(bool flag) { return WriteFlag(L"Use Installed Library", flag); }

bool GetShowCloseWarning(bool& flag) { return ReadFlag(L"Show Close Warning", flag); }

bool SetShowCloseWarning(bool flag) { return WriteFlag(L"Show Close Warning", flag); }

bool ReadInstalledLibraryPath(std::wstring& path, size_t capacity) {
  std::wstring sharedIni, value;
  return SharedIniPath(sharedIni) && ReadIniValue(kDirectories, sharedIni, L"Library", value) &&
         Deliver(value, path, capacity);
}

namespace {

constexpr unsigned kLongestWait = 24 * 60 * 60;

// A whole number, blanks around it allowed, where any larger than `most`
// gives `most`; false for anything else.
bool ParseUpTo(const std::wstring& text, unsigned most, unsigned& number) {
  size_t from = text.find_first_not_of(L" \t"), to = text.find_last_not_of(L" \t");
  if (from == std::wstring::npos) return false;
  unsigned long value = 0;
  for (size_t at = from; at <= to; ++at) {
    if (text[at] < L'0' || text[at] > L'9') return false;
    value = std::min<unsigned long>(value * 10 + static_cast<unsigned long>(text[at] - L'0'), most);
  }
  number = static_cast<unsigned>(value);
  return true;
}

// A minus sign directly before a whole number, blanks around them allowed.
bool IsNegativeNumber(const std::wstring& text) {
  const size_t sign = text.find_first_not_of(L" \t");
  unsigned ignored = 0;
  return sign != std::wstring::npos && text[sign] == L'-' && sign + 1 < text.size() && text[sign + 1] >= L'0' &&
         text[sign + 1] <= L'9' && ParseUpTo(text.substr(sign + 1), 1, ignored);
}

// A whole number of seconds, up to a day's; false for anything else.
bool ParseSeconds(const std::wstring& text, unsigned& seconds) {
  unsigned value = 0;
  if (!ParseUpTo(text, kLongestWait + 1, value) || value > kLongestWait) return false;
  seconds = value;
  return true;
}

}  // namespace

bool ParseRetryWaits(const std::wstring& text, std::vector<unsigned>& waits) {
  std::vector<unsigned> parsed;
  size_t from = 0;
  for (;;) {
    const size_t comma = text.find(L',', from);
    unsigned seconds = 0;
    if (!ParseSeconds(text.substr(from, comma == std::wstring::npos ? std::wstring::npos : comma - from), seconds))
      return false;
    parsed.push_back(seconds);
    if (comma == std::wstring::npos) break;
    from = comma + 1;
  }
  if (parsed.size() > 3) return false;
  if (parsed.size() == 1 && parsed[0] == 0) parsed.clear();
  waits = std::move(parsed);
  return true;
}

std::vector<unsigned> GetRetryWaitSeconds() {
  std::vector<unsigned> waits = {10, 30, 90};
  std::wstring value;
  if (ReadSetting(kSettings, L"RetryWaitSeconds", value)) ParseRetryWaits(value, waits);
  return waits;
}

unsigned GetCopyThreads() {
  unsigned threads = kDefaultCopyThreads;
  std::wstring value;
  if (ReadSetting(kSettings, L"CopyThreads", value) && !ParseUpTo(value, kMostCopyThreads, threads) &&
      IsNegativeNumber(value))
    threads = 1;  // below the range, so its lower end
  return std::max(threads, 1u);
}

RandomDelaySetting GetScheduleRandomDelay() {
  constexpr unsigned kMostMinutes = 240;
  RandomDelaySetting delay;
  std::wstring value;
  if (!ReadSetting(kSettings, L"ScheduleRandomDelayMinutes", value)) return delay;
  // Only a number names a delay, one that replaces an administrator's own.
  if (ParseUpTo(value, kMostMinutes, delay.minutes)) {
    delay.inSettings = true;
  } else if (IsNegativeNumber(value)) {
    delay.inSettings = true;
    delay.minutes = 0;
  }
  return delay;
}

std::wstring GetStatusFolder() {
  std::wstring value;
  return ReadSetting(kSettings, L"StatusFolder", value) ? value : std::wstring();
}

unsigned GetWaitForRemoteSeconds() {
  unsigned seconds = 600;
  std::wstring value;
  if (ReadSetting(kSettings, L"WaitForRemoteSeconds", value)) ParseSeconds(value, seconds);
  return seconds;
}
