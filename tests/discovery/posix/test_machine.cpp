// The test machine natively: the seam's simulated machine over a temporary folder.
#include "discovery/test_machine.h"

#include "platform/posix/fault_injection.h"
#include "platform/posix/simulated_machine.h"
#include "support/temp_folder.h"

struct TestMachine::State {
  TempFolder root;
  std::wstring appData = root / L"ProgramData";
};

TestMachine::TestMachine() : state(std::make_unique<State>()) {
  platform::simulated::Reset();
  platform::faults::Reset();
  platform::simulated::SetCommonAppDataFolder(state->appData);
}

TestMachine::~TestMachine() {
  platform::simulated::Reset();
  platform::faults::Reset();
}

const std::wstring& TestMachine::AppData() const { return state->appData; }

void TestMachine::SetRegistryString(platform::RegistryRoot root, const std::wstring& subkey,
                                    const std::wstring& valueName, const std::optional<std::wstring>& text) {
  platform::simulated::SetRegistryString(root, subkey, valueName, text);
}

void TestMachine::InstallFakeLumenark(const std::wstring& installationFolder) {
  const std::wstring program = installationFolder + L"EXE\\Lumenark.exe";
  WriteTestFile(program, "MZ");
  platform::simulated::SetFileVersion(program, platform::FileVersion{3, 2, 8, 0});
}
