// The record of one sync: a UTF-8 text file (with a byte-order mark and CR LF
// line ends, as Notepad on Windows XP reads it) holding a header, every line
// the window's log shows, the reason of each failure, and a footer.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/host.h"
#include "sync/run_outcome.h"

// What the header says of the run.
struct RecordHeader {
  std::wstring programVersion;
  std::wstring remoteRoot;
  std::wstring localRoot;
  bool silent = false;
};

// A failure as a run's summary names it.
struct FailureLine {
  std::wstring what;
  std::wstring reason;
};

// How a run ended, for those who were not there: the Application event log
// and the office's status folder.
struct RunSummary {
  static constexpr size_t kFailuresNamed = 5;

  std::wstring programVersion;
  std::wstring computer;
  std::wstring user;
  std::wstring remoteRoot;
  std::wstring localRoot;
  std::wstring recordPath;  // empty when the record could not be made
  platform::LocalTime started;
  platform::LocalTime ended;
  int exitCode = 0;
  RunCounts counts;
  std::vector<FailureLine> firstFailures;  // the first kFailuresNamed, in the order they came
  int failures = 0;                        // all of them
};

// Lines come from the window thread and the sync's worker alike; each is
// written whole, in the order the calls are made. A record that cannot be
// written never stops or slows the sync: it is given up. Lines are kept in
// memory and written in blocks.
class RunRecord {
 public:
  RunRecord() = default;
  ~RunRecord();
  RunRecord(const RunRecord&) = delete;
  RunRecord& operator=(const RunRecord&) = delete;

  // Starts the record of a run starting now: makes its file, then prunes
  // the old records. Any record not yet ended is ended first.
  void Begin(const RecordHeader& header);

  // Whether the run copies every file; the header tells it.
  void SetForced(bool forced);

  // One line, or a failure line followed by a tab and its reason.
  void Line(const std::wstring& text);
  void Line(const std::wstring& text, const std::wstring& reason);

  // A failure line: written as Line writes it, and kept for the summary.
  void Failure(const std::wstring& text, const std::wstring& reason);
  // A failure the record has shown already, kept for the summary only.
  void NoteFailure(const std::wstring& text, const std::wstring& reason);

  // The run as it ends now, with this exit code and these counts.
  RunSummary Summary(int exitCode, const RunCounts& counts) const;

  // Writes the footer (the exit code with its meaning, the counts, the end
  // time and the duration) and the rest of the lines.
  void End(int exitCode, const RunCounts& counts);

  // Drops the record, file and all: nothing was run.
  void Discard();

  bool Active() const;

  // The record's file; empty when it could not be made.
  std::wstring Path() const;

 private:
  void Add(const std::wstring& text);
  void Flush();
  std::string HeaderBytes() const;

  mutable std::mutex lock;
  bool active = false;
  bool headerWritten = false;
  bool forced = false;
  RecordHeader header;
  platform::LocalTime startedLocal;
  std::int64_t startedAt = 0;
  std::wstring path;  // empty: not written
  int failedWrites = 0;  // in a row
  std::string pending;  // UTF-8, not yet written
  std::vector<FailureLine> firstFailures;
  int failures = 0;
};

// A local time as the record writes it: "2026-12-14 09:00:03".
std::wstring RecordTimeText(const platform::LocalTime& time);

// UTF-16 text as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8Of(const std::wstring& text);
