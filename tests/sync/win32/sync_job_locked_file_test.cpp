// The sync run against a local file that another handle holds open without sharing.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/win32/unique_resource.h"
#include "support/recording_progress.h"
#include "sync/sync_job.h"
#include "sync/sync_tree.h"

namespace {

using sync_test::Snapshot;
using sync_test::WriteFileAt;
using Tree = std::map<std::wstring, std::string>;

TEST(SyncRunWin32, LocalFileHeldOpenIsLeftIntact) {
  TempFolder remote, local;
  WriteFileAt(remote / L"a.ies", "remote a", 0);
  WriteFileAt(remote / L"b.ies", "remote b", 0);
  WriteFileAt(local / L"a.ies", "local a", -10);
  win32::UniqueFileHandle holder(::CreateFileW((local / L"a.ies").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(holder.Valid());

  RecordingProgress progress;
  SyncJob job;
  job.progress = &progress;
  job.Run(remote.Path(), local.Path(), false);
  holder.Reset();

  const auto messages = progress.Messages();
  EXPECT_NE(std::find(messages.begin(), messages.end(), L"Not Copied: \\a.ies"), messages.end());
  EXPECT_EQ(Snapshot(local), (Tree{{L"a.ies", "local a"}, {L"b.ies", "remote b"}}));
}

}  // namespace
