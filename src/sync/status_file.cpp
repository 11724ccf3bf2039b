// Writing this machine's status file, and doing so off the window thread.
#include "sync/status_file.h"

#include <condition_variable>
#include <mutex>
#include <optional>
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

// One run's status to write.
struct StatusPublisher::Request {
  std::wstring folder;
  RunSummary summary;
};

// The one writer thread and what it still has to write. Only this thread
// touches the status file and its temporary, so an older run's status can
// never land over a newer one's.
struct StatusPublisher::Writer {
  std::mutex lock;
  std::condition_variable ended;
  std::optional<Request> writing;  // the request under way
  std::optional<Request> next;     // the newest one asked for meanwhile
  bool done = false;
  bool givenUp = false;
  std::chrono::steady_clock::time_point deadline;
  std::thread thread;

  void Run() {
    std::unique_lock guard(lock);
    while (writing) {
      const Request request = *writing;
      guard.unlock();
      std::uint32_t failure = 0;
      const bool written = WriteStatusFile(request.folder, request.summary, failure);
      guard.lock();
      // A write given up has its line already.
      if (!written && !givenUp)
        AppendRecordLine(request.summary.recordPath, L"The status file " +
                                                         StatusFilePath(request.folder, request.summary) +
                                                         L" could not be written\t" + FailureReason{failure, {}}.Text());
      writing = std::move(next);
      next.reset();
    }
    done = true;
    ended.notify_all();
  }
};

StatusPublisher::StatusPublisher(std::chrono::milliseconds limit) : limit(limit) {}

StatusPublisher::~StatusPublisher() { Wait(); }

void StatusPublisher::Publish(const std::wstring& folder, const RunSummary& summary) {
  if (folder.empty()) return;
  Request request{folder, summary};
  if (writer) {
    std::unique_lock guard(writer->lock);
    if (!writer->done) {
      // The write under way ends first; this one, replacing any other that
      // waits, follows on the same thread.
      writer->next = std::move(request);
      writer->deadline = std::chrono::steady_clock::now() + limit;
      return;
    }
    guard.unlock();
    writer->thread.join();
    writer.reset();
  }
  auto started = std::make_shared<Writer>();
  started->writing = std::move(request);
  started->deadline = std::chrono::steady_clock::now() + limit;
  try {
    started->thread = platform::StartThread([started] { started->Run(); });
  } catch (const std::system_error&) {
    AppendRecordLine(summary.recordPath, L"The status file " + StatusFilePath(folder, summary) +
                                             L" was not written: no thread could be started for it");
    return;
  }
  writer = std::move(started);
}

void StatusPublisher::Wait() { Wait(limit); }

void StatusPublisher::Wait(std::chrono::milliseconds longest) {
  if (!writer) return;
  const std::shared_ptr<Writer> waited = std::move(writer);
  std::unique_lock guard(waited->lock);
  const auto until = std::min(waited->deadline, std::chrono::steady_clock::now() + longest);
  if (waited->ended.wait_until(guard, until, [&] { return waited->done; })) {
    guard.unlock();
    waited->thread.join();
    return;
  }
  // The thread holds its own share of the writer and ends by itself,
  // whenever the server answers; the process may end before that.
  waited->givenUp = true;
  for (const std::optional<Request>* request : {&waited->writing, &waited->next})
    if (*request)
      AppendRecordLine((*request)->summary.recordPath,
                       L"The status file " + StatusFilePath((*request)->folder, (*request)->summary) +
                           L" was not written in time; the program did not wait for it any longer");
  waited->next.reset();
  guard.unlock();
  waited->thread.detach();
}
