// A fake Lumenark installation in the Wine prefix, made the way Lumenark's
// installer leaves one: registry keys, the shared INI file, the last
// SolidWorks library file and EXE\Lumenark.exe. Everything it changes in the
// prefix is put back when it goes.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_folder.h"

// Sets one registry string for the lifetime of the guard, then restores the
// old value or removes the value and the keys it had to create.
class RegistryStringGuard {
 public:
  RegistryStringGuard(HKEY root, const std::wstring& subkey, const std::wstring& valueName,
                      const std::wstring& text);
  ~RegistryStringGuard();
  RegistryStringGuard(const RegistryStringGuard&) = delete;
  RegistryStringGuard& operator=(const RegistryStringGuard&) = delete;

 private:
  HKEY root;
  std::wstring subkey, valueName;
  std::optional<std::wstring> previous;
  std::vector<std::wstring> createdKeys;  // outermost first
};

// Writes one file for the lifetime of the guard, then restores the old
// content or removes the file and the folders it had to create.
class FileGuard {
 public:
  FileGuard(const std::wstring& path, const std::string& content);
  ~FileGuard();
  FileGuard(const FileGuard&) = delete;
  FileGuard& operator=(const FileGuard&) = delete;

 private:
  std::wstring path;
  std::optional<std::string> previous;
  std::vector<std::wstring> createdFolders;  // outermost first
};

class WindowsInstallation {
 public:
  WindowsInstallation() = default;
  WindowsInstallation(const WindowsInstallation&) = delete;
  WindowsInstallation& operator=(const WindowsInstallation&) = delete;

  // Lumenark in a folder of its own, found through the installation key,
  // whose EXE\Lumenark.exe is the stand-in built for this version text
  // ("3.2.8.0"); its library is the folder "Library" inside. False when the
  // stand-in could not be copied.
  bool InstallLumenark(const std::wstring& version);
  // The shared INI file naming a library folder that exists.
  void NameLibraryInSharedIni();
  // A SolidWorks library that exists, named in LastLibrary.path.
  void AddSolidWorksLibrary();

  std::wstring LibraryFolder() const { return temp / L"Lumenark\\Library\\"; }
  std::wstring SharedLibraryFolder() const { return temp / L"Shared Library\\"; }
  std::wstring SolidWorksFolder() const { return temp / L"SolidWorks Library"; }
  const TempFolder& Temp() const { return temp; }

 private:
  TempFolder temp;
  std::vector<std::unique_ptr<RegistryStringGuard>> registry;
  std::vector<std::unique_ptr<FileGuard>> files;
};
