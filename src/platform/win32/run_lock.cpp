// The run lock on Win32: the lock file opened with no sharing at all and
// deleted on close. A second open of the same file is refused with a sharing
// violation whatever path it comes by, and the handle, with the file, goes
// with its process, even a killed one.
#include "platform/run_lock.h"

#include <windows.h>

#include "platform/win32/unique_resource.h"

namespace platform {
namespace {

constexpr DWORD kDeniedForAtMostMs = 2000;
constexpr DWORD kDeniedPauseMs = 100;

HANDLE OpenDeletedOnClose(const std::wstring& path) {
  return ::CreateFileW(path.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
}

// As exclusive as the first open, for a file this user may read but not delete.
HANDLE OpenForReadingAlone(const std::wstring& path) {
  return ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

struct RunLock::State {
  win32::UniqueFileHandle file;
  bool busy = false;
};

RunLock::RunLock(const std::wstring& lockFile) : state(std::make_unique<State>()) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    state->file.Reset(OpenDeletedOnClose(lockFile));
    if (state->file) return;
    const DWORD error = ::GetLastError();
    if (error == ERROR_SHARING_VIOLATION) {
      state->busy = true;
      return;
    }
    // Denied: a holder's file whose deletion is pending, or another user's
    // that this one may not delete.
    if (error != ERROR_ACCESS_DENIED) return;
    if (::GetTickCount() - start >= kDeniedForAtMostMs) break;
    ::Sleep(kDeniedPauseMs);
  }
  state->file.Reset(OpenForReadingAlone(lockFile));
  if (!state->file) state->busy = ::GetLastError() == ERROR_SHARING_VIOLATION;
}

RunLock::~RunLock() = default;

bool RunLock::Held() const { return state->file.Valid(); }

bool RunLock::Busy() const { return state->busy; }

}  // namespace platform
