// The settings store: the settings file's place, its creation, and one getter and setter per setting.
#include "settings/settings_store.h"

#include "discovery/installed_library.h"
#include "platform/file_system.h"
#include "platform/host.h"
#include "settings/ini_file.h"
#include "sync/paths.h"

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
