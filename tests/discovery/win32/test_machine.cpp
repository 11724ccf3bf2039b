// The test machine under Wine: the prefix's real application-data folder and
// registry (the view this build reads: the 32-bit one for the shipped program),
// restored when the machine goes out of scope.
#include "discovery/test_machine.h"

#include <windows.h>
#include <shlobj.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <tuple>
#include <vector>

#include "platform/win32/unique_resource.h"

namespace {

namespace fs = std::filesystem;
using platform::RegistryRoot;

const wchar_t kSavedSuffix[] = L".saved-by-shelfmate-tests";

HKEY BaseOf(RegistryRoot root) { return root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER; }

std::optional<std::wstring> ReadValue(RegistryRoot root, const std::wstring& subkey, const std::wstring& name) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(BaseOf(root), subkey.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
    return std::nullopt;
  win32::UniqueRegistryKey key(opened);
  wchar_t buffer[4096] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t);
  if (::RegQueryValueExW(key.Get(), name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) !=
      ERROR_SUCCESS)
    return std::nullopt;
  return std::wstring(buffer);
}

void RemoveTree(const fs::path& folder) {
  std::error_code ignored;
  for (auto it = fs::recursive_directory_iterator(folder, ignored); it != fs::recursive_directory_iterator();
       it.increment(ignored))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(folder, ignored);
}

}  // namespace

struct TestMachine::State {
  std::wstring appData;
  bool korvaneSaved = false;
  // Each value changed, with what it held before (nothing: it was absent).
  std::vector<std::tuple<RegistryRoot, std::wstring, std::wstring, std::optional<std::wstring>>> changedValues;
  // Keys created, in the order they were made.
  std::vector<std::pair<RegistryRoot, std::wstring>> createdKeys;
};

TestMachine::TestMachine() : state(std::make_unique<State>()) {
  wchar_t folder[MAX_PATH] = {};
  if (::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, folder) != S_OK)
    throw std::runtime_error("no common application-data folder");
  state->appData = folder;
  const std::wstring korvane = state->appData + L"\\Korvane";
  if (fs::exists(fs::path(korvane))) {
    RemoveTree(korvane + kSavedSuffix);
    if (!::MoveFileW(korvane.c_str(), (korvane + kSavedSuffix).c_str()))
      throw std::runtime_error("cannot set the Korvane folder aside");
    state->korvaneSaved = true;
  }
  SetRegistryString(RegistryRoot::LocalMachine, L"Software\\Korvane\\Lumenark\\Installation",
                    L"InstallationDirectory", std::nullopt);
  SetRegistryString(RegistryRoot::CurrentUser, L"Software\\Tessaray\\Lumenark\\Paths", L"LibraryPath",
                    std::nullopt);
  SetRegistryString(RegistryRoot::CurrentUser, L"Software\\Tessaray\\Lumenark\\Paths", L"LumenarkDirectory",
                    std::nullopt);
}

TestMachine::~TestMachine() {
  for (auto it = state->changedValues.rbegin(); it != state->changedValues.rend(); ++it) {
    const auto& [root, subkey, name, before] = *it;
    HKEY opened = nullptr;
    if (::RegOpenKeyExW(BaseOf(root), subkey.c_str(), 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS)
      continue;
    win32::UniqueRegistryKey key(opened);
    if (before)
      ::RegSetValueExW(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(before->c_str()),
                       static_cast<DWORD>((before->size() + 1) * sizeof(wchar_t)));
    else
      ::RegDeleteValueW(key.Get(), name.c_str());
  }
  for (auto it = state->createdKeys.rbegin(); it != state->createdKeys.rend(); ++it)
    ::RegDeleteTreeW(BaseOf(it->first), it->second.c_str());

  const std::wstring korvane = state->appData + L"\\Korvane";
  RemoveTree(korvane);
  if (state->korvaneSaved) ::MoveFileW((korvane + kSavedSuffix).c_str(), korvane.c_str());
}

const std::wstring& TestMachine::AppData() const { return state->appData; }

void TestMachine::SetRegistryString(RegistryRoot root, const std::wstring& subkey, const std::wstring& valueName,
                                    const std::optional<std::wstring>& text) {
  bool recorded = false;
  for (const auto& [r, k, n, before] : state->changedValues) recorded = recorded || (r == root && k == subkey && n == valueName);
  if (!recorded) state->changedValues.emplace_back(root, subkey, valueName, ReadValue(root, subkey, valueName));

  // Create the key one level at a time, so that exactly the levels made here are removed afterwards.
  win32::UniqueRegistryKey key;
  std::wstring path;
  for (size_t start = 0; start <= subkey.size();) {
    const size_t end = std::min(subkey.find(L'\\', start), subkey.size());
    path = subkey.substr(0, end);
    HKEY opened = nullptr;
    DWORD disposition = 0;
    if (::RegCreateKeyExW(BaseOf(root), path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &opened, &disposition) != ERROR_SUCCESS)
      throw std::runtime_error("cannot create a registry key");
    key.Reset(opened);
    if (disposition == REG_CREATED_NEW_KEY) state->createdKeys.emplace_back(root, path);
    start = end + 1;
  }
  if (text)
    ::RegSetValueExW(key.Get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text->c_str()),
                     static_cast<DWORD>((text->size() + 1) * sizeof(wchar_t)));
  else
    ::RegDeleteValueW(key.Get(), valueName.c_str());
}

void TestMachine::InstallFakeLumenark(const std::wstring& installationFolder) {
  wchar_t self[2048] = {};
  ::GetModuleFileNameW(nullptr, self, 2048);
  const fs::path fixture = fs::path(self).parent_path() / L"fake_lumenark.exe";
  const fs::path target = fs::path(installationFolder + L"EXE\\Lumenark.exe");
  fs::create_directories(target.parent_path());
  fs::copy_file(fixture, target, fs::copy_options::overwrite_existing);
}
