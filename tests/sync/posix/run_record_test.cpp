// How a sync ended, told truly: the engine's outcome and exit code, and the
// record each run leaves in the records' folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <thread>

#include "platform/posix/fault_injection.h"
#include "platform/posix/simulated_machine.h"
#include "platform/run_lock.h"
#include "support/recording_progress.h"
#include "sync/own_files.h"
#include "sync/record_files.h"
#include "sync/run_record.h"
#include "sync/run_report.h"
#include "sync/status_file.h"
#include "sync/sync_job.h"
#include "sync/sync_tree.h"

namespace {

using platform::faults::Call;
using sync_test::WriteFileAt;
using Lines = std::vector<std::string>;

class RunEnds : public ::testing::Test {
 protected:
  RunEnds() {
    platform::faults::Reset();
    platform::simulated::Reset();
    platform::simulated::SetCommonAppDataFolder(appData.Path());
    platform::simulated::SetLocalAppDataFolder(userData.Path());
    job.progress = &progress;
    // Failures planned by count need the calls in one order: one copy at a time.
    job.copyThreads = 1;
    WriteFileAt(remote / L"lamps\\old.ies", "remote old", 0);
    WriteFileAt(remote / L"lamps\\new.ies", "remote new", 0);
    WriteFileAt(local / L"lamps\\old.ies", "local old", -10);
  }
  ~RunEnds() override {
    platform::faults::Reset();
    platform::simulated::Reset();
  }

  // Runs a sync with its record; returns the record's lines.
  Lines RunRecorded() {
    record.Begin(RecordHeader{L"1.2.2.0", remote.Path(), local.Path(), true});
    job.record = &record;
    job.Run(remote.Path(), local.Path(), false);
    record.End(ExitCodeFor(job.outcome), job.outcome.counts);
    return RecordLines(record.Path());
  }

  // The record's lines, each checked to end in CR LF, after the byte-order mark.
  static Lines RecordLines(const std::wstring& path) {
    const std::string bytes = ReadTestFile(path);
    EXPECT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
    Lines lines;
    size_t from = 3;
    for (size_t end; (end = bytes.find("\r\n", from)) != std::string::npos; from = end + 2)
      lines.push_back(bytes.substr(from, end - from));
    EXPECT_EQ(from, bytes.size()) << "the last line has no CR LF";
    return lines;
  }

