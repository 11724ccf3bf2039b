// The network share the Windows tests sync from. tools/wine-run links the
// UNC name "\\fileserver\library" in its prefix to the folder
// "C:\fileserver\library": a TempFolder made at kShareFolder is a library
// at the very root of the share, as offices keep it.
#pragma once

#include <string>

inline const std::wstring kShareFolder = L"C:\\fileserver\\library";
inline const std::wstring kShareName = L"\\\\fileserver\\library";
