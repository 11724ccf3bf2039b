// The installed-library lookups, in their fixed order of sources.
#include "discovery/installed_library.h"

#include "platform/file_system.h"
#include "platform/host.h"
#include "settings/ini_file.h"
#include "settings/narrow_text.h"

namespace {

using platform::RegistryRoot;

const wchar_t kInstallationKey[] = L"Software\\Korvane\\Lumenark\\Installation";
const wchar_t kLegacyKey[] = L"Software\\Tessaray\\Lumenark\\Paths";

std::wstring WithBackslash(std::wstring folder) {
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder;
}

// A registry string that is missing, too long or empty gives nothing.
bool RegistryText(RegistryRoot root, const wchar_t* subkey, const wchar_t* valueName, std::wstring& text) {
  std::wstring read;
  if (!platform::ReadRegistryString(root, subkey, valueName, read) || read.empty()) return false;
  text = read;
  return true;
}

bool SharedIniText(const wchar_t* key, std::wstring& text) {
  std::wstring path, value;
  if (!SharedIniPath(path) || !ReadIniValue(L"Directories", path, key, value) || value.empty()) return false;
  text = value;
  return true;
}

}  // namespace

bool SharedIniPath(std::wstring& path) {
  std::wstring folder;
  if (!platform::CommonAppDataFolder(folder)) return false;
  path = folder + L"\\Korvane\\Korvane.ini";
  return true;
}

bool LibraryFromSharedIni(std::wstring& folder) {
  std::wstring text;
  if (!SharedIniText(L"Library", text)) return false;
  folder = WithBackslash(text);
  return true;
}

bool FindInstalledLibrary(std::wstring& folder) {
  if (LibraryFromSharedIni(folder)) return true;
  std::wstring text;
  if (RegistryText(RegistryRoot::LocalMachine, kInstallationKey, L"InstallationDirectory", text))
    text = WithBackslash(text) + L"Library\\";
  else if (!RegistryText(RegistryRoot::CurrentUser, kLegacyKey, L"LibraryPath", text))
    return false;
  folder = WithBackslash(text);
  return true;
}

bool FindLumenarkFolder(std::wstring& folder) {
  std::wstring text;
  if (!SharedIniText(L"Lumenark", text) &&
      !RegistryText(RegistryRoot::LocalMachine, kInstallationKey, L"InstallationDirectory", text) &&
      !RegistryText(RegistryRoot::CurrentUser, kLegacyKey, L"LumenarkDirectory", text))
    return false;
  folder = WithBackslash(text);
  return true;
}

bool FindSolidWorksLibrary(std::wstring& folder) {
  std::wstring appData;
  if (!platform::CommonAppDataFolder(appData)) return false;
  const std::string stored = ReadNarrowFile(appData + L"\\Korvane\\SolidWorks\\LastLibrary.path");
  if (stored.empty()) return false;
  // The folder delivered is the folder tested: each byte widened on its own.
  const std::wstring named = WidenBytes(stored);
  if (!platform::PathExists(named)) return false;
  folder = named;
  return true;
}

std::string ReadNarrowFile(const std::wstring& path) {
  std::string bytes;
  if (!platform::ReadWholeFile(path, bytes, platform::ReadSharing::ReadersAndWriters)) return std::string();
  return TextModeBytes(bytes);
}

bool ReadFileVersion(const std::wstring& path, LumenarkVersion& version) {
  platform::FileVersion read;
  if (!platform::ReadFileVersionResource(path, read)) return false;
  version.major = read.major;
  version.minor = read.minor;
  version.build = read.build;
  version.revision = read.revision;
  return true;
}

bool QueryLumenarkVersion(LumenarkVersion& version) {
  std::wstring folder;
  if (!FindLumenarkFolder(folder)) return false;
  const std::wstring program = folder + L"EXE\\Lumenark.exe";
  return platform::PathExists(program) && ReadFileVersion(program, version);
}
