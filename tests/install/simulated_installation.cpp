// Setting up a simulated Lumenark installation for native tests.
#include "install/simulated_installation.h"

namespace {

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

}  // namespace

SimulatedInstallation::SimulatedInstallation() {
  platform::simulated::Reset();
  platform::simulated::SetCommonAppDataFolder(AppData());
  WriteTestFile(AppData() + L"\\keep", "");
}

SimulatedInstallation::~SimulatedInstallation() { platform::simulated::Reset(); }

void SimulatedInstallation::InstallLumenark(platform::FileVersion version) {
  const std::wstring exe = LumenarkFolder() + L"EXE\\Lumenark.exe";
  WriteTestFile(exe, "MZ");
  WriteTestFile(LibraryFolder() + L"keep", "");
  platform::simulated::SetFileVersion(exe, version);
  platform::simulated::SetRegistryString(platform::RegistryRoot::LocalMachine,
                                         L"Software\\Korvane\\Lumenark\\Installation", L"InstallationDirectory",
                                         temp / L"Lumenark");
}

void SimulatedInstallation::WriteSharedIni(const std::string& directoriesLines) {
  WriteTestFile(AppData() + L"\\Korvane\\Korvane.ini", "[Directories]\r\n" + directoriesLines);
}

void SimulatedInstallation::AddSolidWorksLibrary() {
  WriteTestFile(SolidWorksFolder() + L"\\keep", "");
  WriteTestFile(AppData() + L"\\Korvane\\SolidWorks\\LastLibrary.path", Narrow(SolidWorksFolder()));
}
