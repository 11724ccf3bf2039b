// 8-bit text conversions: text-mode line ends and byte-per-character widening.
#include "settings/narrow_text.h"

std::string TextModeBytes(const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (size_t at = 0; at < bytes.size(); ++at) {
    if (bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n') continue;
    text += bytes[at];
  }
  return text;
}

std::wstring WidenBytes(const std::string& bytes) {
  std::wstring text;
  text.reserve(bytes.size());
  for (const char byte : bytes) text += static_cast<wchar_t>(static_cast<unsigned char>(byte));
  return text;
}

bool NarrowChars(const std::wstring& text, std::string& bytes) {
  std::string narrow;
  narrow.reserve(text.size());
  for (const wchar_t c : text) {
    if (static_cast<unsigned long>(c) > 0xFF) return false;
    narrow += static_cast<char>(static_cast<unsigned char>(c));
  }
  bytes = std::move(narrow);
  return true;
}
