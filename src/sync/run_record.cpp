// Writing a sync's record.
#include "sync/run_record.h"

#include <cstdio>

#include "platform/file_system.h"
#include "sync/record_files.h"

namespace {

constexpr size_t kWriteBlock = 64 * 1024;
const std::string byteOrderMark = "\xEF\xBB\xBF";

void AppendUtf8(std::string& bytes, char32_t code) {
  if (code < 0x80) {
    bytes += static_cast<char>(code);
  } else if (code < 0x800) {
    bytes += static_cast<char>(0xC0 | (code >> 6));
    bytes += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    bytes += static_cast<char>(0xE0 | (code >> 12));
    bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    bytes += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    bytes += static_cast<char>(0xF0 | (code >> 18));
    bytes += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    bytes += static_cast<char>(0x80 | (code & 0x3F));
  }
}

std::wstring DurationText(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  wchar_t text[32] = {};
  std::swprintf(text, 32, L"%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  return text;
}

}  // namespace

std::string Utf8Of(const std::wstring& text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (size_t at = 0; at < text.size(); ++at) {
    char32_t code = static_cast<char32_t>(text[at]);
    if (sizeof(wchar_t) == 2 && code >= 0xD800 && code <= 0xDFFF) {
      const bool paired = code <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF;
      if (paired) {
        code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<char32_t>(text[++at]) - 0xDC00);
      } else {
        code = 0xFFFD;
      }
    } else if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      code = 0xFFFD;
    }
    AppendUtf8(bytes, code);
  }
  return bytes;
}

std::wstring RecordTimeText(const platform::LocalTime& time) {
  wchar_t text[32] = {};
  std::swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", time.year, time.month, time.day, time.hour, time.minute,
                time.second);
  return text;
}

RunRecord::~RunRecord() {
  const std::lock_guard guard(lock);
  if (active) Flush();
}

void RunRecord::Begin(const RecordHeader& newHeader) {
  const std::lock_guard guard(lock);
  if (active) Flush();
  header = newHeader;
  active = true;
  headerWritten = false;
  failedWrites = 0;
  forced = false;
  pending.clear();
  firstFailures.clear();
  failures = 0;
  startedAt = platform::CurrentTime();
  startedLocal = platform::CurrentLocalTime();
  path.clear();
  if (!CreateRecordFile(startedLocal, path)) path.clear();
}

void RunRecord::SetForced(bool force) {
  const std::lock_guard guard(lock);
  forced = force;
}

void RunRecord::Line(const std::wstring& text) { Add(text); }

void RunRecord::Line(const std::wstring& text, const std::wstring& reason) { Add(text + L"\t" + reason); }

void RunRecord::Failure(const std::wstring& text, const std::wstring& reason) {
  Line(text, reason);
  NoteFailure(text, reason);
}

void RunRecord::NoteFailure(const std::wstring& text, const std::wstring& reason) {
  const std::lock_guard guard(lock);
  if (!active) return;
  ++failures;
  if (firstFailures.size() < RunSummary::kFailuresNamed) firstFailures.push_back(FailureLine{text, reason});
}

RunSummary RunRecord::Summary(int exitCode, const RunCounts& counts) const {
  RunSummary summary;
  summary.computer = platform::ComputerName();
  summary.user = platform::UserName();
  summary.ended = platform::CurrentLocalTime();
  summary.exitCode = exitCode;
  summary.counts = counts;
  const std::lock_guard guard(lock);
  summary.programVersion = header.programVersion;
  summary.remoteRoot = header.remoteRoot;
  summary.localRoot = header.localRoot;
  summary.recordPath = path;
  summary.started = startedLocal;
  summary.firstFailures = firstFailures;
  summary.failures = failures;
  return summary;
}

void RunRecord::Add(const std::wstring& text) {
  const std::lock_guard guard(lock);
  if (!active || path.empty()) return;
  pending += Utf8Of(text);
  pending += "\r\n";
  if (pending.size() >= kWriteBlock) Flush();
}

std::string RunRecord::HeaderBytes() const {
  std::wstring text = L"Shelfmate " + header.programVersion + L" sync record\r\n";
  text += L"Started: " + RecordTimeText(startedLocal) + L"\r\n";
  text += L"Computer: " + platform::ComputerName() + L"\r\n";
  text += L"User: " + platform::UserName() + L"\r\n";
  text += L"Remote library: " + header.remoteRoot + L"\r\n";
  text += L"Local library: " + header.localRoot + L"\r\n";
  text += std::wstring(L"Mode: ") + (header.silent ? L"silent" : L"window") + L"\r\n";
  text += std::wstring(L"Forced: ") + (forced ? L"yes" : L"no") + L"\r\n\r\n";
  return Utf8Of(text);
}

// Called with the lock held. A write that fails (a scanner holding the file
// a moment) keeps its lines for the next one; the record is given up after
// a few failures in a row, or when the lines held grow large.
void RunRecord::Flush() {
  constexpr int kWritesTried = 3;
  constexpr size_t kMostHeld = 16 * kWriteBlock;
  if (path.empty()) return;
  const std::string bytes = headerWritten ? pending : byteOrderMark + HeaderBytes() + pending;
  if (platform::AppendToFile(path, bytes)) {
    pending.clear();
    headerWritten = true;
    failedWrites = 0;
    return;
  }
  if (++failedWrites >= kWritesTried || pending.size() >= kMostHeld) {
    pending.clear();
    path.clear();
  }
}

void RunRecord::End(int exitCode, const RunCounts& counts) {
  const std::int64_t endedAt = platform::CurrentTime();
  const platform::LocalTime endedLocal = platform::CurrentLocalTime();
  std::wstring footer = L"\r\n" + ResultText(exitCode) + L"\r\n" + CountsText(counts) + L"\r\n";
  footer += L"Ended: " + RecordTimeText(endedLocal) + L"\r\n";
  footer += L"Duration: " + DurationText(endedAt - startedAt) + L"\r\n";
  const std::lock_guard guard(lock);
  if (!active) return;
  if (!path.empty()) {
    pending += Utf8Of(footer);
    Flush();
  }
  active = false;
}

void RunRecord::Discard() {
  const std::lock_guard guard(lock);
  if (!active) return;
  active = false;
  pending.clear();
  if (!path.empty()) platform::DeleteOneFile(path);
  path.clear();
}

bool RunRecord::Active() const {
  const std::lock_guard guard(lock);
  return active;
}

std::wstring RunRecord::Path() const {
  const std::lock_guard guard(lock);
  return path;
}
