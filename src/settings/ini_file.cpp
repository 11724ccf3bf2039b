// INI reading and writing over whole-file reads and one-step replacement.
#include "settings/ini_file.h"

#include <optional>
#include <vector>

#include "platform/file_system.h"
#include "settings/narrow_text.h"
#include "sync/content_replacement.h"

namespace {

// What the format sees of a line: its first kIniLineLimit characters.
std::wstring_view Visible(const std::wstring& line) {
  return std::wstring_view(line).substr(0, kIniLineLimit);
}

// The section name when the line is a header ("[" name "]", name not empty).
std::optional<std::wstring_view> HeaderName(std::wstring_view line) {
  if (line.size() < 3 || line.front() != L'[' || line.back() != L']') return std::nullopt;
  return line.substr(1, line.size() - 2);
}

std::wstring_view KeyOf(std::wstring_view line) { return line.substr(0, line.find(L'=')); }

std::wstring_view ValueOf(std::wstring_view line) {
  const size_t sign = line.find(L'=');
  return sign == std::wstring_view::npos ? std::wstring_view() : line.substr(sign + 1);
}

// The file's lines as a text-mode read gives them. A final line end is
// followed by one more, empty, line; an empty file is one empty line. The
// writer keeps that last line (it only decides where a header may go without
// a blank line before it); the reader drops it.
bool ReadLines(const std::wstring& file, std::vector<std::wstring>& lines) {
  std::string bytes;
  if (!platform::ReadWholeFile(file, bytes, platform::ReadSharing::ReadersAndWriters)) return false;
  const std::wstring text = WidenBytes(TextModeBytes(bytes));
  lines.clear();
  size_t start = 0;
  for (;;) {
    const size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) break;
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  lines.push_back(text.substr(start));
  return true;
}

// Whether a section, key and value can be written so that reading gives them back.
bool Storable(const std::wstring& section, const std::wstring& key, const std::wstring& header,
              const std::wstring& line) {
  std::string ignored;
  if (!NarrowChars(header, ignored) || !NarrowChars(line, ignored)) return false;
  if (section.empty() || header.find(L'\n') != std::wstring::npos || line.find(L'\n') != std::wstring::npos)
    return false;
  // An empty key is also what a blank line reads as, and the layout adds and drops blank lines.
  if (key.empty() || key.find(L'=') != std::wstring::npos) return false;
  if (header.size() > kIniLineLimit || line.size() > kIniLineLimit) return false;
  return !HeaderName(line);
}

}  // namespace

bool ReadIniValue(const std::wstring& section, const std::wstring& file, const std::wstring& key,
                  std::wstring& value) {
  std::vector<std::wstring> lines;
  if (!ReadLines(file, lines)) return false;
  if (lines.back().empty()) lines.pop_back();
  std::wstring_view current;
  for (const std::wstring& whole : lines) {
    const std::wstring_view line = Visible(whole);
    if (const auto name = HeaderName(line)) {
      current = *name;
      continue;
    }
    if (current == section && KeyOf(line) == key) {
      value.assign(ValueOf(line));
      return true;
    }
  }
  return false;
}

bool WriteIniValue(const std::wstring& section, const std::wstring& file, const std::wstring& key,
                   const std::wstring& value) {
  const std::wstring header = L"[" + section + L"]";
  const std::wstring newLine = key + L"=" + value;
  if (!Storable(section, key, header, newLine)) return false;

  std::vector<std::wstring> lines;
  if (!ReadLines(file, lines)) return false;

  constexpr size_t none = static_cast<size_t>(-1);
  size_t sectionAt = none, keyAt = none;
  std::wstring current;
  for (size_t at = 0; at < lines.size(); ++at) {
    const std::wstring_view line = Visible(lines[at]);
    if (const auto name = HeaderName(line)) {
      // A header is never taken for a key line: the reader does not find it
      // as one, and replacing it would move the lines below into another section.
      current.assign(*name);
      if (current == section) sectionAt = at;
    } else if (current == section && KeyOf(line) == key) {
      keyAt = at;
    }
  }

  if (keyAt != none) {
    lines[keyAt] = newLine;
  } else if (sectionAt != none) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(sectionAt + 1), newLine);
  } else {
    lines.push_back(header);
    lines.push_back(newLine);
  }

  std::wstring text;
  for (size_t at = 0; at < lines.size(); ++at) {
    if (lines[at].empty()) continue;
    if (lines[at].front() == L'[' && at != 0) text += L"\r\n";
    text += lines[at];
    text += L"\r\n";
  }
  std::string bytes;
  if (!NarrowChars(text, bytes)) return false;
  std::uint32_t failure = 0;
  return ReplaceFileContent(file, bytes, failure);
}
