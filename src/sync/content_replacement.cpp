// Replacing a file's content through a temporary file beside it.
#include "sync/content_replacement.h"

#include "platform/file_system.h"

namespace {

// Whether nothing is left under the name: it was deleted, or there was nothing.
bool Cleared(const std::wstring& path) {
  if (platform::DeleteOneFile(path)) return true;
  const std::uint32_t failure = platform::LastFailure();
  return failure == platform::kErrorFileNotFound || failure == platform::kErrorPathNotFound;
}

}  // namespace

bool ReplaceFileContent(const std::wstring& file, const std::string& bytes, std::uint32_t& failure) {
  const std::wstring temporary = file + L".shelfmateNew";
  if (!Cleared(temporary)) {
    failure = platform::LastFailure();
    return false;
  }
  if (platform::WriteFreshFile(temporary, bytes) && platform::MoveReplacing(temporary, file)) return true;
  failure = platform::LastFailure();
  if (platform::PathExists(temporary)) platform::DeleteOneFile(temporary);
  return false;
}
