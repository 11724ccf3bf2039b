// Fake Lumenark installations in the Wine prefix, and putting the prefix back.
#include "install/windows_installation.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/host.h"
#include "platform/win32/unique_resource.h"
#include "sync/paths.h"
#include "support/win32/process.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::wstring CommonAppData() {
  std::wstring folder;
  platform::CommonAppDataFolder(folder);
  return folder;
}

bool KeyExists(HKEY root, const std::wstring& subkey) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(root, subkey.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return false;
  win32::UniqueRegistryKey key(opened);
  return true;
}

}  // namespace

RegistryStringGuard::RegistryStringGuard(HKEY root, const std::wstring& subkey, const std::wstring& valueName,
                                         const std::wstring& text)
    : root(root), subkey(subkey), valueName(valueName) {
  std::wstring existing;
  const platform::RegistryRoot seamRoot =
      root == HKEY_LOCAL_MACHINE ? platform::RegistryRoot::LocalMachine : platform::RegistryRoot::CurrentUser;
  if (platform::ReadRegistryString(seamRoot, subkey, valueName, existing)) previous = existing;
  for (size_t cut = subkey.find(L'\\'); ; cut = subkey.find(L'\\', cut + 1)) {
    const std::wstring part = subkey.substr(0, cut);
    if (!KeyExists(root, part)) createdKeys.push_back(part);
    if (cut == std::wstring::npos) break;
  }
  HKEY created = nullptr;
  if (::RegCreateKeyExW(root, subkey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created, nullptr) !=
      ERROR_SUCCESS)
    return;
  win32::UniqueRegistryKey key(created);
  ::RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

RegistryStringGuard::~RegistryStringGuard() {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(root, subkey.c_str(), 0, KEY_SET_VALUE, &opened) == ERROR_SUCCESS) {
    win32::UniqueRegistryKey key(opened);
    if (previous) {
      ::RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(previous->c_str()),
                       static_cast<DWORD>((previous->size() + 1) * sizeof(wchar_t)));
    } else {
      ::RegDeleteValueW(key.Get(), valueName.c_str());
    }
  }
  for (auto it = createdKeys.rbegin(); it != createdKeys.rend(); ++it) ::RegDeleteKeyW(root, it->c_str());
}

FileGuard::FileGuard(const std::wstring& path, const std::string& content) : path(path) {
  const std::string existing = ReadTestFile(path);
  if (existing != "<missing>") previous = existing;
  for (size_t cut = path.find(L'\\', 3); cut != std::wstring::npos; cut = path.find(L'\\', cut + 1)) {
    const std::wstring folder = path.substr(0, cut);
    if (!PathExists(folder)) createdFolders.push_back(folder);
  }
  WriteTestFile(path, content);
}

FileGuard::~FileGuard() {
  std::error_code ignored;
  if (previous) {
    WriteTestFile(path, *previous);
  } else {
    std::filesystem::remove(NativeOf(path), ignored);
  }
  for (auto it = createdFolders.rbegin(); it != createdFolders.rend(); ++it)
    std::filesystem::remove(NativeOf(*it), ignored);
}

bool WindowsInstallation::InstallLumenark(const std::wstring& version) {
  std::wstring standIn = version;
  for (wchar_t& c : standIn)
    if (c == L'.') c = L'_';
  standIn = L"lumenark_" + standIn + L".exe";
  const std::wstring exe = temp / L"Lumenark\\EXE\\Lumenark.exe";
  WriteTestFile(LibraryFolder() + L"keep", "");
  std::error_code failed;
  std::filesystem::create_directories(NativeOf(temp / L"Lumenark\\EXE"), failed);
  if (!std::filesystem::copy_file(NativeOf(TestProgramFolder() + standIn), NativeOf(exe), failed)) return false;
  registry.push_back(std::make_unique<RegistryStringGuard>(
      HKEY_LOCAL_MACHINE, L"Software\\Korvane\\Lumenark\\Installation", L"InstallationDirectory", temp / L"Lumenark"));
  return true;
}

void WindowsInstallation::NameLibraryInSharedIni() {
  WriteTestFile(SharedLibraryFolder() + L"keep", "");
  files.push_back(std::make_unique<FileGuard>(CommonAppData() + L"\\Korvane\\Korvane.ini",
                                              "[Directories]\r\nLibrary=" + Narrow(SharedLibraryFolder()) + "\r\n"));
}

void WindowsInstallation::AddSolidWorksLibrary() {
  WriteTestFile(SolidWorksFolder() + L"\\keep", "");
  files.push_back(std::make_unique<FileGuard>(CommonAppData() + L"\\Korvane\\SolidWorks\\LastLibrary.path",
                                              Narrow(SolidWorksFolder())));
}
