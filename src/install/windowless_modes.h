// The three command-line modes that run without a window; each returns the
// process exit code.
#pragma once

#include <string>

#include "install/library_install.h"

// "/libraryinstall": the install scripts beside the program's own file.
// Always 0; when the program's path cannot be had, nothing is done.
int RunLibraryInstallMode(const ErrorMessage& showError);

// The same with the error shown in a modal message box (Windows build only).
int RunLibraryInstallMode();

// "/lumenarkversion=": writes the installed release into the file named by
// `argument` (double quotes around it removed), after deleting an old file.
// 0 when the file was written, 1 otherwise.
int RunVersionQueryMode(const std::wstring& argument);

// "/script=": runs the script named by `argument`, taken unchanged. Always 0.
int RunScriptMode(const std::wstring& argument);
