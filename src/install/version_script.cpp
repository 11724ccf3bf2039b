// Choosing the install script by release, and the release as text.
#include "install/version_script.h"

std::optional<std::wstring> VersionScriptFor(const LumenarkVersion& version) {
  if (version.major < 3) return L"v2.lms";
  if (version.major == 3) {
    if (version.minor <= 2 && version.build <= 7) return L"v3.0-v3.2.7.lms";
    return L"v3.2.8+.lms";
  }
  if (version.major >= 2014) return L"v2014+.lms";
  return std::nullopt;
}

std::string FormatVersion(const LumenarkVersion& version) {
  return std::to_string(version.major) + "." + std::to_string(version.minor) + "." +
         std::to_string(version.build) + "." + std::to_string(version.revision);
}