  TempFolder remote, local, appData, userData;
  RecordingProgress progress;
  SyncJob job;
  RunRecord record;
};

TEST_F(RunEnds, OutcomeAndExitCodeSayHowTheRunEnded) {
  enum class Mishap {
    None, NothingDue, CopyFails, SourceGone, FolderNotFound, Cancel, CancelRestoreFails, Busy, SearchBreaksOff
  };
  struct Case {
    const char* what;
    Mishap mishap;
    RunEnd end;
    int exitCode;
    RunCounts counts;  // copied, skipped, failed, restored, not restored
  } cases[] = {
      {"clean", Mishap::None, RunEnd::Completed, 0, {2, 0, 0, 0, 0}},
      {"nothing due", Mishap::NothingDue, RunEnd::Completed, 0, {0, 2, 0, 0, 0}},
      {"a copy fails", Mishap::CopyFails, RunEnd::Completed, 1, {1, 0, 1, 0, 0}},
      {"a file went from the master", Mishap::SourceGone, RunEnd::Completed, 1, {1, 0, 1, 0, 0}},
      {"its folder was not found a moment", Mishap::FolderNotFound, RunEnd::Completed, 0, {2, 0, 0, 0, 0}},
      {"cancelled, all restored", Mishap::Cancel, RunEnd::Cancelled, 2, {2, 0, 0, 1, 0}},
      {"cancelled, a restore fails", Mishap::CancelRestoreFails, RunEnd::Cancelled, 1, {2, 0, 0, 0, 1}},
      {"another run holds the library", Mishap::Busy, RunEnd::Busy, 3, {0, 0, 0, 0, 0}},
      {"a search breaks off", Mishap::SearchBreaksOff, RunEnd::Completed, 1, {0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder to;
    WriteFileAt(to / L"lamps\\old.ies", "local old", c.mishap == Mishap::NothingDue ? 10 : -10);
    if (c.mishap == Mishap::NothingDue) WriteFileAt(to / L"lamps\\new.ies", "local new", 10);
    platform::faults::Reset();
    // Some retries, so that a file the master no longer has is seen not to be asked for again.
    job.retryWaitSeconds = {1};
    job.sleep = [](std::chrono::milliseconds) {};
    progress.hook = [&](const std::wstring& line) {
      if ((c.mishap == Mishap::Cancel || c.mishap == Mishap::CancelRestoreFails) &&
          line == L"AddMessage Copied: \\lamps\\old.ies") {
        job.cancelRequested = true;
        if (c.mishap == Mishap::CancelRestoreFails) platform::faults::FailAlways(Call::MoveReplacing);
      }
    };
    if (c.mishap == Mishap::CopyFails) platform::faults::FailAfter(Call::CopyReplacing, 1, 2);
    if (c.mishap == Mishap::SourceGone) platform::faults::FailAfter(Call::CopyReplacing, 0, 1, platform::kErrorFileNotFound);
    if (c.mishap == Mishap::FolderNotFound)
      platform::faults::FailAfter(Call::CopyReplacing, 0, 1, platform::kErrorPathNotFound);
    if (c.mishap == Mishap::SearchBreaksOff) platform::faults::FailAfter(Call::FolderSearch, 1, 2);
    std::optional<platform::RunLock> other;
    if (c.mishap == Mishap::Busy) other.emplace(LibraryLockFile(to.Path()));
    job.Run(remote.Path(), to.Path(), false);
    const unsigned long copies = platform::faults::CallCount(Call::CopyReplacing);
    platform::faults::Reset();
    EXPECT_EQ(job.outcome.end, c.end);
    EXPECT_EQ(ExitCodeFor(job.outcome), c.exitCode);
    const RunCounts& counts = job.outcome.counts;
    EXPECT_EQ(std::vector<int>({counts.copied, counts.skipped, counts.failed, counts.restored, counts.notRestored}),
              std::vector<int>({c.counts.copied, c.counts.skipped, c.counts.failed, c.counts.restored,
                                c.counts.notRestored}));
    // Not asked for again: one copy per file; a folder that went a moment is.
    if (c.mishap == Mishap::SourceGone) EXPECT_EQ(copies, 2u);
    if (c.mishap == Mishap::FolderNotFound) EXPECT_EQ(copies, 3u);
    progress.hook = nullptr;
  }
}

// Times, the computer and the user are masked; each failure's reason must be
// there, whatever the system's words for it.
std::string Masked(const std::string& line) {
  static const std::regex time("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}");
  static const std::regex duration("^Duration: [0-9]+:[0-9]{2}:[0-9]{2}$");
  std::string masked = std::regex_replace(line, time, "<time>");
  masked = std::regex_replace(masked, duration, "Duration: <duration>");
  for (const char* field : {"Computer: ", "User: "})
    if (masked.rfind(field, 0) == 0) masked = std::string(field) + "<name>";
  const size_t tab = masked.find('\t');
  if (tab != std::string::npos) masked = masked.substr(0, tab) + (tab + 1 < masked.size() ? "\t<reason>" : "\t");
  return masked;
}

TEST_F(RunEnds, RecordHoldsHeaderEveryLineEachReasonAndFooter) {
  const std::string remoteText(Utf8Of(remote.Path())), localText(Utf8Of(local.Path()));
  const Lines header = {"Shelfmate 1.2.2.0 sync record", "Started: <time>", "Computer: <name>", "User: <name>",
                        "Remote library: " + remoteText, "Local library: " + localText, "Mode: silent",
                        "Forced: no", ""};
  struct Case {
    const char* what;
    bool copyFails;
    Lines lines;
  } cases[] = {
      {"clean", false,
       {" - Getting remote file listing - ", "Copied: \\lamps\\new.ies", "Copied: \\lamps\\old.ies",
        " - Deleting Backup Files - ", " - Sync Complete - ", "", "Result: 0 - the library is current",
        "Copied: 2, skipped: 0, failed: 0, restored: 0, not restored: 0", "Ended: <time>", "Duration: <duration>"}},
      {"a copy fails", true,
       {" - Getting remote file listing - ", "Copied: \\lamps\\new.ies", "Not Copied: \\lamps\\old.ies\t<reason>",
        " - Deleting Backup Files - ", " - Sync Complete - ", "",
        "Result: 1 - files could not be copied or restored; the library stays marked behind",
        "Copied: 1, skipped: 0, failed: 1, restored: 0, not restored: 0", "Ended: <time>", "Duration: <duration>"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::faults::Reset();
    WriteFileAt(local / L"lamps\\old.ies", "local old", -10);
    std::filesystem::remove(NativeOf(local / L"lamps\\new.ies"));
    if (c.copyFails) platform::faults::FailAfter(Call::CopyReplacing, 1, 1, platform::kErrorNetNameDeleted);
    const Lines lines = RunRecorded();
    Lines masked;
    for (const std::string& line : lines) masked.push_back(Masked(line));
    Lines expected = header;
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    EXPECT_EQ(masked, expected);
    // The reason is the system's text for the error the copy met.
    for (const std::string& line : lines)
      if (line.rfind("Not Copied: ", 0) == 0)
        EXPECT_EQ(line.substr(line.find('\t') + 1), Utf8Of(platform::ErrorText(platform::kErrorNetNameDeleted)));
    EXPECT_EQ(ParentFolder(record.Path()), appData / L"Korvane\\Shelfmate\\Logs\\");
  }
}

TEST_F(RunEnds, OldRecordsBeyondTheNewest29GoWhenARunStarts) {
  const std::wstring folder = appData / L"Korvane\\Shelfmate\\Logs\\";
  for (int second = 0; second < 32; ++second)
    WriteTestFile(folder + RecordFileName({2020, 1, 1, 9, 0, static_cast<unsigned>(second)}, 1), "old");
  // The second record of the last second is the newest; a file the program never named stays.
  WriteTestFile(folder + RecordFileName({2020, 1, 1, 9, 0, 31}, 2), "old");
  WriteTestFile(folder + L"notes.txt", "kept");
  WriteTestFile(folder + L"keep me.log", "kept");
  RunRecorded();
  std::vector<std::wstring> names;
  for (const auto& entry : std::filesystem::directory_iterator(NativeOf(folder)))
    names.push_back(ProgramPathOf(entry.path()).substr(folder.size()));
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names.size(), 32u);  // 29 old, the new one, and the two other files
  EXPECT_EQ(names.front(), L"2020-01-01 09-00-04.log");
  EXPECT_EQ(names[27], L"2020-01-01 09-00-31 (2).log");
  EXPECT_EQ(names[28], L"2020-01-01 09-00-31.log");
  EXPECT_EQ(names[30], L"keep me.log");
  EXPECT_EQ(names.back(), L"notes.txt");
}

// Indexes from `from` up to `to`, without `left`.
std::vector<size_t> Indexes(size_t from, size_t to, size_t left = static_cast<size_t>(-1)) {
  std::vector<size_t> indexes;
  for (size_t at = from; at < to; ++at)
    if (at != left) indexes.push_back(at);
  return indexes;
}

// The record a run makes is never pruned; the older ones are weighed
// newest first, and one too big to keep by itself takes no other with it.
TEST_F(RunEnds, PruningSparesTheNewRecordAndKeepsTheNewestOthersWithinCountAndSize) {
  const std::wstring folder = appData / L"Korvane\\Shelfmate\\Logs\\";
  static constexpr size_t kB = 1024, MB = 1024 * 1024;
  std::vector<size_t> manyWithOneBig(40, kB);
  manyWithOneBig[20] = 11 * MB;
  const struct {
    const char* what;
    std::vector<size_t> sizes;  // old records, oldest first
    std::vector<size_t> kept;   // which of them stay
  } cases[] = {
      {"the last run's record is over the size cap", {kB, kB, kB, 11 * MB}, {0, 1, 2}},
      {"one over the cap among many", manyWithOneBig, Indexes(40 - 30, 40, 20)},
      {"the newest fill the cap", {3 * MB, 3 * MB, 3 * MB, 3 * MB, 3 * MB}, {2, 3, 4}},
      {"more than 29", std::vector<size_t>(33, kB), Indexes(33 - 29, 33)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(NativeOf(appData / L"Korvane"));
    std::vector<std::wstring> oldNames;
    for (size_t at = 0; at < c.sizes.size(); ++at) {
      oldNames.push_back(RecordFileName({2020, 1, 1, 9, static_cast<unsigned>(at / 60), static_cast<unsigned>(at % 60)}, 1));
      WriteTestFile(folder + oldNames.back(), std::string(c.sizes[at], 'x'));
    }
    WriteFileAt(local / L"lamps\\old.ies", "local old", -10);
    RunRecorded();
    ASSERT_EQ(ParentFolder(record.Path()), folder);
    std::vector<size_t> kept;
    size_t others = 0;
    for (const auto& entry : std::filesystem::directory_iterator(NativeOf(folder))) {
      const std::wstring name = ProgramPathOf(entry.path()).substr(folder.size());
      const auto old = std::find(oldNames.begin(), oldNames.end(), name);
      if (old != oldNames.end())
        kept.push_back(static_cast<size_t>(old - oldNames.begin()));
      else if (folder + name != record.Path())
        ++others;
    }
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, c.kept);
    EXPECT_EQ(others, 0u);
    EXPECT_FALSE(RecordLines(record.Path()).empty());
  }
}

// A Korvane, Shelfmate or Logs folder in the all-users folder that another
// user made first as a link leads nowhere the record goes: it goes to the
// user's own folder, and nothing in the linked folder is written or pruned.
TEST_F(RunEnds, RecordNeverGoesThroughALinkInTheSharedFolder) {
  for (const wchar_t* linked : {L"Korvane", L"Korvane\\Shelfmate", L"Korvane\\Shelfmate\\Logs"}) {
    SCOPED_TRACE(Utf8Of(linked));
    std::filesystem::remove_all(NativeOf(appData / L"Korvane"));
    std::filesystem::remove_all(NativeOf(userData / L"Korvane"));
    TempFolder planted;
    for (int second = 0; second < 35; ++second)
      WriteTestFile(planted / RecordFileName({2020, 1, 1, 9, 0, static_cast<unsigned>(second)}, 1), "theirs");
    const std::wstring link = appData / linked;
    std::filesystem::create_directories(NativeOf(link).parent_path());
    std::filesystem::create_directory_symlink(NativeOf(planted.Path()), NativeOf(link));

    WriteFileAt(local / L"lamps\\old.ies", "local old", -10);
    const Lines lines = RunRecorded();
    EXPECT_EQ(ParentFolder(record.Path()), userData / L"Korvane\\Shelfmate\\Logs\\");
    EXPECT_FALSE(lines.empty());
    EXPECT_EQ(RecordFolder(), userData / L"Korvane\\Shelfmate\\Logs\\");
    EXPECT_EQ(ReadTestFile(local / L"lamps\\old.ies"), "remote old");
    size_t theirs = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(NativeOf(planted.Path()))) {
      EXPECT_TRUE(entry.is_regular_file()) << entry.path();
      theirs += entry.is_regular_file() && ReadTestFile(ProgramPathOf(entry.path())) == "theirs";
    }
    EXPECT_EQ(theirs, 35u);
    std::filesystem::remove(NativeOf(link));
  }
}

TEST_F(RunEnds, RecordGoesToTheUsersFolderWhereTheSharedOneCannotBeMadeAndTheSyncIsUnharmed) {
  // A file where the shared folder's tree would go.
  WriteTestFile(appData / L"Korvane", "in the way");
  const Lines lines = RunRecorded();
  EXPECT_EQ(ParentFolder(record.Path()), userData / L"Korvane\\Shelfmate\\Logs\\");
  EXPECT_EQ(ReadTestFile(local / L"lamps\\old.ies"), "remote old");
  ASSERT_FALSE(lines.empty());

  // Neither folder: no record, and still the same sync.
  WriteTestFile(userData / L"Korvane", "in the way");
  std::filesystem::remove_all(NativeOf(userData / L"Korvane\\Shelfmate"));
  std::filesystem::remove_all(NativeOf(userData / L"Korvane"));
  WriteTestFile(userData / L"Korvane", "in the way");
  WriteFileAt(local / L"lamps\\old.ies", "local old", -10);
  record.Begin(RecordHeader{L"1.2.2.0", remote.Path(), local.Path(), false});
  job.record = &record;
  job.Run(remote.Path(), local.Path(), false);
  record.End(ExitCodeFor(job.outcome), job.outcome.counts);
  EXPECT_TRUE(record.Path().empty());
  EXPECT_EQ(ExitCodeFor(job.outcome), 0);
  EXPECT_EQ(ReadTestFile(local / L"lamps\\old.ies"), "remote old");
}

// The lines of an event's or status file's text, its reasons masked.
Lines TextLines(const std::wstring& text, const std::string& reasonAfter) {
  Lines lines;
  std::string bytes = Utf8Of(text);
  size_t from = 0;
  for (size_t end; from < bytes.size(); from = end + 2) {
    end = bytes.find("\r\n", from);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(from, end - from);
    const size_t reason = line.rfind(reasonAfter);
    if (line.rfind("Not Copied", 0) == 0 && reason != std::string::npos)
      line = line.substr(0, reason + reasonAfter.size()) + "<reason>";
    lines.push_back(line);
  }
  return lines;
}

// Each run's end is one event in the Application log: its type and ID by the
// exit code, its text what an administrator needs without the record.
TEST_F(RunEnds, EachRunEndsInOneEventThatSaysHowItEnded) {
  enum class Mishap { None, CopyFails, Cancel, Busy, NotReached };
  const std::string remoteText(Utf8Of(remote.Path())), localText(Utf8Of(local.Path()));
  struct Case {
    const char* what;
    Mishap mishap;
    platform::EventType type;
    std::uint32_t id;
    Lines between;  // after the counts, before the record's path
  } cases[] = {
      {"clean", Mishap::None, platform::EventType::Information, 1000, {}},
      {"a copy fails", Mishap::CopyFails, platform::EventType::Error, 1001, {"Not Copied: \\lamps\\old.ies - <reason>"}},
      {"cancelled", Mishap::Cancel, platform::EventType::Warning, 1002, {}},
      {"another run holds the library", Mishap::Busy, platform::EventType::Warning, 1003,
       {"A sync of this library is already running. - another sync holds " +
        Utf8Of(LibraryLockFile(local.Path())) + " open"}},
      {"the remote library never appeared", Mishap::NotReached, platform::EventType::Error, 1004,
       {"The Remote Library Path does not exist! - no look had answered"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::faults::Reset();
    platform::simulated::Reset();
    platform::simulated::SetCommonAppDataFolder(appData.Path());
    WriteFileAt(local / L"lamps\\old.ies", "local old", -10);
    std::filesystem::remove(NativeOf(local / L"lamps\\new.ies"));
    job.retryWaitSeconds = {};
    progress.hook = [&](const std::wstring& line) {
      if (c.mishap == Mishap::Cancel && line == L"AddMessage Copied: \\lamps\\new.ies") job.cancelRequested = true;
    };
    if (c.mishap == Mishap::CopyFails) platform::faults::FailAfter(Call::CopyReplacing, 1, 1);
    std::optional<platform::RunLock> other;
    if (c.mishap == Mishap::Busy) other.emplace(LibraryLockFile(local.Path()));

    record.Begin(RecordHeader{L"1.2.2.0", remote.Path(), local.Path(), true});
    RunCounts counts;
    int exitCode = kExitNotReached;
    if (c.mishap == Mishap::NotReached) {
      record.Failure(L"The Remote Library Path does not exist!", L"no look had answered");
    } else {
      job.record = &record;
      job.Run(remote.Path(), local.Path(), false);
      counts = job.outcome.counts;
      exitCode = ExitCodeFor(job.outcome);
    }
    const RunSummary summary = record.Summary(exitCode, counts);
    WriteRunEvent(summary, record, L"C:\\Program Files\\Korvane\\Shelfmate.exe");
    record.End(exitCode, counts);
    progress.hook = nullptr;

    const auto events = platform::simulated::ReportedEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, c.type);
    EXPECT_EQ(events[0].id, c.id);
    Lines expected = {"Result: " + std::to_string(exitCode) + " - " + Utf8Of(ExitCodeMeaning(exitCode)),
                      "Remote library: " + remoteText, "Local library: " + localText,
                      "Copied: " + std::to_string(counts.copied) + ", skipped: " + std::to_string(counts.skipped) +
                          ", failed: " + std::to_string(counts.failed) + ", restored: " +
                          std::to_string(counts.restored) + ", not restored: " + std::to_string(counts.notRestored)};
    expected.insert(expected.end(), c.between.begin(), c.between.end());
    expected.push_back("Record: " + Utf8Of(record.Path()));
    EXPECT_EQ(TextLines(events[0].text, " - "), expected);
    EXPECT_EQ(exitCode + 1000, static_cast<int>(c.id));
    // The source now names the program, and the record says nothing of either.
    EXPECT_EQ(platform::simulated::EventSourceMessageFile(), L"C:\\Program Files\\Korvane\\Shelfmate.exe");
    for (const std::string& line : RecordLines(record.Path())) EXPECT_EQ(line.find("event"), std::string::npos) << line;
  }
}

// The first five failures are named, and how many more there were; the cut
// counts every failure, whatever the record shows of it.
TEST_F(RunEnds, TheSummaryNamesTheFirstFiveFailuresAndCountsTheRest) {
  record.Begin(RecordHeader{L"1.2.2.0", L"\\\\fileserver\\lib", L"C:\\lib", true});
  for (int i = 1; i <= 7; ++i) record.Failure(L"Not Copied: \\lamp" + std::to_wstring(i) + L".ies", L"denied");
  record.NoteFailure(L"The listing of \\\\fileserver\\lib\\old broke off", L"gone");
  const RunSummary summary = record.Summary(kExitFailures, RunCounts{0, 0, 7, 0, 0});
  record.End(kExitFailures, summary.counts);
  EXPECT_EQ(summary.failures, 8);
  ASSERT_EQ(summary.firstFailures.size(), 5u);
  EXPECT_EQ(summary.firstFailures[4].what, L"Not Copied: \\lamp5.ies");
  const Lines lines = TextLines(EventText(summary), " - ");
  ASSERT_EQ(lines.size(), 4u + 5u + 2u);
  EXPECT_EQ(lines[4], "Not Copied: \\lamp1.ies - <reason>");
  EXPECT_EQ(lines[9], "and 3 more failure(s)");
  // A record line that merely carries a reason is no failure of the run.
  record.Begin(RecordHeader{L"1.2.2.0", L"r", L"l", true});
  record.Line(L"The listing of r\\x broke off", L"gone");
  EXPECT_EQ(record.Summary(0, {}).failures, 0);
  record.End(0, {});
}

// Neither a source that cannot be registered nor a log that cannot be written
// costs the run anything: the record gets a line for each, before its footer.
TEST_F(RunEnds, AnEventThatCannotBeWrittenCostsTheRunOnlyARecordLine) {
  for (const Call refused : {Call::RegisterEventSource, Call::WriteEvent}) {
    SCOPED_TRACE(refused == Call::WriteEvent ? "the log refuses" : "the source cannot be registered");
    platform::faults::Reset();
    platform::simulated::Reset();
    platform::simulated::SetCommonAppDataFolder(appData.Path());
    WriteFileAt(local / L"lamps\\old.ies", "local old", -10);
    platform::faults::FailAlways(refused, 5);
    record.Begin(RecordHeader{L"1.2.2.0", remote.Path(), local.Path(), true});
    job.record = &record;
    job.Run(remote.Path(), local.Path(), false);
    const RunSummary summary = record.Summary(ExitCodeFor(job.outcome), job.outcome.counts);
    WriteRunEvent(summary, record, L"C:\\Shelfmate.exe");
    record.End(summary.exitCode, summary.counts);
    platform::faults::Reset();
    EXPECT_EQ(summary.exitCode, 0);
    EXPECT_EQ(ReadTestFile(local / L"lamps\\old.ies"), "remote old");
    EXPECT_EQ(platform::simulated::ReportedEvents().size(), refused == Call::WriteEvent ? 0u : 1u);
    const Lines lines = RecordLines(record.Path());
    const std::string expected = refused == Call::WriteEvent
                                     ? "The run's event could not be written to the Application log\t"
                                     : "The event source \"Shelfmate\" could not be registered; Event Viewer";
    const auto found = std::find_if(lines.begin(), lines.end(),
                                    [&](const std::string& line) { return line.rfind(expected, 0) == 0; });
    ASSERT_NE(found, lines.end());
    EXPECT_LT(found, std::find(lines.begin(), lines.end(), "Result: 0 - the library is current"));
    EXPECT_NE(found->find('\t'), std::string::npos);
  }
}

// This machine's file in the status folder: written whole in one step, over
// the last one, with no temporary left; a folder that is absent or refused,
// or that does not answer in time, costs only a line after the record's footer.
TEST_F(RunEnds, TheStatusFileIsReplacedWholeAndAFolderThatFailsCostsOnlyARecordLine) {
  TempFolder status;
  record.Begin(RecordHeader{L"1.2.2.0", L"\\\\fileserver\\lib", L"C:\\lib", true});
  record.Failure(L"Not Copied: \\lamps\\old.ies", L"Access is denied.");
  RunSummary summary = record.Summary(kExitFailures, RunCounts{1, 2, 1, 0, 0});
  record.End(kExitFailures, summary.counts);
  summary.computer = L"PC-07";
  summary.user = L"anna";
  const std::wstring file = status / L"PC-07.txt";
  WriteTestFile(file, "the last run's");
  WriteTestFile(file + L".shelfmateNew", "planted by another machine");
  {
    StatusPublisher publisher;
    publisher.Publish(status.Path(), summary);
  }
  const std::string bytes = ReadTestFile(file);
  ASSERT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  Lines lines = TextLines(std::wstring(bytes.begin() + 3, bytes.end()), "\t");
  ASSERT_GE(lines.size(), 10u);
  lines[5] = lines[5].substr(0, 9);  // the times
  lines[6] = lines[6].substr(0, 7);
  EXPECT_EQ(lines, (Lines{"Computer: PC-07", "User: anna", "Program version: 1.2.2.0",
                          "Remote library: \\\\fileserver\\lib", "Local library: C:\\lib", "Started: ", "Ended: ",
                          "Result: 1 - files could not be copied or restored; the library stays marked behind",
                          "Copied: 1, skipped: 2, failed: 1, restored: 0, not restored: 0",
                          "Not Copied: \\lamps\\old.ies\t<reason>"}));
  EXPECT_EQ(ReadTestFile(file + L".shelfmateNew"), "<missing>");
  size_t recordLines = RecordLines(record.Path()).size();

  struct Case {
    const char* what;
    std::wstring folder;
    Call call;
    std::chrono::milliseconds delay;
    std::string line;
  } cases[] = {
      {"absent", status / L"gone", Call::Count_, {}, "could not be written\t"},
      {"refused", status.Path(), Call::WriteFreshFile, {}, "could not be written\t"},
      {"no answer", status.Path(), Call::WriteFreshFile, std::chrono::milliseconds(3000), "was not written in time"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::faults::Reset();
    WriteTestFile(file, "kept");
    if (c.delay.count() > 0)
      platform::faults::DelayCalls(c.call, c.delay);
    else if (c.call != Call::Count_)
      platform::faults::FailAlways(c.call, 5);
    const auto started = std::chrono::steady_clock::now();
    {
      StatusPublisher publisher(std::chrono::milliseconds(200));
      publisher.Publish(c.folder, summary);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(2000));
    platform::faults::Reset();  // ends the delayed call at once
    if (c.delay.count() > 0) {
      // The write the run no longer waited for lands when the server answers.
      for (int waited = 0; waited < 100 && ReadTestFile(file) == "kept"; ++waited)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      EXPECT_EQ(ReadTestFile(file), bytes);
    } else {
      EXPECT_EQ(ReadTestFile(file), "kept");
    }
    // One line more, after the footer.
    const Lines after = RecordLines(record.Path());
    ASSERT_EQ(after.size(), recordLines + 1);
    EXPECT_NE(after.back().find(c.line), std::string::npos) << after.back();
    EXPECT_EQ(after[after.size() - 2 - (&c - cases)].rfind("Duration: ", 0), 0u);
    recordLines = after.size();
  }

  // A newer run's status follows a write still under way and is the one
  // that stays, however long the first one takes.
  platform::faults::Reset();
  platform::faults::DelayCalls(Call::WriteFreshFile, std::chrono::milliseconds(300));
  RunSummary newer = summary;
  newer.exitCode = kExitLibraryCurrent;
  newer.firstFailures.clear();
  newer.failures = 0;
  {
    StatusPublisher publisher;
    publisher.Publish(status.Path(), summary);
    publisher.Publish(status.Path(), newer);
  }
  platform::faults::Reset();
  EXPECT_EQ(ReadTestFile(file), StatusFileBytes(newer));
  EXPECT_EQ(ReadTestFile(file + L".shelfmateNew"), "<missing>");
}

}  // namespace
