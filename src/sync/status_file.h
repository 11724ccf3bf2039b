// Each machine's file in the office's status folder, which shows an
// administrator every machine's last run in one place.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "sync/run_record.h"

// Replaces "<computer name>.txt" in folder with the summary's text, in one
// step. False, with the system's reason, when it could not be written.
bool WriteStatusFile(const std::wstring& folder, const RunSummary& summary, std::uint32_t& failure);

// The status write of each run, made off the calling thread: a call to a
// server that does not answer blocks for 20 to 45 seconds on Windows, and the
// window must go on answering meanwhile. One thread writes at a time, the
// runs' statuses in their order. A write not done within its limit is no
// longer waited for. A failure or a give-up costs the run nothing but one
// line at the end of its record, after the footer, as the record is
// finished first.
class StatusPublisher {
 public:
  explicit StatusPublisher(std::chrono::milliseconds limit = std::chrono::seconds(30));
  ~StatusPublisher();
  StatusPublisher(const StatusPublisher&) = delete;
  StatusPublisher& operator=(const StatusPublisher&) = delete;

  // Starts writing the summary's status file into folder; an empty folder
  // writes none. While an earlier run's write is under way, this one follows
  // it, in place of any other still waiting, within a limit of its own.
  void Publish(const std::wstring& folder, const RunSummary& summary);

  // Waits for the writes until their limit, or for at most longest, and
  // gives them up then.
  void Wait();
  void Wait(std::chrono::milliseconds longest);

 private:
  struct Request;
  struct Writer;

  std::chrono::milliseconds limit;
  std::shared_ptr<Writer> writer;
};
