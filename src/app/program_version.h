// The program's version, as its version resource and its records give it.
#pragma once

inline constexpr wchar_t kProgramVersion[] = L"1.2.2.0";
