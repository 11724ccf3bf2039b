// Pausing, resuming and cancelling a sync run from another thread, and files that misbehave.
#include "sync/sync_job.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <optional>
#include <thread>

#include "platform/run_lock.h"
#include "support/recording_progress.h"
#include "sync/own_files.h"
#include "sync/sync_tree.h"

#ifdef _WIN32
#include "support/win32/test_share.h"
#endif

namespace {

using sync_test::HasLeftovers;
using sync_test::Snapshot;
using sync_test::WriteFileAt;
using Lines = std::vector<std::wstring>;
using Tree = std::map<std::wstring, std::string>;

// Longer than one pause poll, so a paused run has looked at the flag again.
constexpr auto morethanOnePoll = std::chrono::milliseconds(650);

bool Logged(const RecordingProgress& progress, const std::wstring& text) {
  const Lines messages = progress.Messages();
  return std::find(messages.begin(), messages.end(), text) != messages.end();
}

class SyncControl : public ::testing::Test {
 protected:
  SyncControl() {
    job.progress = &progress;
    WriteFileAt(remote / L"a", "ra", 0);
    WriteFileAt(remote / L"b", "rb", 0);
    WriteFileAt(local / L"a", "old a", -10);
  }
  std::thread Start() {
    return std::thread([this] { job.Run(remote.Path(), local.Path(), false); });
  }

