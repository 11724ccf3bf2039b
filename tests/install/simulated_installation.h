// A Lumenark installation on the simulated machine of the POSIX seam: the
// shared INI file, registry values, the executable and its file version, and
// the last SolidWorks library file. The machine is put back on destruction.
#pragma once

#include <string>

#include "platform/posix/simulated_machine.h"
#include "support/temp_folder.h"

class SimulatedInstallation {
 public:
  SimulatedInstallation();
  ~SimulatedInstallation();
  SimulatedInstallation(const SimulatedInstallation&) = delete;
  SimulatedInstallation& operator=(const SimulatedInstallation&) = delete;

  // Lumenark installed in a folder of its own, with EXE\Lumenark.exe carrying
  // this file version, found through the installation registry key; its
  // library is the folder "Library" inside.
  void InstallLumenark(platform::FileVersion version);
  // The shared INI file with these lines under [Directories].
  void WriteSharedIni(const std::string& directoriesLines);
  // A SolidWorks library folder that exists and is named in LastLibrary.path.
  void AddSolidWorksLibrary();

  std::wstring LumenarkFolder() const { return temp / L"Lumenark\\"; }
  std::wstring LibraryFolder() const { return temp / L"Lumenark\\Library\\"; }
  std::wstring SolidWorksFolder() const { return temp / L"SolidWorks Library"; }
  std::wstring AppData() const { return temp / L"ProgramData"; }
  const TempFolder& Temp() const { return temp; }

 private:
  TempFolder temp;
};
