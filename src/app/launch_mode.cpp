// The command-line switch table.
#include "app/launch_mode.h"

#include <string_view>

namespace {

constexpr std::wstring_view libraryInstall = L"/libraryinstall";
constexpr std::wstring_view versionQuery = L"/lumenarkversion=";
constexpr std::wstring_view script = L"/script=";
constexpr std::wstring_view silent = L"/silent";

bool BeginsWith(const std::wstring& text, std::wstring_view prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

LaunchRequest SelectLaunchMode(const std::wstring& commandLine) {
  if (BeginsWith(commandLine, libraryInstall)) return {LaunchMode::LibraryInstall, L""};
  if (BeginsWith(commandLine, versionQuery))
    return {LaunchMode::VersionQuery, commandLine.substr(versionQuery.size())};
  if (BeginsWith(commandLine, script)) return {LaunchMode::RunScript, commandLine.substr(script.size())};
  if (BeginsWith(commandLine, silent)) return {LaunchMode::SilentWindow, L""};
  return {LaunchMode::Window, L""};
}
