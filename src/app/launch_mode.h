// Which of the program's modes one run takes, decided from the command-line text alone.
#pragma once

#include <string>

enum class LaunchMode {
  LibraryInstall,  // "/libraryinstall": run the install scripts for the installed release
  VersionQuery,    // "/lumenarkversion=" path: write the installed Lumenark version
  RunScript,       // "/script=" path: run one install script
  Window,          // the interactive window
  SilentWindow,    // "/silent": one sync from the tray, then exit
};

struct LaunchRequest {
  LaunchMode mode = LaunchMode::Window;
  std::wstring argument;  // the text after the switch, unchanged (version query, script)
};

// A switch counts only at the very start of the text and only in its exact
// letter case; there is no test for a delimiter after it. The switches are
// tested in a fixed order, so the first that matches wins.
LaunchRequest SelectLaunchMode(const std::wstring& commandLine);
