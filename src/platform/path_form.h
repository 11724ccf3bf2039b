// Text rules of the long path form that both seams share.
#pragma once

#include <string>

namespace platform {

inline bool IsLongForm(const std::wstring& path) { return path.rfind(L"\\\\?\\", 0) == 0; }

inline bool IsUncPath(const std::wstring& path) { return path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\'; }

// The path with each run of backslashes made one, except the two that open a UNC path.
inline std::wstring WithSingleBackslashes(const std::wstring& path) {
  const size_t kept = IsUncPath(path) ? 2 : 0;
  std::wstring single = path.substr(0, kept);
  single.reserve(path.size());
  for (size_t i = kept; i < path.size(); ++i)
    if (path[i] != L'\\' || single.empty() || single.back() != L'\\') single += path[i];
  return single;
}

// An absolute path (drive or UNC) in the long form.
inline std::wstring LongFormOfAbsolute(const std::wstring& absolute) {
  if (IsUncPath(absolute)) return L"\\\\?\\UNC\\" + absolute.substr(2);
  return L"\\\\?\\" + absolute;
}

}  // namespace platform
