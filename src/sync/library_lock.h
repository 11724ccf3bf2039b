// The name of the lock that keeps two runs off one local library.
#pragma once

#include <string>

// One name per local library, whoever runs and however its folder is
// written: the path made absolute, its backslashes single, without a final
// one, case-blind, and hashed, as kernel object names take no backslash and
// have a length limit. In the machine-wide namespace, since the settings
// that name the library are shared by every user.
std::wstring LibraryLockName(const std::wstring& localRoot);
