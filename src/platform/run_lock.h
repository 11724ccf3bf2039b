// A lock that one holder at a time owns across every process and user of the
// machine, found by its name: what keeps two runs off the same library.
#pragma once

#include <memory>
#include <string>

namespace platform {

// Asks once for the lock of this name and does not wait; it is held until
// the object goes. A name that another holder has, on any thread, or that
// exists but may not be opened (another user's, behind its security), is
// busy.
class RunLock {
 public:
  explicit RunLock(const std::wstring& name);
  ~RunLock();
  RunLock(const RunLock&) = delete;
  RunLock& operator=(const RunLock&) = delete;

  bool Held() const;

 private:
  struct State;
  std::unique_ptr<State> state;
};

}  // namespace platform
