// Which library install script belongs to an installed Lumenark release, and
// how a release is written out.
#pragma once

#include <optional>
#include <string>

#include "discovery/installed_library.h"

// The script name for a release, or nothing for the majors 4 to 2013, which
// have no script. Minor and build are compared each on its own; the revision
// does not count.
std::optional<std::wstring> VersionScriptFor(const LumenarkVersion& version);

// The script for an installation that names its library in the shared INI
// file but has no readable executable version.
inline constexpr const wchar_t* kScriptWithoutVersion = L"v2014+.lms";

// The script run in addition whenever a SolidWorks library exists.
inline constexpr const wchar_t* kSolidWorksScript = L"solidworks.lms";

// "major.minor.build.revision" in plain decimal, no line end.
std::string FormatVersion(const LumenarkVersion& version);
