// A lock that one holder at a time owns across every process and user of the
// machine: an exclusive open of one file, so that however the file's folder
// is reached (another drive letter, a share name, a short name, a junction)
// the lock is the same. What keeps two runs off the same library.
#pragma once

#include <memory>
#include <string>

namespace platform {

// Asks once for the lock file at this path, creating it (hidden) where it is
// missing, and does not wait for another holder. The file is held until the
// object goes and is then deleted; a killed holder's file goes with its
// process. A file being deleted by a holder that has just let go, or one that
// another user left and this one may not delete, is asked for again for up to
// two seconds, then held by an exclusive open for reading alone.
class RunLock {
 public:
  explicit RunLock(const std::wstring& lockFile);
  ~RunLock();
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  // This object holds the lock.
  bool Held() const;
  // Another holder has it. Neither held nor busy: the file could not be made
  // or opened at all (a read-only folder, a full disk).
  bool Busy() const;

 private:
  struct State;
  std::unique_ptr<State> state;
};

}  // namespace platform
