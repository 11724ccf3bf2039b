// Exit codes and end texts from a run's outcome.
#include "sync/run_outcome.h"

bool HasFailures(const RunOutcome& outcome) { return outcome.counts.failed > 0 || outcome.listingIncomplete; }

int ExitCodeFor(const RunOutcome& outcome) {
  switch (outcome.end) {
    case RunEnd::Completed:
      return HasFailures(outcome) ? kExitFailures : kExitLibraryCurrent;
    case RunEnd::Cancelled:
      return outcome.counts.notRestored > 0 ? kExitFailures : kExitCancelled;
    case RunEnd::Busy:
      return kExitBusy;
    case RunEnd::BrokeOff:
      break;
  }
  return kExitFailures;
}

const wchar_t* ExitCodeMeaning(int code) {
  switch (code) {
    case kExitLibraryCurrent:
      return L"the library is current";
    case kExitFailures:
      return L"files could not be copied or restored; the library stays marked behind";
    case kExitCancelled:
      return L"the sync was cancelled and every file it had replaced was restored";
    case kExitBusy:
      return L"another sync of this library was under way; nothing was touched";
    case kExitNotReached:
      return L"the folders are not set, the remote library could not be reached, or a library's version files "
             L"could not be read";
    default:
      return L"unknown";
  }
}

std::wstring ResultText(int code) { return L"Result: " + std::to_wstring(code) + L" - " + ExitCodeMeaning(code); }

std::wstring CountsText(const RunCounts& counts) {
  return L"Copied: " + std::to_wstring(counts.copied) + L", skipped: " + std::to_wstring(counts.skipped) +
         L", failed: " + std::to_wstring(counts.failed) + L", restored: " + std::to_wstring(counts.restored) +
         L", not restored: " + std::to_wstring(counts.notRestored);
}

std::wstring CompletedBalloonText(const RunOutcome& outcome) {
  if (outcome.counts.failed > 0)
    return L"Sync Complete - " + std::to_wstring(outcome.counts.failed) + L" file(s) could not be copied";
  if (outcome.listingIncomplete) return L"Sync Complete - some remote folders could not be listed";
  return L"Sync Complete";
}
