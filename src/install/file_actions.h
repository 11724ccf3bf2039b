// The two file operations of the install modes that carry their own rule
// about an existing file.
#pragma once

#include <string>

// Deletes the file if the path exists; true only when a deletion was made.
bool DeleteIfExists(const std::wstring& path);

// Writes the content into a newly created file. False, leaving it untouched,
// when something already exists at the path; false when the write failed.
bool WriteNewFile(const std::wstring& path, const std::string& content);
