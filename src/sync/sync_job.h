// One sync of the local library copy from the remote one, with set-aside and restore.
#pragma once

#include <atomic>
#include <string>

#include "app/progress_callback.h"
#include "sync/paths.h"

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

  void SetRoots(const std::wstring& remote, const std::wstring& local);

  // Copies every remote file that is missing or older locally (every one
  // when force is set), setting each replaced local file aside under its
  // path + ".shelfmateBackup" first. A cancelled run puts them back, a
  // completed one deletes them. A new copy is written under its path +
  // ".shelfmatePartial" and moved into place only when complete, so no
  // library file is ever left half written. Files that exist only locally
  // are never touched. The version files in the remote root come last, and
  // only when nothing failed before them. Only one run at a time works on a
  // local library, in any process: a run that finds another at work touches
  // nothing and ends as cancelled.
  void Run(std::wstring remote, std::wstring local, bool force);
};
