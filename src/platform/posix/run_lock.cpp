// The run lock on POSIX: an exclusive flock on the lock file. flock belongs to
// the open, not the process, so two opens conflict within one process too,
// and it follows the file, not the spelling of its path. The holder deletes
// the file as it lets go, as Windows does with a file deleted on close.
#include "platform/run_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/posix/fault_injection.h"
#include "platform/posix/native_path.h"

namespace platform {
namespace {

constexpr auto kDeniedForAtMost = std::chrono::seconds(2);
constexpr auto kDeniedPause = std::chrono::milliseconds(100);

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

}  // namespace

struct RunLock::State {
  std::string path;
  int fd = -1;
  bool busy = false;
  bool deleteOnRelease = false;
};

RunLock::RunLock(const std::wstring& lockFile) : state(std::make_unique<State>()) {
  if (faults::ShouldFail(faults::Call::LockFile)) return;
  state->path = posix::NativePath(lockFile);
  const auto start = std::chrono::steady_clock::now();
  bool readingAlone = false;
  // A holder that lets go between this open and the lock deletes the file this
  // open found; the lock is then asked for again on the file now at the path.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const int fd = readingAlone ? ::open(state->path.c_str(), O_RDONLY | O_CLOEXEC)
                                : ::open(state->path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno != EACCES || readingAlone) return;
      if (std::chrono::steady_clock::now() - start >= kDeniedForAtMost) {
        readingAlone = true;
      } else {
        std::this_thread::sleep_for(kDeniedPause);
      }
      continue;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      state->busy = errno == EWOULDBLOCK;
      ::close(fd);
      return;
    }
    struct stat held {}, named {};
    if (::fstat(fd, &held) == 0 && ::stat(state->path.c_str(), &named) == 0 && SameFile(held, named)) {
      state->fd = fd;
      state->deleteOnRelease = !readingAlone;
      return;
    }
    ::close(fd);
  }
}

RunLock::~RunLock() {
  if (state->fd < 0) return;
  if (state->deleteOnRelease) ::unlink(state->path.c_str());
  ::close(state->fd);
}

bool RunLock::Held() const { return state->fd >= 0; }

bool RunLock::Busy() const { return state->busy; }

}  // namespace platform
