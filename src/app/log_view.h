// Adding text at the end of the window's read-only log view.
#pragma once

#include <windows.h>

#include <string>

// Appends text at the end of the log view, not undoable, and repaints it.
void AppendToLog(HWND logView, const std::wstring& text);

// Appends text at the end of the log view, not undoable, leaving the
// repainting to the caller.
void InsertAtLogEnd(HWND logView, const std::wstring& text);
