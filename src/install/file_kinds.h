// The kinds of library file an install script can put in place, told apart
// by how the path ends (no dot is required before the suffix).
#pragma once

#include <string>

bool IsLampFile(const std::wstring& path);
bool IsMaterialFile(const std::wstring& path);
bool IsLampGeometryFile(const std::wstring& path);
bool IsComponentFile(const std::wstring& path);
bool IsAppearanceFile(const std::wstring& path);
bool IsSolidWorksPartFile(const std::wstring& path);
