// Temporary test folders and file helpers, on std::filesystem.
#include "support/temp_folder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr bool backslashPaths = fs::path::preferred_separator == L'\\';

}  // namespace

fs::path NativeOf(const std::wstring& programPath) {
  if constexpr (backslashPaths) {
    return fs::path(programPath);
  } else {
    std::wstring text = programPath;
    if (text.size() >= 2 && text[1] == L':') text = text.substr(2);
    for (wchar_t& c : text)
      if (c == L'\\') c = L'/';
    return fs::path(text);
  }
}

std::wstring ProgramPathOf(const fs::path& native) {
  if constexpr (backslashPaths) {
    return native.wstring();
  } else {
    std::wstring text = L"C:" + native.wstring();
    for (wchar_t& c : text)
      if (c == L'/') c = L'\\';
    return text;
  }
}

TempFolder::TempFolder() {
  static std::atomic<unsigned> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  std::ostringstream name;
  name << "shelfmate-test-" << stamp << "-" << counter++;
  native = fs::temp_directory_path() / name.str();
  fs::create_directories(native);
  path = ProgramPathOf(native);
}

TempFolder::TempFolder(const std::wstring& exactPath) : native(NativeOf(exactPath)), path(exactPath) {
  std::error_code ignored;
  fs::remove_all(native, ignored);
  fs::create_directories(native);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  // Read-only files left by a test must not keep the folder from going.
  for (auto it = fs::recursive_directory_iterator(native, ignored); it != fs::recursive_directory_iterator();
       it.increment(ignored))
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(native, ignored);
}

void WriteTestFile(const std::wstring& programPath, const std::string& bytes) {
  const fs::path target = NativeOf(programPath);
  fs::create_directories(target.parent_path());
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadTestFile(const std::wstring& programPath) {
  std::ifstream in(NativeOf(programPath), std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

void SetAge(const std::wstring& programPath, int offsetSeconds) {
  fs::last_write_time(NativeOf(programPath), fs::file_time_type::clock::now() + std::chrono::seconds(offsetSeconds));
}
