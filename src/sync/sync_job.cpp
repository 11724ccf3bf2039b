// The sync job: the roots and requests the window gives a run, and the run itself.
#include "sync/sync_job.h"

#include "sync/sync_run.h"

void SyncJob::SetRoots(const std::wstring& remote, const std::wstring& local) {
  remoteRoot = remote;
  localRoot = local;
}

void SyncJob::Run(std::wstring remote, std::wstring local, bool force) {
  SyncRun(*this, std::move(remote), std::move(local), force).Execute();
}
