// The run lock on Win32: a named mutex, owned by the thread that took it.
#include "platform/run_lock.h"

#include <windows.h>

#include "platform/win32/unique_resource.h"

namespace platform {

struct RunLock::State {
  win32::UniqueHandle mutex;
  bool held = false;
};

RunLock::RunLock(const std::wstring& name) : state(std::make_unique<State>()) {
  // Opening an existing mutex of another user's fails with
  // ERROR_ACCESS_DENIED; no handle means busy, whatever the reason.
  state->mutex.Reset(::CreateMutexW(nullptr, FALSE, name.c_str()));
  if (!state->mutex) return;
  // A holder that ended without letting go leaves the mutex abandoned: it is
  // ours then, and the files it left are what a killed run leaves.
  const DWORD waited = ::WaitForSingleObject(state->mutex.Get(), 0);
  state->held = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

RunLock::~RunLock() {
  if (state->held) ::ReleaseMutex(state->mutex.Get());
}

bool RunLock::Held() const { return state->held; }

}  // namespace platform
