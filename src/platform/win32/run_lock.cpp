// The run lock on Win32: a named semaphore of one count. Unlike a mutex it
// has no owning thread, so a second run asks in vain whichever thread it is
// on. A killed holder's handle closes with its process, and the object goes
// with the last handle, so the lock never outlives its holder for long.
#include "platform/run_lock.h"

#include <windows.h>

#include "platform/win32/unique_resource.h"

namespace platform {

struct RunLock::State {
  win32::UniqueHandle semaphore;
  bool held = false;
};

RunLock::RunLock(const std::wstring& name) : state(std::make_unique<State>()) {
  // Opening another user's semaphore fails with ERROR_ACCESS_DENIED; no
  // handle means busy, whatever the reason.
  state->semaphore.Reset(::CreateSemaphoreW(nullptr, 1, 1, name.c_str()));
  if (!state->semaphore) return;
  state->held = ::WaitForSingleObject(state->semaphore.Get(), 0) == WAIT_OBJECT_0;
}

RunLock::~RunLock() {
  if (state->held) ::ReleaseSemaphore(state->semaphore.Get(), 1, nullptr);
}

bool RunLock::Held() const { return state->held; }

}  // namespace platform
