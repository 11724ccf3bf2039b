// The install mode: the script for the installed Lumenark release, then the
// SolidWorks script when a SolidWorks library exists.
#pragma once

#include <functional>
#include <string>

// Shows the mode's one error message (text, caption) and returns once the
// user has dismissed it. On Windows a modal message box; tests pass their own.
using ErrorMessage = std::function<void(const std::wstring& text, const std::wstring& caption)>;

inline constexpr const wchar_t* kNothingInstalledText = L"Neither Lumenark nor a Library was not found!";
inline constexpr const wchar_t* kNothingInstalledCaption = L"Error";

// Runs the scripts found in `programFolder`. True when every script that ran
// returned true. With neither a Lumenark release nor a library named in the
// shared INI file, shows the error message and returns false.
bool RunLibraryInstall(const std::wstring& programFolder, const ErrorMessage& showError);
