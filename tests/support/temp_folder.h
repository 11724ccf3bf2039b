// Test folders and files: a fresh temporary folder per test, named as the
// program names paths (backslashes, with a drive), and small file helpers.
#pragma once

#include <filesystem>
#include <string>

// The file-system path that a program path names on this machine.
std::filesystem::path NativeOf(const std::wstring& programPath);

// The program path of a file-system path.
std::wstring ProgramPathOf(const std::filesystem::path& native);

class TempFolder {
 public:
  TempFolder();
  // The folder at this program path, made empty, instead of a new one in
  // the temporary folder; removed afterwards like any other.
  explicit TempFolder(const std::wstring& exactPath);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder as a program path, without a final backslash.
  const std::wstring& Path() const { return path; }
  // Path() + "\" + relative.
  std::wstring operator/(const std::wstring& relative) const { return path + L"\\" + relative; }

 private:
  std::filesystem::path native;
  std::wstring path;
};

// Writes a file (creating its folders); the bytes are written as they are.
void WriteTestFile(const std::wstring& programPath, const std::string& bytes);
// The whole content of a file, or "<missing>" when it cannot be read.
std::string ReadTestFile(const std::wstring& programPath);
// Sets a file's last-write time to now + offsetSeconds.
void SetAge(const std::wstring& programPath, int offsetSeconds);
