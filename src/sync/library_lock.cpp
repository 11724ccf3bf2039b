// The library lock's name from the local library's path.
#include "sync/library_lock.h"

#include <cstdint>

#include "platform/file_system.h"

namespace {

// 64-bit FNV-1a over the UTF-16 code units, low byte first.
std::uint64_t HashOf(const std::wstring& text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const wchar_t c : text) {
    const auto unit = static_cast<std::uint16_t>(c);
    for (const std::uint8_t byte : {static_cast<std::uint8_t>(unit & 0xff), static_cast<std::uint8_t>(unit >> 8)}) {
      hash ^= byte;
      hash *= 1099511628211ull;
    }
  }
  return hash;
}

}  // namespace

std::wstring LibraryLockName(const std::wstring& localRoot) {
  std::wstring path = platform::LongForm(localRoot);
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  const std::uint64_t hash = HashOf(platform::FileNameKey(path));
  static const wchar_t digits[] = L"0123456789abcdef";
  std::wstring name = L"Global\\Shelfmate.Library.";
  for (int shift = 60; shift >= 0; shift -= 4) name += digits[(hash >> shift) & 0xf];
  return name;
}
