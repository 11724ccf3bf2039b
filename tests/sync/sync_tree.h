// Library trees for sync tests: files with chosen times, and snapshots of a whole tree.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include "support/temp_folder.h"

namespace sync_test {

// A whole second in the past, so that times set from it compare exactly on
// every file system.
inline std::filesystem::file_time_type BaseTime() {
  static const auto base = std::chrono::floor<std::chrono::seconds>(std::filesystem::file_time_type::clock::now()) -
                           std::chrono::hours(1);
  return base;
}

// Writes a file and gives it the base time moved by offsetSeconds.
inline void WriteFileAt(const std::wstring& path, const std::string& bytes, int offsetSeconds) {
  WriteTestFile(path, bytes);
  std::filesystem::last_write_time(NativeOf(path), BaseTime() + std::chrono::seconds(offsetSeconds));
}

inline std::filesystem::file_time_type WriteTimeOf(const std::wstring& path) {
  return std::filesystem::last_write_time(NativeOf(path));
}

// Every file below root, by its path below root with backslashes, with its content.
inline std::map<std::wstring, std::string> Snapshot(const TempFolder& root) {
  std::map<std::wstring, std::string> files;
  const std::filesystem::path base = NativeOf(root.Path());
  for (const auto& entry : std::filesystem::recursive_directory_iterator(base)) {
    if (!entry.is_regular_file()) continue;
    std::wstring relative = entry.path().lexically_relative(base).wstring();
    for (wchar_t& c : relative)
      if (c == L'/') c = L'\\';
    files[relative] = ReadTestFile(root / relative);
  }
  return files;
}

// True when some file below root carries one of the run's own suffixes.
inline bool HasLeftovers(const TempFolder& root) {
  for (const auto& [relative, content] : Snapshot(root)) {
    (void)content;
    for (const std::wstring suffix : {L".shelfmateBackup", L".shelfmatePartial"})
      if (relative.size() > suffix.size() && relative.compare(relative.size() - suffix.size(), suffix.size(), suffix) == 0)
        return true;
  }
  return false;
}

}  // namespace sync_test
