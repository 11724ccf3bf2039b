// The texts of a run's event and status file, and the event's writing.
#include "sync/run_report.h"

#include "sync/failure_reason.h"

namespace {

// Windows takes an insertion string of at most 31,839 characters; a few
// long paths stay far below that, but a text is never let grow past it.
constexpr size_t kLongestEventText = 31000;

// The failures named, a line each, and how many more there were.
std::wstring FailuresText(const RunSummary& summary, const wchar_t* separator) {
  std::wstring text;
  for (const FailureLine& failure : summary.firstFailures) text += failure.what + separator + failure.reason + L"\r\n";
  const int more = summary.failures - static_cast<int>(summary.firstFailures.size());
  if (more > 0) text += L"and " + std::to_wstring(more) + L" more failure(s)\r\n";
  return text;
}

}  // namespace

platform::EventType EventTypeFor(int exitCode) {
  switch (exitCode) {
    case kExitLibraryCurrent: return platform::EventType::Information;
    case kExitCancelled:
    case kExitBusy: return platform::EventType::Warning;
    default: return platform::EventType::Error;
  }
}

std::uint32_t EventIdFor(int exitCode) { return 1000 + static_cast<std::uint32_t>(exitCode); }

std::wstring EventText(const RunSummary& summary) {
  // The failures come early, so that a viewer that cuts long texts short
  // still shows them; the record's path, the longest line, comes last.
  std::wstring text = ResultText(summary.exitCode) + L"\r\n";
  text += L"Remote library: " + summary.remoteRoot + L"\r\n";
  text += L"Local library: " + summary.localRoot + L"\r\n";
  text += CountsText(summary.counts) + L"\r\n";
  text += FailuresText(summary, L" - ");
  text += L"Record: " + (summary.recordPath.empty() ? std::wstring(L"none could be written") : summary.recordPath);
  if (text.size() > kLongestEventText) {
    // Never half of a surrogate pair.
    size_t cut = kLongestEventText;
    if (text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) --cut;
    text.resize(cut);
  }
  return text;
}

std::wstring StatusFileName(const RunSummary& summary) { return summary.computer + L".txt"; }

std::string StatusFileBytes(const RunSummary& summary) {
  std::wstring text = L"Computer: " + summary.computer + L"\r\n";
  text += L"User: " + summary.user + L"\r\n";
  text += L"Program version: " + summary.programVersion + L"\r\n";
  text += L"Remote library: " + summary.remoteRoot + L"\r\n";
  text += L"Local library: " + summary.localRoot + L"\r\n";
  text += L"Started: " + RecordTimeText(summary.started) + L"\r\n";
  text += L"Ended: " + RecordTimeText(summary.ended) + L"\r\n";
  text += ResultText(summary.exitCode) + L"\r\n";
  text += CountsText(summary.counts) + L"\r\n";
  text += FailuresText(summary, L"\t");
  return "\xEF\xBB\xBF" + Utf8Of(text);
}

void WriteRunEvent(const RunSummary& summary, RunRecord& record, const std::wstring& programPath) {
  std::uint32_t failure = 0;
  if (!programPath.empty() &&
      platform::RegisterApplicationEventSource(programPath, failure) == platform::EventSourceRegistration::NotMade)
    record.Line(L"The event source \"Shelfmate\" could not be registered; Event Viewer shows the run's text after "
                L"its note that the description cannot be found",
                FailureReason{failure, {}}.Text());
  failure = 0;
  if (!platform::WriteApplicationEvent(EventTypeFor(summary.exitCode), EventIdFor(summary.exitCode),
                                       EventText(summary), failure))
    record.Line(L"The run's event could not be written to the Application log", FailureReason{failure, {}}.Text());
}
