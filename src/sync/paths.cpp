// Path and string helpers over backslash paths.
#include "sync/paths.h"

#include "platform/file_system.h"
#include "platform/path_form.h"

std::wstring ParentFolder(const std::wstring& path) {
  const size_t last = path.rfind(L'\\');
  if (last == std::wstring::npos) return std::wstring();
  return path.substr(0, last + 1);
}

std::wstring FileName(const std::wstring& path) {
  const size_t last = path.rfind(L'\\');
  if (last == std::wstring::npos || last + 1 == path.size()) return path;
  return path.substr(last + 1);
}

std::wstring TrimChar(const std::wstring& text, wchar_t c) {
  const size_t first = text.find_first_not_of(c);
  if (first == std::wstring::npos) return std::wstring();
  const size_t last = text.find_last_not_of(c);
  return text.substr(first, last - first + 1);
}

namespace {

wchar_t FoldAscii(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

}  // namespace

// Asked of every local file listed, so it compares in place.
bool EndsWithCaseBlind(const std::wstring& text, const std::wstring& end) {
  if (text.size() <= end.size()) return false;
  const size_t start = text.size() - end.size();
  for (size_t i = 0; i < end.size(); ++i)
    if (FoldAscii(text[start + i]) != FoldAscii(end[i])) return false;
  return true;
}

void SplitAt(const std::wstring& text, wchar_t separator, StringList& pieces) {
  size_t start = 0;
  for (size_t found = text.find(separator); found != std::wstring::npos; found = text.find(separator, start)) {
    pieces.push_back(text.substr(start, found - start));
    start = found + 1;
  }
  pieces.push_back(text.substr(start));
}

void SplitAt(const std::wstring& text, char separator, StringList& pieces) {
  SplitAt(text, static_cast<wchar_t>(static_cast<unsigned char>(separator)), pieces);
}

std::wstring PlatformPath(const std::wstring& path) { return platform::WithSingleBackslashes(path); }

std::wstring ReachablePath(const std::wstring& path, size_t limit) {
  std::wstring single = PlatformPath(path);
  return single.size() < limit ? single : platform::LongForm(single);
}

bool PathExists(const std::wstring& path) { return platform::PathExists(path); }

namespace {

// "\\server\share\" of a UNC path, with its final backslash where the path has
// one: a share is reached, never made. Empty for any other path.
std::wstring UncRoot(const std::wstring& path) {
  if (path.rfind(L"\\\\", 0) != 0) return std::wstring();
  const size_t serverEnd = path.find(L'\\', 2);
  if (serverEnd == std::wstring::npos) return path;
  const size_t shareEnd = path.find(L'\\', serverEnd + 1);
  return shareEnd == std::wstring::npos ? path : path.substr(0, shareEnd + 1);
}

}  // namespace

bool MakeFolderTree(const std::wstring& folder) {
  const std::wstring uncRoot = UncRoot(folder);
  StringList components;
  SplitAt(folder.substr(uncRoot.size()), L'\\', components);
  std::wstring accumulated = uncRoot;
  for (size_t number = 0; number < components.size(); ++number) {
    const std::wstring& component = components[number];
    if (component.empty()) continue;
    if (!accumulated.empty() && accumulated.back() != L'\\') accumulated += L'\\';
    accumulated += component;
    // The drive: "C:" becomes "C:\".
    if (uncRoot.empty() && number == 0) accumulated += L'\\';
    if (!PathExists(ReachablePath(accumulated)) &&
        !platform::CreateFolder(ReachablePath(accumulated, platform::kFolderPathLimit)))
      return false;
  }
  return true;
}
