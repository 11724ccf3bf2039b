// Backslash paths to POSIX paths, and UTF-8 to wide text.
#include "platform/posix/native_path.h"

#include "platform/path_form.h"

namespace platform::posix {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}  // namespace

std::string NativePath(const std::wstring& given) {
  // The long form names the same file: "\\?\C:\x" is "C:\x", "\\?\UNC\s\x" is "\\s\x".
  std::wstring path = given;
  if (IsLongForm(path)) {
    path.erase(0, 4);
    if (path.rfind(L"UNC\\", 0) == 0) path.replace(0, 3, L"\\");
  }
  std::string out;
  out.reserve(path.size() + 4);
  size_t start = 0;
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == L':') {
    start = 2;
    // "C:" alone and "C:\" both name the root.
    if (path.size() == 2) return "/";
  }
  for (size_t i = start; i < path.size(); ++i) {
    const wchar_t c = path[i];
    if (c == L'\\') {
      out += '/';
    } else if (c == L'\0') {
      break;
    } else {
      AppendUtf8(out, static_cast<char32_t>(c));
    }
  }
  return out;
}

std::string NativePathNarrow(const std::string& path) {
  std::wstring wide;
  wide.reserve(path.size());
  for (unsigned char c : path) wide += static_cast<wchar_t>(c);
  return NativePath(wide);
}

std::wstring WideFromUtf8(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    int extra = 0;
    char32_t code = c;
    if (c >= 0xF0) { extra = 3; code = c & 0x07; }
    else if (c >= 0xE0) { extra = 2; code = c & 0x0F; }
    else if (c >= 0xC0) { extra = 1; code = c & 0x1F; }
    if (extra > 0 && i + extra >= text.size()) {
      out += static_cast<wchar_t>(c);  // cut sequence: keep the byte as it is
      ++i;
      continue;
    }
    for (int k = 1; k <= extra; ++k) code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    out += static_cast<wchar_t>(code);
    i += 1 + extra;
  }
  return out;
}

}  // namespace platform::posix
