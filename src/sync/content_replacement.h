// A file's whole content replaced in one step, so that a reader never sees
// half of it.
#pragma once

#include <cstdint>
#include <string>

// Writes the bytes to file + ".shelfmateNew" and moves that over the file.
// The temporary is always one this call made: a file found under its name
// (left by a write cut short, or put there by another user with an owner and
// access of their own) is deleted, never written into, as it becomes the
// file; one that cannot be deleted fails the write. On failure nothing of the
// temporary is left where it can be removed, and failure holds the system's
// reason for the step that failed.
bool ReplaceFileContent(const std::wstring& file, const std::string& bytes, std::uint32_t& failure);
