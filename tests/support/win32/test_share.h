// The network share the Windows tests sync from. tools/wine-run links the
// UNC name "\\fileserver\library" in its prefix to the folder
// "C:\fileserver\library": a TempFolder made at kShareFolder is a library
// at the very root of the share, as offices keep it. It also links the
// drive "S:" to the same folder, as an office maps the share to a letter.
#pragma once

#include <string>

inline const std::wstring kShareFolder = L"C:\\fileserver\\library";
inline const std::wstring kShareName = L"\\\\fileserver\\library";
inline const std::wstring kShareDrive = L"S:";
