// Writing this machine's status file, and doing so off the window thread.
#include "sync/status_file.h"

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/file_system.h"
#include "platform/host.h"
#include "sync/content_replacement.h"
#include "sync/failure_reason.h"
#include "sync/run_report.h"

namespace {

std::wstring StatusFilePath(const std::wstring& folder, const RunSummary& summary) {
  const bool separated = !folder.empty() && folder.back() == L'\\';
  return folder + (separated ? L"" : L"\\") + StatusFileName(summary);
}

// A line after the record's footer; a record that cannot be written has none.
void AppendRecordLine(const std::wstring& recordPath, const std::wstring& line) {
  if (!recordPath.empty()) platform::AppendToFile(recordPath, Utf8Of(line + L"\r\n"));
}

}  // namespace

bool WriteStatusFile(const std::wstring& folder, const RunSummary& summary, std::uint32_t& failure) {
  // Each machine writes only its own file, so machines never write one at once.
  return ReplaceFileContent(StatusFilePath(folder, summary), StatusFileBytes(summary), failure);
}

struct StatusPublisher::Write {
  std::mutex lock;
  std::condition_variable ended;
  bool done = false;
  bool givenUp = false;
  std::chrono::steady_clock::time_point deadline;
  std::wstring statusPath;
  std::wstring recordPath;
  std::thread thread;
};

StatusPublisher::StatusPublisher(std::chrono::milliseconds limit) : limit(limit) {}

StatusPublisher::~StatusPublisher() { Wait(); }

void StatusPublisher::Publish(const std::wstring& folder, const RunSummary& summary) {
  Finish(false);
  if (folder.empty()) return;
  auto write = std::make_shared<Write>();
  write->deadline = std::chrono::steady_clock::now() + limit;
  write->statusPath = StatusFilePath(folder, summary);
  write->recordPath = summary.recordPath;
  try {
    write->thread = platform::StartThread([write, folder, summary] {
      std::uint32_t failure = 0;
      const bool written = WriteStatusFile(folder, summary, failure);
      const std::lock_guard guard(write->lock);
      write->done = true;
      // A write given up has its line already.
      if (!written && !write->givenUp)
        AppendRecordLine(write->recordPath, L"The status file " + write->statusPath + L" could not be written\t" +
                                                FailureReason{failure, {}}.Text());
      write->ended.notify_all();
    });
  } catch (const std::system_error&) {
    AppendRecordLine(write->recordPath,
                     L"The status file " + write->statusPath + L" was not written: no thread could be started for it");
    return;
  }
  current = std::move(write);
}

void StatusPublisher::Wait() { Finish(true); }

void StatusPublisher::Finish(bool waitForIt) {
  if (!current) return;
  const std::shared_ptr<Write> write = std::move(current);
  std::unique_lock guard(write->lock);
  const auto until = waitForIt ? write->deadline : std::chrono::steady_clock::now();
  if (write->ended.wait_until(guard, until, [&] { return write->done; })) {
    guard.unlock();
    write->thread.join();
    return;
  }
  // The thread holds its own share of the write and ends by itself, whenever
  // the server answers; the process may end before that.
  write->givenUp = true;
  AppendRecordLine(write->recordPath, L"The status file " + write->statusPath +
                                          L" was given up before the folder answered");
  guard.unlock();
  write->thread.detach();
}
