// Reading version files and comparing the two library copies' versions.
#include "sync/version_files.h"

#include <sstream>
#include <stdexcept>

#include "platform/file_system.h"
#include "sync/file_listing.h"

namespace {

constexpr wchar_t byteOrderMark = 0xFEFF;

// Compares two version numbers position by position over the remote one's
// positions; a position the local number lacks ends the comparison as "not behind".
bool RemoteIsHigher(const std::array<std::int32_t, 4>& local, int localCount,
                    const std::array<std::int32_t, 4>& remote, int remoteCount) {
  for (int position = 0; position < remoteCount; ++position) {
    if (position >= localCount) return false;
    if (remote[position] > local[position]) return true;
    if (remote[position] < local[position]) return false;
  }
  return false;
}

void NoteTrouble(VersionCheckTrouble* trouble, const std::wstring& what) {
  if (trouble == nullptr || trouble->any) return;
  trouble->any = true;
  trouble->what = what;
  trouble->reason = FailureReason::OfLastCall();
}

// A version file that exists but cannot be read would pass for one without
// a number, which is never behind.
void CheckReadable(const std::wstring& path, VersionCheckTrouble* trouble) {
  std::string bytes;
  if (trouble != nullptr && !platform::ReadWholeFile(path, bytes, platform::ReadSharing::ReadersOnly))
    NoteTrouble(trouble, L"The version file " + path + L" could not be read");
}

bool IsOutdated(const std::wstring& localFile, const std::wstring& remoteFile, VersionCheckTrouble* trouble) {
  if (!PathExists(localFile)) return true;
  std::array<std::int32_t, 4> local{}, remote{};
  const int localCount = ReadVersionNumbers(localFile, local);
  if (localCount == 0) CheckReadable(localFile, trouble);
  const int remoteCount = ReadVersionNumbers(PlatformPath(remoteFile), remote);
  if (remoteCount == 0) CheckReadable(PlatformPath(remoteFile), trouble);
  return RemoteIsHigher(local, localCount, remote, remoteCount);
}

}  // namespace

std::wstring ReadTextFile(const std::wstring& path) {
  std::string bytes;
  if (!platform::ReadWholeFile(path, bytes, platform::ReadSharing::ReadersOnly)) return std::wstring();
  std::wstring text;
  text.reserve(bytes.size() / 2);
  for (size_t at = 0; at + 1 < bytes.size(); at += 2) {
    const auto unit = static_cast<wchar_t>(static_cast<unsigned char>(bytes[at]) |
                                           (static_cast<unsigned char>(bytes[at + 1]) << 8));
    if (unit == L'\0') break;
    text.push_back(unit);
  }
  return text;
}

int ReadVersionNumbers(const std::wstring& path, std::array<std::int32_t, 4>& numbers) {
  std::wstring text = ReadTextFile(path);
  // Notepad's "Unicode" files start with a byte-order mark; it counts as white space.
  if (!text.empty() && text.front() == byteOrderMark) text.erase(0, 1);
  StringList pieces;
  SplitAt(text, L'.', pieces);
  int count = 0;
  for (const std::wstring& piece : pieces) {
    if (count == static_cast<int>(numbers.size())) break;
    std::wistringstream reader(piece);
    std::int32_t value = 0;
    if (!(reader >> value)) break;
    numbers[count++] = value;
  }
  return count;
}

bool CheckVersionFiles(const std::wstring& localRoot, const std::wstring& remoteRoot, StringList* outdated,
                       VersionCheckTrouble* trouble) {
  StringList remoteFiles;
  ListingDetails details;
  try {
    ListFilesWithDetails(remoteRoot, L"*.version", remoteFiles, details, false);
  } catch (const std::out_of_range&) {
    return false;  // a blank root names no folder, so there is nothing to compare
  }
  if (details.incomplete && trouble != nullptr && !trouble->any) {
    trouble->any = true;
    trouble->what = L"The version files of " + remoteRoot + L" could not be listed";
    trouble->reason = FailureReason{details.brokenSearches.front().failure, {}};
  }
  if (!details.incomplete && remoteFiles.empty() && trouble != nullptr) trouble->noRemoteVersionFiles = true;
  bool anyOutdated = false;
  for (const std::wstring& remoteFile : remoteFiles) {
    const std::wstring name = FileName(remoteFile);
    if (!IsOutdated(PlatformPath(localRoot + L"\\" + name), remoteFile, trouble)) continue;
    if (outdated != nullptr) outdated->push_back(name);
    anyOutdated = true;
  }
  return anyOutdated;
}
