// One sync of the local library copy from the remote one, with set-aside and restore.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/progress_callback.h"
#include "sync/paths.h"
#include "sync/run_outcome.h"

class RunRecord;

// Copies a run makes side by side: 8 unless the settings say otherwise, at
// most 32. One copies one file at a time on the run's own thread.
inline constexpr unsigned kDefaultCopyThreads = 8;
inline constexpr unsigned kMostCopyThreads = 32;

// The roots, the requests the window makes while a run goes on, and where
// the run reports. One job is reused for every run; the window writes the
// flags from its thread while Run works on the worker thread.
class SyncJob {
 public:
  std::wstring remoteRoot;
  std::wstring localRoot;
  std::atomic<bool> paused{false};           // Run waits before its next file while set
  std::atomic<bool> cancelRequested{false};  // Run stops before its next file; cleared when acted on
  std::atomic<bool> restoreOnCancel{true};   // a cancelled run puts the set-aside files back
  bool forceCopyAll = false;                 // copy every remote file whatever the times
  StringList outdatedVersionFiles;           // names in the remote root copied whatever their times
  Korvane::AProgressCallBack* progress = nullptr;  // not owned; may be absent
  RunRecord* record = nullptr;                     // where each line also goes, with reasons; not owned
  // The waits before the passes that try the failed files again, in seconds
  // (up to three are used); empty: no file is tried twice.
  std::vector<unsigned> retryWaitSeconds;
  unsigned copyThreads = kDefaultCopyThreads;  // copies made side by side, 1 to kMostCopyThreads
  // How the run waits (while paused, before a retry pass); tests pass the time at once.
  std::function<void(std::chrono::milliseconds)> sleep = [](std::chrono::milliseconds time) {
    std::this_thread::sleep_for(time);
  };
  RunOutcome outcome;  // how the last run ended; written before its Finished report

  void SetRoots(const std::wstring& remote, const std::wstring& local);

  // Copies every remote file that is missing or older locally (every one
  // when force is set), setting each replaced local file aside under its
  // path + ".shelfmateBackup" first. A cancelled run puts them back, a
  // completed one deletes them. A new copy is written under its path +
  // ".shelfmatePartial" and moved into place only when complete, so no
  // library file is ever left half written. Files that exist only locally
  // are never touched. Files that failed are tried again after the waits of
  // retryWaitSeconds. The version files in the remote root come last, and
  // only when nothing failed in the end. The copies of the files ahead are
  // made by up to copyThreads threads at once, while the files are finished
  // and reported strictly in their order. Only one run at a time works on a
  // local library, in any process: a run that finds another at work touches
  // nothing and ends as cancelled.
  void Run(std::wstring remote, std::wstring local, bool force);
};
