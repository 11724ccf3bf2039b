// The import-table slot of kernel32's GetTickCount64, defined by the program.
//
// The thread library (libwinpthread, linked statically) calls GetTickCount64
// through its import slot. Windows XP and Server 2003 have no such export, and
// a single missing import keeps the loader from starting the program at all.
// Defining the slot here, in an object file the linker sees before the
// libraries, keeps the function out of the image's import table: the slot
// points to a function that uses kernel32's GetTickCount64 where there is one
// and otherwise widens GetTickCount by counting its wraps.
#include <windows.h>

#include <atomic>
#include <cstdint>

#include "compat/tick_count_wraps.h"

namespace {

using TickCount64Function = ULONGLONG(WINAPI*)();

std::atomic<std::uint64_t> widenedCount{0};

ULONGLONG WINAPI TickCount64FromWraps() {
  return WidenTickCount(widenedCount, [] { return static_cast<std::uint32_t>(::GetTickCount()); });
}

std::atomic<TickCount64Function> chosen{nullptr};

// Looks the function up on the first call (threads that race here find the
// same answer), then goes straight to it.
ULONGLONG WINAPI TickCount64() {
  TickCount64Function function = chosen.load(std::memory_order_acquire);
  if (function == nullptr) {
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel != nullptr) {
      function = reinterpret_cast<TickCount64Function>(
          reinterpret_cast<void*>(::GetProcAddress(kernel, "GetTickCount64")));
    }
    if (function == nullptr) function = &TickCount64FromWraps;
    chosen.store(function, std::memory_order_release);
  }
  return function();
}

}  // namespace

// The slot under the name the import library gives it: stdcall-decorated on
// i686, plain on x86_64.
#if defined(_M_IX86) || defined(__i386__)
#define SHELFMATE_GET_TICK_COUNT64_SLOT "__imp__GetTickCount64@0"
#else
#define SHELFMATE_GET_TICK_COUNT64_SLOT "__imp_GetTickCount64"
#endif

extern "C" {
extern TickCount64Function const shelfmateGetTickCount64Slot __asm__(SHELFMATE_GET_TICK_COUNT64_SLOT);
TickCount64Function const shelfmateGetTickCount64Slot = &TickCount64;
}
