// Suffix lists of the library file kinds.
#include "install/file_kinds.h"

#include "install/script_text.h"

bool IsLampFile(const std::wstring& path) {
  static const StringList suffixes = {L"DXF", L"IES", L"LAMP", L"LDF", L"LDT", L"LUM", L"LAMPS.XLS", L"RAD", L"SPD"};
  return EndsWithAny(path, suffixes);
}

bool IsMaterialFile(const std::wstring& path) {
  static const StringList suffixes = {L"BRD",      L"BTD",           L"RFC",       L"RFL",    L"RSC",
                                      L"TRN",      L"TSC",           L"LIB",       L"MATERIAL",
                                      L"MATERIALS.XLS", L"SPDMATRIX", L"SPDRFC",   L"SPDRFL", L"SPDTRN"};
  return EndsWithAny(path, suffixes);
}

bool IsLampGeometryFile(const std::wstring& path) { return EndsWithAny(path, {L"GEOXML"}); }

bool IsComponentFile(const std::wstring& path) { return EndsWithAny(path, {L"CMP"}); }

bool IsAppearanceFile(const std::wstring& path) { return EndsWithAny(path, {L"P2M"}); }

bool IsSolidWorksPartFile(const std::wstring& path) { return EndsWithAny(path, {L"SLDPRT"}); }
