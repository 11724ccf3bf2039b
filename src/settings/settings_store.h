// Shelfmate's four settings in its all-users INI file, and the raw installed-library folder.
//
// Nothing is cached: every call goes to the file, and the first call creates
// it. Getters deliver into the caller's buffer of `capacity` characters, the
// terminating zero counted: a value of capacity characters or more fails
// rather than being cut, since a cut folder path names another folder. A
// getter that fails leaves the caller's text or flag as it was.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "schedule/task_upkeep.h"

// The settings file's path, the common application-data folder followed by
// "\Korvane\Shelfmate\Shelfmate.ini". True when the file exists afterwards:
// it existed, or it was just created empty together with its folders. The
// path is delivered whenever the application-data folder was found.
bool SettingsFilePath(std::wstring& path);

// The local library folder: "Local" of "Directories"; while that key is
// absent, the raw installed library folder of the maker's shared INI file.
bool GetLocalLibraryPath(std::wstring& path, size_t capacity);
bool SetLocalLibraryPath(const std::wstring& path);

// The remote library folder, "Remote" of "Directories".
bool GetRemoteLibraryPath(std::wstring& path, size_t capacity);
bool SetRemoteLibraryPath(const std::wstring& path);

// Flags of "Settings", stored as "1" or "0" and true when the first character
// is "1". A getter fails when the key is absent; callers then take false.
bool GetUseInstalledLibrary(bool& flag);
bool SetUseInstalledLibrary(bool flag);
bool GetShowCloseWarning(bool& flag);
bool SetShowCloseWarning(bool flag);

// "RetryWaitSeconds" of "Settings": the waits, in seconds, before each pass
// that tries a sync's failed files again, a comma-separated list; "0" alone
// means no retry. Absent or unreadable: "10,30,90".
std::vector<unsigned> GetRetryWaitSeconds();

// "WaitForRemoteSeconds" of "Settings": how long a silent start waits for a
// remote library that is not there yet. Absent or unreadable: 600.
unsigned GetWaitForRemoteSeconds();

// "CopyThreads" of "Settings": how many copies a sync makes side by side,
// 1 to 32; a number outside that is taken as the nearest end of it. Absent
// or unreadable: 8.
unsigned GetCopyThreads();

// "ScheduleRandomDelayMinutes" of "Settings": up to how many minutes the
// scheduler adds at random to each weekly start, 0 to 240; a number outside
// that is taken as the nearest end of it. Anything else is taken as an
// absent key: the default of 30, which a delay set in the Task Scheduler
// overrides.
RandomDelaySetting GetScheduleRandomDelay();

// "StatusFolder" of "Settings": the folder where each run leaves this
// machine's status file; empty (also when absent) for none.
std::wstring GetStatusFolder();

// The list of waits a "RetryWaitSeconds" value gives: up to three whole
// numbers of seconds of at most a day each, blanks around them allowed.
// False for any other text.
bool ParseRetryWaits(const std::wstring& text, std::vector<unsigned>& waits);

// "Library" of "Directories" in the maker's shared INI file, exactly as stored
// (an empty value counts, no backslash is added).
bool ReadInstalledLibraryPath(std::wstring& path, size_t capacity);
