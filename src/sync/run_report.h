// What a run's end tells those who were not there: one event in the
// Application log, and the text of this machine's file in the office's
// status folder.
#pragma once

#include <cstdint>
#include <string>

#include "platform/event_log.h"
#include "sync/run_record.h"

// Information for a library made current, a warning for a run cancelled or
// held off by another sync, an error for files that failed or a library that
// was never reached.
platform::EventType EventTypeFor(int exitCode);

// 1000 plus the exit code, so a filter can pick every error of the program.
std::uint32_t EventIdFor(int exitCode);

// The event's text: the result, both libraries, the counts, the first
// failures with their reasons and the record's full path.
std::wstring EventText(const RunSummary& summary);

// The status file's bytes: UTF-8 with a byte-order mark and CR LF line ends.
std::string StatusFileBytes(const RunSummary& summary);

// The status file's name for this machine.
std::wstring StatusFileName(const RunSummary& summary);

// Writes the run's event, registering the event source first where it is
// missing and this start may write it (an elevated one). Neither failure
// costs the run anything: the record gets a line for each.
void WriteRunEvent(const RunSummary& summary, RunRecord& record, const std::wstring& programPath);
