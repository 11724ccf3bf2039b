// Case-blind folders and hidden second names for the POSIX seam (test machinery).
#include "platform/posix/name_stand_ins.h"

#include <dirent.h>
#include <sys/stat.h>

#include <atomic>
#include <mutex>
#include <set>

#include "platform/posix/native_path.h"

namespace platform::faults {
namespace {

struct NameRules {
  std::mutex lock;
  std::atomic<bool> any{false};  // only then is a path looked at
  std::string caseBlindBelow;    // native, ending in '/'; empty: none
  std::set<std::string> hidden;  // native paths
};

// Never destroyed: a look left running on a thread of its own may still ask
// for a path while the process ends.
NameRules& Rules() {
  static NameRules* const rules = new NameRules;
  return *rules;
}

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameCaseBlind(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

// The entry of the folder that the name matches case-blind; the name itself
// where it exists as spelled or matches none.
std::string EntryFor(const std::string& folder, const std::string& name) {
  struct stat info {};
  if (name.empty() || ::lstat((folder + name).c_str(), &info) == 0) return name;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return name;
  std::string found = name;
  while (const dirent* item = ::readdir(dir)) {
    if (SameCaseBlind(item->d_name, name)) {
      found = item->d_name;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

}  // namespace

void MakeCaseBlind(const std::wstring& folder) {
  std::string native = posix::NativePath(folder);
  if (native.empty() || native.back() != '/') native += '/';
  std::lock_guard guard(Rules().lock);
  Rules().caseBlindBelow = native;
  Rules().any = true;
}

void HideFromListings(const std::wstring& path) {
  std::lock_guard guard(Rules().lock);
  Rules().hidden.insert(posix::NativePath(path));
  Rules().any = true;
}

std::string ResolveCaseBlind(std::string native) {
  if (!Rules().any.load(std::memory_order_acquire)) return native;
  std::string below;
  {
    std::lock_guard guard(Rules().lock);
    below = Rules().caseBlindBelow;
  }
  if (below.empty() || native.compare(0, below.size(), below) != 0) return native;
  std::string resolved = below;
  size_t from = below.size();
  while (from <= native.size()) {
    size_t end = native.find('/', from);
    if (end == std::string::npos) end = native.size();
    resolved += EntryFor(resolved, native.substr(from, end - from));
    if (end == native.size()) break;
    resolved += '/';
    from = end + 1;
  }
  return resolved;
}

bool HiddenFromListings(const std::string& native) {
  if (!Rules().any.load(std::memory_order_acquire)) return false;
  std::lock_guard guard(Rules().lock);
  return Rules().hidden.count(native) != 0;
}

void ResetNameStandIns() {
  std::lock_guard guard(Rules().lock);
  Rules().caseBlindBelow.clear();
  Rules().hidden.clear();
  Rules().any = false;
}

}  // namespace platform::faults
