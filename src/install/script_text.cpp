// Text rules of install scripts.
#include "install/script_text.h"

#include <cstddef>
#include <vector>

std::wstring ToUpperAscii(const std::wstring& text) {
  std::wstring result = text;
  for (wchar_t& c : result)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  return result;
}

std::wstring ToLowerAscii(const std::wstring& text) {
  std::wstring result = text;
  for (wchar_t& c : result)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return result;
}

std::wstring TrimAnyOf(const std::wstring& text, const std::wstring& set) {
  const size_t first = text.find_first_not_of(set);
  if (first == std::wstring::npos) return std::wstring();
  const size_t last = text.find_last_not_of(set);
  return text.substr(first, last - first + 1);
}

bool EndsWithAny(const std::wstring& path, const StringList& suffixes) {
  const std::wstring upper = ToUpperAscii(path);
  for (const std::wstring& suffix : suffixes) {
    if (suffix.size() > upper.size()) continue;
    if (upper.rfind(suffix) == upper.size() - suffix.size()) return true;
  }
  return false;
}

namespace {

struct Group {
  std::wstring text;
  size_t position;  // where it sat in the outside text
};

}  // namespace

bool TokenizeLine(const std::wstring& line, wchar_t separator, wchar_t opener, wchar_t closer,
                  StringList& tokens) {
  // Take the groups out of the line, remembering where each one sat in what
  // is left (the outside text).
  std::vector<Group> groups;
  size_t open = line.find(opener);
  std::wstring outside = line.substr(0, open);
  while (open != std::wstring::npos) {
    const size_t close = line.find(closer, open + 1);
    if (close == std::wstring::npos) return false;
    groups.push_back({line.substr(open, close - open + 1), outside.size()});
    open = line.find(opener, close + 1);
    outside += line.substr(close + 1, open == std::wstring::npos ? std::wstring::npos : open - close - 1);
  }

  if (outside.find(separator) == std::wstring::npos) {
    tokens.push_back(line);
    return false;
  }

  size_t appended = 0;
  size_t nextGroup = 0;
  size_t start = 0;
  for (size_t k = outside.find(separator); k != std::wstring::npos; k = outside.find(separator, start)) {
    std::wstring piece = outside.substr(start, k - start);
    size_t inserted = 0;
    // Groups not yet used sit at or after `start`, since earlier pieces took
    // every group up to their own separator.
    while (nextGroup < groups.size() && groups[nextGroup].position <= k) {
      const Group& group = groups[nextGroup++];
      piece.insert(group.position - start + inserted, group.text);
      inserted += group.text.size();
    }
    if (!piece.empty()) {
      tokens.push_back(piece);
      ++appended;
    }
    start = k + 1;
  }
  if (start < outside.size()) {
    tokens.push_back(outside.substr(start));
    ++appended;
  }
  for (; nextGroup < groups.size(); ++nextGroup) {
    tokens.push_back(groups[nextGroup].text);
    ++appended;
  }
  return appended != 1;
}
