// The run lock on POSIX: names held within this process, which is all the
// native tests need of a machine-wide object.
#include "platform/run_lock.h"

#include <mutex>
#include <set>

namespace platform {
namespace {

// The kernel's object namespace, as far as this process sees it.
struct HeldNames {
  std::mutex lock;
  std::set<std::wstring> names;
};

HeldNames& TheHeldNames() {
  static HeldNames held;
  return held;
}

}  // namespace

struct RunLock::State {
  std::wstring name;
  bool held = false;
};

RunLock::RunLock(const std::wstring& name) : state(std::make_unique<State>()) {
  state->name = name;
  HeldNames& held = TheHeldNames();
  std::lock_guard guard(held.lock);
  state->held = held.names.insert(name).second;
}

RunLock::~RunLock() {
  if (!state->held) return;
  HeldNames& held = TheHeldNames();
  std::lock_guard guard(held.lock);
  held.names.erase(state->name);
}

bool RunLock::Held() const { return state->held; }

}  // namespace platform
