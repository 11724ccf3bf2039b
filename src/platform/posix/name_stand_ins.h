// Test-only stand-ins on POSIX for Windows' name rules: a folder whose names
// are case-blind, and second names that a folder's listing does not show.
#pragma once

#include <string>

namespace platform::faults {

// From now until the next Reset, a path below this folder (a program path)
// reaches a file whose name differs only in case, as on NTFS: each part of
// the path that does not exist as spelled is taken for the entry of its
// folder that it matches case-blind. Only what lies below the folder is
// case-blind; the folder's own path is taken as spelled.
void MakeCaseBlind(const std::wstring& folder);

// From now until the next Reset, folder listings leave out the entry at this
// path, as Windows' listings leave out a file's 8.3 short name: a test links
// the name to a listed file to stand for one.
void HideFromListings(const std::wstring& path);

// Used by the seam: the native path with its case-blind parts resolved, as
// it is given where nothing is made case-blind.
std::string ResolveCaseBlind(std::string native);

// Used by the seam: whether a listing leaves this native path out.
bool HiddenFromListings(const std::string& native);

// Used by Reset.
void ResetNameStandIns();

}  // namespace platform::faults
