// A machine for the lookup and settings tests: a clean common application-data
// folder, Lumenark's registry values and a fake Lumenark executable.
//
// Natively this is the seam's simulated machine with the application-data
// folder in a temporary folder. Under Wine it is the prefix itself: the real
// common application-data folder and registry, put back as they were when
// the machine goes out of scope, since one prefix serves the whole test run.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/host.h"

class TestMachine {
 public:
  // No "Korvane" folder under the application-data folder and none of
  // Lumenark's registry values.
  TestMachine();
  ~TestMachine();
  TestMachine(const TestMachine&) = delete;
  TestMachine& operator=(const TestMachine&) = delete;

  // The common application-data folder, without a trailing backslash.
  const std::wstring& AppData() const;

  // Sets a string value (creating its key) or, given nothing, removes it.
  void SetRegistryString(platform::RegistryRoot root, const std::wstring& subkey, const std::wstring& valueName,
                         const std::optional<std::wstring>& text);

  // Places an executable whose file version is 3.2.8.0 and whose product
  // version is 3.3.0.0 as installationFolder + "EXE\Lumenark.exe"; the folder
  // ends with a backslash.
  void InstallFakeLumenark(const std::wstring& installationFolder);

 private:
  struct State;
  std::unique_ptr<State> state;
};
