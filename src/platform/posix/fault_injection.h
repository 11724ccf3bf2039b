// Test-only control over the POSIX seam: make a chosen file operation fail,
// and count the operations made, so that every failure path of the program's
// file handling can be exercised natively.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

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
  ReadFileFacts,
  LockFile,
  AppendToFile,
  WriteFreshFile,
  StartThread,
  WriteEvent,
  RegisterEventSource,
  Count_
};

// The `failures` calls of this kind after the next `successes` ones fail,
// each with the Windows error code given (access denied unless told). A
// failing copy or write stops half way, leaving a partly written target, as
// an interrupted one would.
void FailAfter(Call call, unsigned successes = 0, unsigned failures = 1, std::uint32_t errorCode = 5);

// Every call of this kind fails from now on, until cleared, with that code.
void FailAlways(Call call, std::uint32_t errorCode = 5);

// Every call of this kind waits this long before it goes on (to fail as
// planned, or to do its work), as a call to a server that does not answer
// blocks. Reset ends the waits under way at once.
void DelayCalls(Call call, std::chrono::milliseconds delay);

// Removes every planned failure and sets every count back to 0.
void Reset();

// How many calls of this kind were made since the last Reset; a copy counts
// as it starts.
unsigned long CallCount(Call call);

// Counts, from now until the next Reset, the round trips that the calls on
// paths below root (a program path) would cost if it lay on a network share:
// one per call, and for a folder search one more per 100 entries delivered,
// as a share returns a folder's entries in batches. Set it while no seam call
// runs.
void CountTreeCalls(const std::wstring& root);

// The round trips counted below the root given to CountTreeCalls.
unsigned long TreeCallCount();

// The folders the seam was asked to create since the last Reset, in order,
// whether or not the creation succeeded.
std::vector<std::wstring> FolderCreations();

// The copy after the next `successes` ones writes only half the content and
// still reports success, as a copy whose reads failed unnoticed does.
void ShortCopyAfter(unsigned successes = 0);

// What the copies of one file do, planned by the end of the source's path,
// so that a plan holds however the copies of a run are spread over threads.
enum class CopyPlan {
  Fail,     // stops half way with the error code, as ShouldFail's failures do
  Shorten,  // writes half the content and reports success
  Delay,    // starts only after the delay, or fails when stopped before
};

// The next `times` copies whose source path ends in sourceEnd do as planned
// (all of them when times is 0). A later plan for the same end replaces it.
void PlanCopy(const std::wstring& sourceEnd, CopyPlan plan, unsigned times = 0,
              std::chrono::milliseconds delay = std::chrono::milliseconds(0), std::uint32_t errorCode = 5);

// From now until the next Reset, notes the source of every copy as it ends,
// whether or not it succeeded.
void RecordCopyEnds();

// The sources of the copies ended since RecordCopyEnds, in the order they ended.
std::vector<std::wstring> CopyEnds();

// Used by the seam itself: the plan for this copy, counted against it.
struct PlannedCopy {
  bool fail = false;
  bool shorten = false;
  std::chrono::milliseconds delay{0};
  std::uint32_t code = 5;
};
PlannedCopy CopyPlanFor(const std::wstring& source);

// Used by the seam itself: notes a copy's end.
void NoteCopyEnd(const std::wstring& source);

// From now until the next Reset, notes every file the seam is asked to
// delete, whether or not the deletion succeeds. (Off by default: a long run
// deletes a backup per file, which the benchmark's memory figure must not
// carry.)
void RecordDeletions();

// The deletions noted since RecordDeletions, in order.
std::vector<std::wstring> Deletions();

// From now until the next Reset, ReadFileFacts reports index 0 for every file,
// as a file system or share without file IDs does.
void HideFileIndexes();

// Used by the seam itself: whether ReadFileFacts is to report index 0.
bool FileIndexesHidden();

// Used by the seam itself: counts the call and tells whether it is to fail;
// a planned failure keeps its error code as the thread's last failure.
bool ShouldFail(Call call);

// Used by the seam itself: the calling thread's last failure, kept and read.
void KeepFailure(std::uint32_t code);
std::uint32_t KeptFailure();

// Used by the seam itself: notes calls round trips on path.
void NoteTreeCalls(const std::wstring& path, unsigned long calls = 1);

// Used by the seam itself: notes a folder creation asked for.
void NoteFolderCreation(const std::wstring& path);

// Used by the seam itself: notes a deletion asked for.
void NoteDeletion(const std::wstring& path);

// Used by the seam itself: whether this copy is to come back short.
bool CopyComesBackShort();

}  // namespace platform::faults
