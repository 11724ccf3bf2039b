// The library install script interpreter: INSTALL, DELETE_COMPONENT and
// DELETE_LAMP lines run against the installed Lumenark library.
#pragma once

#include <string>

#include "install/script_file.h"

// Longest script line, with room for the terminating zero.
inline constexpr size_t kScriptLineBuffer = 2048;

// Where each kind of library file goes for one run. An empty folder means
// that kind has no place in this installation.
struct InstallTargets {
  std::wstring scriptFolder;  // ends with a backslash, or empty for the current folder
  int majorVersion = 0;
  std::wstring libraryRoot;
  std::wstring componentsFolder;
  std::wstring lampsFolder;
  std::wstring materialsFolder;
  std::wstring lampGeometryFolder;
  std::wstring appearancesFolder;
  std::wstring solidWorksLampsFolder;
};

// The folders for a release and library root; `solidWorksLibrary` is empty
// when no SolidWorks library exists.
InstallTargets TargetsFor(int majorVersion, const std::wstring& libraryRoot, const std::wstring& solidWorksLibrary);

// Where a source file of this path belongs; empty when nowhere.
std::wstring DestinationFolderOf(const std::wstring& source, const InstallTargets& targets);

// Carries out the script's lines in order against the given folders. False
// when a line cannot be split into a command and an operand; the lines
// before it stay done.
bool RunScriptLines(const StringList& lines, const InstallTargets& targets);

// Runs one script file against the installed library. False when the script
// is missing, no installation is found, or a line stops the run; true when
// it was read to its end.
bool RunInstallScript(const std::wstring& scriptPath);
