// Test-only control over the POSIX seam: make a chosen file operation fail,
// and count the operations made, so that every failure path of the program's
// file handling can be exercised natively.
#pragma once

namespace platform::faults {

enum class Call {
  PathExists,
  CreateFolder,
  FolderSearch,
  LastWriteTime,
  MoveNoReplace,
  MoveReplacing,
  CopyReplacing,
  DeleteOneFile,
  ReadWholeFile,
  WriteNewFile,
  CreateEmptyFile,
  Count_
};

// The call of this kind after the next `successes` ones fails. A failing
// copy or write stops half way, leaving a partly written target, as an
// interrupted one would.
void FailAfter(Call call, unsigned successes = 0);

// Every call of this kind fails from now on, until cleared.
void FailAlways(Call call);

// Removes every planned failure and sets every count back to 0.
void Reset();

// How many calls of this kind were made since the last Reset.
unsigned long CallCount(Call call);

// Used by the seam itself: counts the call and tells whether it is to fail.
bool ShouldFail(Call call);

}  // namespace platform::faults
