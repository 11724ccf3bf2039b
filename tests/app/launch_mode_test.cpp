// The command-line switch table.
#include "app/launch_mode.h"

#include <gtest/gtest.h>

namespace {

struct ModeCase {
  std::wstring commandLine;
  LaunchMode mode;
  std::wstring argument;
};

TEST(LaunchMode, SwitchesCountOnlyAtTheStartInTheirExactCase) {
  const ModeCase cases[] = {
      {L"", LaunchMode::Window, L""},
      {L"/silent", LaunchMode::SilentWindow, L""},
      {L"/silent /script=x.lms", LaunchMode::SilentWindow, L""},
      {L"/silently", LaunchMode::SilentWindow, L""},  // no delimiter test
      {L"\"C:\\x\" /silent", LaunchMode::Window, L""},
      {L" /silent", LaunchMode::Window, L""},
      {L"/SILENT", LaunchMode::Window, L""},
      {L"/libraryinstall", LaunchMode::LibraryInstall, L""},
      {L"/libraryinstallation", LaunchMode::LibraryInstall, L""},
      {L"/libraryinstall/lumenarkversion=x", LaunchMode::LibraryInstall, L""},
      {L"/LibraryInstall", LaunchMode::Window, L""},
      {L"/lumenarkversion=C:\\x.txt", LaunchMode::VersionQuery, L"C:\\x.txt"},
      {L"/lumenarkversion=\"C:\\a b.txt\"", LaunchMode::VersionQuery, L"\"C:\\a b.txt\""},
      {L"/lumenarkversion=", LaunchMode::VersionQuery, L""},
      {L"/lumenarkversion", LaunchMode::Window, L""},
      {L"/script=x", LaunchMode::RunScript, L"x"},
      {L"/script= \"C:\\s\\v2.lms\" ", LaunchMode::RunScript, L" \"C:\\s\\v2.lms\" "},
      {L"/script=/silent", LaunchMode::RunScript, L"/silent"},
      {L"/Script=x", LaunchMode::Window, L""},
      {L"/other", LaunchMode::Window, L""},
  };
  for (const auto& c : cases) {
    const LaunchRequest request = SelectLaunchMode(c.commandLine);
    EXPECT_EQ(request.mode, c.mode) << c.commandLine;
    EXPECT_EQ(request.argument, c.argument) << c.commandLine;
  }
}

}  // namespace
