// Where Lumenark, its library and the last SolidWorks library are installed, and Lumenark's version.
//
// Stateless lookups of places outside Shelfmate: the maker's shared INI file,
// Lumenark's registry keys, a one-line file under the common application-data
// folder and the Lumenark executable's version resource. Each answers true or
// false and delivers its result only on true. The library and installation
// folders always end with a backslash.
#pragma once

#include <string>

// The common application-data folder followed by "\Korvane\Korvane.ini".
bool SharedIniPath(std::wstring& path);

// "Library" of "Directories" in the shared INI file, with a backslash added
// when it lacks one. Fails when the key is missing or empty.
bool LibraryFromSharedIni(std::wstring& folder);

// The library folder: from the shared INI file, else the installation key's
// folder with "Library\" added, else the legacy key's library path.
bool FindInstalledLibrary(std::wstring& folder);

// The Lumenark installation folder: "Lumenark" of the shared INI file, else
// the installation key, else the legacy key.
bool FindLumenarkFolder(std::wstring& folder);

// The folder named in "\Korvane\SolidWorks\LastLibrary.path" under the common
// application-data folder, exactly as stored; only when that folder exists.
bool FindSolidWorksLibrary(std::wstring& folder);

// The file's bytes as a text-mode read gives them (CR LF read as LF), read
// without keeping others from writing it; empty when it cannot be read.
std::string ReadNarrowFile(const std::wstring& path);

struct LumenarkVersion {
  int major = 0, minor = 0, build = 0, revision = 0;
};

// The file version (not the product version) of an executable.
bool ReadFileVersion(const std::wstring& path, LumenarkVersion& version);

// The file version of the installation folder's "EXE\Lumenark.exe".
bool QueryLumenarkVersion(LumenarkVersion& version);
