// How a sync ended, what it did, and the exit code a silent start gives for it.
#pragma once

#include <string>

enum class RunEnd {
  Completed,  // every file was decided
  Cancelled,  // the user stopped it; the replaced files were put back
  Busy,       // another sync held the library; nothing was touched
  BrokeOff,   // the run stopped on an unexpected error
};

struct RunCounts {
  int copied = 0;
  int skipped = 0;      // up to date, or held back, and left alone
  int failed = 0;       // to be copied and not in place
  int restored = 0;     // put back by a cancel
  int notRestored = 0;  // could not be put back
};

struct RunOutcome {
  RunEnd end = RunEnd::Completed;
  RunCounts counts;
  bool listingIncomplete = false;  // a remote search broke off and never completed
};

// The exit codes of a process started with "/silent".
enum ExitCode : int {
  kExitLibraryCurrent = 0,
  kExitFailures = 1,
  kExitCancelled = 2,
  kExitBusy = 3,
  kExitNotReached = 4,
};

int ExitCodeFor(const RunOutcome& outcome);

// What a code means, as the record's footer and Switches.txt say it.
const wchar_t* ExitCodeMeaning(int code);

// "Result: 1 - <meaning>", as the record's footer, the event and the status file say it.
std::wstring ResultText(int code);

// "Copied: 3, skipped: 10, failed: 1, restored: 0, not restored: 0".
std::wstring CountsText(const RunCounts& counts);

// Whether any file failed or any part of the remote library went unlisted.
bool HasFailures(const RunOutcome& outcome);

// The end balloon's text after a run that completed.
std::wstring CompletedBalloonText(const RunOutcome& outcome);
