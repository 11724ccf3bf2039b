// Pause, resume and cancel as the two buttons' captions decide them, and the hand-over.
#include "app/sync_control.h"

#include <gtest/gtest.h>

#include "support/recording_progress.h"

namespace {

using Calls = std::vector<std::wstring>;

TEST(SyncButtons, TheSyncButtonCaptionDecidesPauseOrResume) {
  struct Case {
    std::wstring caption;
    SyncButtonAction action;
    std::wstring next;
  };
  const Case cases[] = {
      {L"Pause", SyncButtonAction::Pause, L"Resume"},
      {L"Resume", SyncButtonAction::Resume, L"Pause"},
      {L"Sync", SyncButtonAction::None, L""},
      {L"pause", SyncButtonAction::None, L""},
      {L"", SyncButtonAction::None, L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SyncButtonActionFor(c.caption), c.action) << c.caption;
    EXPECT_EQ(CaptionAfter(c.action), c.next) << c.caption;
  }
}

TEST(SyncButtons, PauseLogsOnceAndResumeSilently) {
  SyncJob job;
  RecordingProgress progress;
  job.progress = &progress;
  ApplySyncButtonAction(SyncButtonAction::Pause, job);
  EXPECT_TRUE(job.paused);
  ApplySyncButtonAction(SyncButtonAction::Resume, job);
  EXPECT_FALSE(job.paused);
  ApplySyncButtonAction(SyncButtonAction::None, job);
  EXPECT_EQ(progress.Lines(), (Calls{L"AddMessage  - Sync Paused - "}));

  SyncJob silent;  // no sink attached: the flag still changes
  ApplySyncButtonAction(SyncButtonAction::Pause, silent);
  EXPECT_TRUE(silent.paused);
}

TEST(SyncButtons, TheCloseButtonCaptionDecidesCloseOrCancel) {
  EXPECT_EQ(CloseButtonActionFor(L""), CloseButtonAction::None);
  EXPECT_EQ(CloseButtonActionFor(L"Close"), CloseButtonAction::CloseWindow);
  EXPECT_EQ(CloseButtonActionFor(L"Cancel"), CloseButtonAction::Cancel);
}

TEST(SyncButtons, CancelWhilePausedWakesTheRunAndEmptiesTheBar) {
  SyncJob job;
  RecordingProgress progress;
  job.progress = &progress;
  job.restoreOnCancel = false;
  RequestCancel(job);
  EXPECT_TRUE(job.cancelRequested);
  EXPECT_TRUE(job.restoreOnCancel);
  EXPECT_TRUE(progress.Lines().empty());

  job.paused = true;
  RequestCancel(job);
  EXPECT_FALSE(job.paused);
  EXPECT_EQ(progress.Lines(), (Calls{L"SetProgress 0 100 0"}));
}

TEST(SyncButtons, HandOverDropsRequestsLeftFromTheLastRun) {
  SyncJob job;
  RecordingProgress progress;
  job.paused = true;  // a Pause or Cancel that came after the last run's final check
  job.cancelRequested = true;
  PrepareJob(job, L"\\\\server\\lib", L"C:\\lib", true, &progress);
  EXPECT_EQ(job.remoteRoot, L"\\\\server\\lib");
  EXPECT_EQ(job.localRoot, L"C:\\lib");
  EXPECT_TRUE(job.forceCopyAll);
  EXPECT_EQ(job.progress, &progress);
  EXPECT_FALSE(job.paused);
  EXPECT_FALSE(job.cancelRequested);
  EXPECT_TRUE(job.restoreOnCancel);
}

}  // namespace