  TempFolder remote, local;
  RecordingProgress progress;
  SyncJob job;
};

TEST_F(SyncControl, PauseTakesEffectBeforeTheNextFileAndResumeGoesOn) {
  std::promise<void> pausedByWindow;
  auto pauseMade = pausedByWindow.get_future();
  progress.hook = [&](const std::wstring& line) {
    if (line == L"AddMessage Copied: \\a") pauseMade.wait();  // the click lands between two files
  };
  std::thread worker = Start();
  ASSERT_TRUE(progress.WaitFor(L"AddMessage Copied: \\a"));
  job.paused = true;
  pausedByWindow.set_value();
  std::this_thread::sleep_for(morethanOnePoll);
  EXPECT_FALSE(Logged(progress, L"Copied: \\b"));
  EXPECT_EQ(ReadTestFile(local / L"b"), "<missing>");
  job.paused = false;
  worker.join();
  EXPECT_EQ(Snapshot(local), (Tree{{L"a", "ra"}, {L"b", "rb"}}));
  EXPECT_EQ(progress.Lines().back(), L"Finished Sync Complete 0");
}

TEST_F(SyncControl, CancelWhilePausedWakesTheRunAndStopsIt) {
  job.paused = true;
  std::thread worker = Start();
  ASSERT_TRUE(progress.WaitFor(L"SetBusy 0"));
  // What the window's Cancel button does.
  job.cancelRequested = true;
  job.restoreOnCancel = true;
  job.paused = false;
  worker.join();
  EXPECT_EQ(progress.Messages(), (Lines{L" - Getting remote file listing - ", L" - Sync Cancelled - ",
                                        L" - Sync Complete - "}));
  EXPECT_EQ(progress.Lines().back(), L"Finished Sync Canceled 1");
  EXPECT_EQ(Snapshot(local), (Tree{{L"a", "old a"}}));
  EXPECT_FALSE(job.cancelRequested);
}

TEST_F(SyncControl, RemoteFileThatVanishesAfterTheListingIsLeftAlone) {
  progress.hook = [&](const std::wstring& line) {
    if (line == L"SetBusy 0") std::filesystem::remove(NativeOf(remote / L"a"));
  };
  job.Run(remote.Path(), local.Path(), true);
  EXPECT_TRUE(Logged(progress, L"Not Copied: \\a"));
  EXPECT_EQ(Snapshot(local), (Tree{{L"a", "old a"}, {L"b", "rb"}}));
}

// A file where a folder is to be, or a folder where a file is to be: only
// those files are not copied, and nothing local is moved out of the way.
TEST_F(SyncControl, FolderThatCannotBeCreatedOnlyCostsItsFiles) {
  WriteFileAt(remote / L"lamps\\x.ies", "rx", 0);
  WriteFileAt(local / L"lamps", "a file in the folder's place", 0);
  WriteFileAt(remote / L"other\\y.ies", "ry", 0);
  WriteFileAt(local / L"other\\y.ies\\inner", "in a folder of the file's name", 0);
  for (const bool force : {false, true}) {
    job.Run(remote.Path(), local.Path(), force);
    EXPECT_TRUE(Logged(progress, L"Not Copied: \\lamps\\x.ies"));
    EXPECT_TRUE(Logged(progress, L"Not Copied: \\other\\y.ies"));
    EXPECT_EQ(Snapshot(local), (Tree{{L"a", "ra"},
                                     {L"b", "rb"},
                                     {L"lamps", "a file in the folder's place"},
                                     {L"other\\y.ies\\inner", "in a folder of the file's name"}}));
  }
}

TEST_F(SyncControl, ReadOnlyLocalFileIsReplacedWithoutLosingItsContent) {
  std::filesystem::permissions(NativeOf(local / L"a"), std::filesystem::perms::owner_write |
                                                           std::filesystem::perms::group_write |
                                                           std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  job.Run(remote.Path(), local.Path(), false);
  EXPECT_TRUE(Logged(progress, L"Copied: \\a"));
  Tree after = Snapshot(local);
  EXPECT_EQ(after.at(L"a"), "ra");
  EXPECT_EQ(after.at(L"b"), "rb");
  // A read-only backup refuses deletion; it must still hold the old content.
  if (after.count(L"a.shelfmateBackup")) {
    EXPECT_EQ(after.at(L"a.shelfmateBackup"), "old a");
  }
  EXPECT_EQ(after.count(L"a.shelfmatePartial"), 0u);
}

TEST_F(SyncControl, CancelledRunPutsAReadOnlyFileBack) {
  std::filesystem::permissions(NativeOf(local / L"a"), std::filesystem::perms::owner_write |
                                                           std::filesystem::perms::group_write |
                                                           std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  progress.hook = [&](const std::wstring& line) {
    if (line == L"AddMessage Copied: \\b") job.cancelRequested = true;
  };
  job.Run(remote.Path(), local.Path(), false);
  // The run joins the root and the relative path "\\a" with one more backslash.
  EXPECT_TRUE(Logged(progress, L"Restored: " + (local / L"\\a")));
  EXPECT_EQ(Snapshot(local), (Tree{{L"a", "old a"}, {L"b", "rb"}}));
}

// Two runs on one library would take each other's backups for a killed
// run's: the second finds the library busy while the first is held paused,
// touches nothing, and the first, cancelled, still restores every file.
TEST_F(SyncControl, SecondRunOnTheSameLibraryWaitsForNothingAndTouchesNothing) {
  std::promise<void> pausedByWindow;
  auto pauseMade = pausedByWindow.get_future();
  progress.hook = [&](const std::wstring& line) {
    if (line == L"AddMessage Copied: \\a") pauseMade.wait();
  };
  std::thread worker = Start();
  ASSERT_TRUE(progress.WaitFor(L"AddMessage Copied: \\a"));
  job.paused = true;
  pausedByWindow.set_value();
  // A copy the first run had under way may still end in its partial copy.
  const auto withoutPartials = [](Tree tree) {
    for (auto at = tree.begin(); at != tree.end();)
      at = at->first.find(L".shelfmatePartial") != std::wstring::npos ? tree.erase(at) : std::next(at);
    return tree;
  };
  const Tree duringTheFirst = withoutPartials(Snapshot(local));

  SyncJob second;
  RecordingProgress secondProgress;
  second.progress = &secondProgress;
  second.Run(remote.Path(), local.Path() + L"\\", true);
  EXPECT_EQ(secondProgress.Lines(),
            (Lines{L"AddMessage A sync of this library is already running.", L"AddMessage  - Sync Cancelled - ",
                   L"AddMessage  - Sync Complete - ", L"Finished Sync Canceled 1"}));
  EXPECT_EQ(withoutPartials(Snapshot(local)), duringTheFirst);

  job.cancelRequested = true;
  job.paused = false;
  worker.join();
  EXPECT_EQ(Snapshot(local), (Tree{{L"a", "old a"}}));
  // Once the first has ended, the library is free again.
  second.Run(remote.Path(), local.Path(), false);
  EXPECT_EQ(Snapshot(local), (Tree{{L"a", "ra"}, {L"b", "rb"}}));
}

// However the library's folder is written or reached, it is one library;
// another library is not held by it. A lock file that nobody holds (a power
// loss leaves one) keeps no run out.
TEST_F(SyncControl, TheLibraryIsHeldWhateverItsFolderIsCalled) {
#ifdef _WIN32
  // A library on the test share, which the prefix also maps to a drive letter.
  TempFolder library(kShareFolder + L"\\locktest");
  WriteFileAt(library / L"a", "old a", -10);
  const std::wstring path = library.Path();
  auto upper = [](std::wstring text) {
    for (wchar_t& c : text)
      if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return text;
  };
  const size_t cut = path.rfind(L'\\');
#else
  const TempFolder& library = local;
  const std::wstring path = library.Path();
  TempFolder links;
  std::filesystem::create_directory_symlink(NativeOf(path), NativeOf(links / L"library"));
#endif
  TempFolder another;
  struct Case {
    const char* what;
    std::wstring heldAs;  // empty: a lock file left behind, held by nobody
    bool busy;
  } cases[] = {
      {"as the run names it", path, true},
      {"with a final backslash", path + L"\\", true},
#ifdef _WIN32
      {"in capitals", upper(path), true},
      {"with a doubled backslash", path.substr(0, cut) + L"\\\\" + path.substr(cut + 1), true},
      {"through the drive the share is mapped to", kShareDrive + L"\\locktest", true},
      {"by the share's name", kShareName + L"\\locktest", true},
#else
      {"through a link to its folder", links / L"library", true},
#endif
      {"left behind", L"", false},
      {"another library", another.Path(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::optional<platform::RunLock> held;
    if (c.heldAs.empty()) {
      WriteFileAt(library / kLibraryLockFileName, "", -99);
    } else {
      held.emplace(LibraryLockFile(c.heldAs));
      ASSERT_TRUE(held->Held());
    }
    RecordingProgress recorder;
    SyncJob run;
    run.progress = &recorder;
    run.Run(remote.Path(), path, false);
    EXPECT_EQ(recorder.Lines().back(), c.busy ? L"Finished Sync Canceled 1" : L"Finished Sync Complete 0");
    held.reset();
    EXPECT_EQ(Snapshot(library), (c.busy ? Tree{{L"a", "old a"}} : Tree{{L"a", "ra"}, {L"b", "rb"}}));
    std::filesystem::remove(NativeOf(library / L"b"));
    WriteFileAt(library / L"a", "old a", -10);
  }
}

}  // namespace
