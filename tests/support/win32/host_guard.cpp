// Under Wine, ntdll exports wine_get_version; on real Windows it does not.
#include "support/host_guard.h"

#include <windows.h>

bool MayChangeMachineState() {
  HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
