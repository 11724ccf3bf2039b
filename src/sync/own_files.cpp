// The library lock file's path, and deleting and making the program's own files.
#include "sync/own_files.h"

#include "platform/file_system.h"
#include "sync/paths.h"

std::wstring LibraryLockFile(const std::wstring& localRoot) {
  return ReachablePath(localRoot + L"\\" + kLibraryLockFileName);
}

bool IsOwnFileName(const std::wstring& name) {
  static const std::wstring backup = kBackupSuffix, partial = kPartialCopySuffix;
  return EndsWithCaseBlind(name, backup) || EndsWithCaseBlind(name, partial);
}

bool DeleteOwnFile(const std::wstring& path) {
  if (platform::DeleteOneFile(path)) return true;
  if (platform::LastFailure() == platform::kErrorAccessDenied && platform::ClearReadOnly(path))
    return platform::DeleteOneFile(path);
  return false;
}

namespace {

// A count with a comma between each group of three digits.
std::wstring GroupedDigits(std::uint64_t value) {
  std::wstring digits = std::to_wstring(value);
  for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, 1, L',');
  return digits;
}

}  // namespace

std::wstring ShortCopyText(std::uint64_t copied, std::uint64_t expected) {
  return L"the copy has " + GroupedDigits(copied) + L" of " + GroupedDigits(expected) + L" bytes";
}

bool CopyToPartial(const std::wstring& source, std::uint64_t expectedSize, const std::wstring& partial,
                   bool stalePartial, FailureReason* reason, platform::CopyStop* stop,
                   platform::FileFacts* made) {
  if (stalePartial) DeleteOwnFile(partial);
  FailureReason failure;
  std::uint64_t copiedSize = 0;
  if (!platform::CopyReplacing(source, partial, stop)) {
    failure = FailureReason::OfLastCall();
  } else if (made ? !platform::ReadFileFacts(partial, *made) : !platform::FileSize(partial, copiedSize)) {
    failure = FailureReason::OfLastCall();
  } else if ((made ? made->size : copiedSize) == expectedSize) {
    return true;
  } else {
    failure = FailureReason::Saying(ShortCopyText(made ? made->size : copiedSize, expectedSize));
  }
  if (PathExists(partial)) DeleteOwnFile(partial);
  if (reason) *reason = std::move(failure);
  return false;
}
