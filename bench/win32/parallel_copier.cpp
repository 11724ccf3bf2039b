// A plain parallel tree copier for bench/wine-sync-bench --slow-share: what a
// copy of a library costs when several files are under way at once.
//
// Usage: parallel_copier source-folder target-folder threads
// Copies every file below source-folder, at any depth, into the same place
// below target-folder (made where missing) with CopyFileW, on `threads`
// threads (1 to 64). The folders are listed on the same threads as the files
// are copied, so a listing does not hold up the copies of folders already
// listed. Prints "<count> file(s) copied" like xcopy, and each failure on
// standard error; exits 0 only when every file was copied and every folder
// listed.
#include <windows.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Job {
  bool folder = false;
  std::wstring source, target;
};

class Copier {
 public:
  explicit Copier(unsigned threads) : threads_(threads) {}

  // Copies the tree; false when anything failed.
  bool Run(const std::wstring& source, const std::wstring& target) {
    if (!::CreateDirectoryW(target.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
      Failed(L"could not create", target, ::GetLastError());
      return false;
    }
    jobs_.push_back({true, source, target});
    std::vector<std::thread> workers;
    for (unsigned i = 0; i < threads_; ++i) workers.emplace_back([this] { Work(); });
    for (std::thread& worker : workers) worker.join();
    return failures_ == 0;
  }

  long Copied() const { return copied_; }

 private:
  void Work() {
    for (;;) {
      Job job;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !jobs_.empty() || busy_ == 0; });
        if (jobs_.empty()) return;  // nothing queued and nobody left to queue more
        job = std::move(jobs_.front());
        jobs_.pop_front();
        ++busy_;
      }
      if (job.folder)
        List(job);
      else
        Copy(job);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        --busy_;
      }
      changed_.notify_all();
    }
  }

  // Queues the folder's files and subfolders, making each subfolder in the target.
  void List(const Job& job) {
    WIN32_FIND_DATAW entry;
    HANDLE search = ::FindFirstFileExW((job.source + L"\\*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                       nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
      Failed(L"could not list", job.source, ::GetLastError());
      return;
    }
    std::vector<Job> found;
    do {
      if (std::wcscmp(entry.cFileName, L".") == 0 || std::wcscmp(entry.cFileName, L"..") == 0) continue;
      Job next{(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, job.source + L"\\" + entry.cFileName,
               job.target + L"\\" + entry.cFileName};
      if (next.folder && !::CreateDirectoryW(next.target.c_str(), nullptr) &&
          ::GetLastError() != ERROR_ALREADY_EXISTS) {
        Failed(L"could not create", next.target, ::GetLastError());
        continue;
      }
      found.push_back(std::move(next));
    } while (::FindNextFileW(search, &entry));
    const DWORD end = ::GetLastError();
    ::FindClose(search);
    if (end != ERROR_NO_MORE_FILES) Failed(L"the listing broke off in", job.source, end);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (Job& next : found) jobs_.push_back(std::move(next));
    }
    changed_.notify_all();
  }

  void Copy(const Job& job) {
    if (::CopyFileW(job.source.c_str(), job.target.c_str(), FALSE)) {
      std::lock_guard<std::mutex> lock(mutex_);
      ++copied_;
    } else {
      Failed(L"could not copy", job.source, ::GetLastError());
    }
  }

  void Failed(const wchar_t* what, const std::wstring& path, DWORD error) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++failures_;
    std::fwprintf(stderr, L"parallel_copier: %ls %ls (error %lu)\n", what, path.c_str(), error);
  }

  const unsigned threads_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Job> jobs_;
  unsigned busy_ = 0;  // jobs taken and not yet done; each may queue more
  long copied_ = 0;
  long failures_ = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  wchar_t* end = nullptr;
  const long threads = argc == 4 ? std::wcstol(argv[3], &end, 10) : 0;
  if (argc != 4 || *end != L'\0' || threads < 1 || threads > 64) {
    std::fwprintf(stderr, L"usage: parallel_copier source-folder target-folder threads (1 to 64)\n");
    return 2;
  }
  Copier copier(static_cast<unsigned>(threads));
  const bool ok = copier.Run(argv[1], argv[2]);
  std::wprintf(L"%ld file(s) copied\n", copier.Copied());
  std::fflush(stdout);
  return ok ? 0 : 1;
}
