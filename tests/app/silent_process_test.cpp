// "Shelfmate.exe /silent" started as a process, as the scheduled task starts
// it, over temporary libraries named in the prefix's settings file.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "discovery/test_machine.h"
#include "settings/ini_file.h"
#include "settings/settings_store.h"
#include "support/temp_folder.h"
#include "support/win32/event_source.h"
#include "support/win32/process.h"
#include "support/win32/test_share.h"
#include "sync/record_files.h"
#include "sync/sync_tree.h"
#include "tray_stand_in.h"

namespace {

using sync_test::HasLeftovers;
using sync_test::Snapshot;
using sync_test::WriteFileAt;

constexpr DWORD kSyncEndsWithinMs = 60000;

// Waits for the program's exit while acting as the Windows tray, which
// reports the final balloon's time-out; -1 when it did not end in time.
long WaitForExitAsTheTrayEndsIt(Process& process, DWORD milliseconds) {
  if (!driver::WaitReportingTimeOuts(process.Handle(), process.Id(), milliseconds)) return -1;
  return process.WaitForExit(0);
}

// A version file as the library holds it: UTF-16LE text.
std::string VersionFile(const std::string& number) {
  std::string bytes;
  for (char c : number) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

// The names of the records in the records' folder.
std::set<std::wstring> RecordNames() {
  std::set<std::wstring> names;
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((RecordFolder() + L"*.log").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    names.insert(found.cFileName);
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return names;
}

// The text of the log view of another process's main window.
std::wstring LogTextOf(HWND window) {
  const HWND view = ::FindWindowExW(window, nullptr, L"RICHEDIT50W", nullptr);
  wchar_t text[4096] = {};
  DWORD_PTR copied = 0;
  if (view == nullptr ||
      !::SendMessageTimeoutW(view, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &copied))
    return std::wstring();
  return text;
}

// The settings file (inside the machine's Korvane folder) is put back afterwards.
class SilentProcess : public ::testing::Test {
 protected:
  void Configure() {
    ASSERT_TRUE(SetLocalLibraryPath(local.Path()));
    ASSERT_TRUE(SetRemoteLibraryPath(remote.Path()));
  }

  static void SetSetting(const wchar_t* key, const wchar_t* value) {
    std::wstring file;
    ASSERT_TRUE(SettingsFilePath(file));
    ASSERT_TRUE(WriteIniValue(L"Settings", file, key, value));
  }

  TestMachine machine;
  TempFolder remote, local;
};

struct OutdatedCase {
  const char* name;
  const char* localVersion;  // nullptr: no local version file
  bool onShare;              // the remote library at the root of a share named by UNC
};

class SilentProcessOutdated : public SilentProcess, public ::testing::WithParamInterface<OutdatedCase> {};

TEST_P(SilentProcessOutdated, SyncsAndEndsByItselfWithTheLocalTreeEqualToTheRemoteOne) {
  const OutdatedCase& c = GetParam();
  std::optional<TempFolder> shared;
  if (c.onShare) shared.emplace(kShareFolder);
  const TempFolder& remote = c.onShare ? *shared : this->remote;
  WriteFileAt(remote / L"x.version", VersionFile("3.2"), 0);
  if (c.localVersion != nullptr) WriteFileAt(local / L"x.version", VersionFile(c.localVersion), 0);
  for (int i = 0; i < 40; ++i) {
    const std::wstring name = L"Lamps\\Group" + std::to_wstring(i % 4) + L"\\lamp" + std::to_wstring(i) + L".ies";
    WriteFileAt(remote / name, "remote lamp " + std::to_string(i), 0);
    // Some local files are older copies, which the run replaces.
    if (i % 5 == 0) WriteFileAt(local / name, "older local lamp " + std::to_string(i), -3600);
  }
  Configure();
  if (c.onShare) ASSERT_TRUE(SetRemoteLibraryPath(kShareName));

  Process process(L"/silent");
  ASSERT_TRUE(process.Started()) << ShelfmateExe();
  // Time-outs reported while the sync runs change nothing.
  EXPECT_EQ(WaitForExitAsTheTrayEndsIt(process, kSyncEndsWithinMs), 0);
  EXPECT_EQ(Snapshot(local), Snapshot(remote));
  EXPECT_FALSE(HasLeftovers(local));
}

INSTANTIATE_TEST_SUITE_P(VersionFiles, SilentProcessOutdated,
                         ::testing::Values(OutdatedCase{"LocalMissing", nullptr, false},
                                           OutdatedCase{"LocalLower", "3.1", false},
                                           OutdatedCase{"FromAShare", "3.1", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// One event that Wine printed on its eventlog channel for a process: its
// type, ID and text, decoded from the debug lines' escapes.
struct PrintedEvent {
  unsigned type = 0;
  unsigned id = 0;
  std::wstring text;
  bool cut = false;  // Wine cut the printed text short
};

// The quoted text of a debug line, from L"...", with \r, \n, \t, \\, \" and
// \XXXX (any other character outside printable ASCII) undone.
std::wstring DecodeDebugString(const std::string& quoted, bool& cut) {
  std::wstring text;
  size_t at = quoted.find("L\"");
  if (at == std::string::npos) return text;
  for (at += 2; at < quoted.size() && quoted[at] != '"'; ++at) {
    if (quoted[at] != '\\' || at + 1 >= quoted.size()) {
      text += static_cast<wchar_t>(static_cast<unsigned char>(quoted[at]));
      continue;
    }
    const char escaped = quoted[++at];
    switch (escaped) {
      case 'r': text += L'\r'; break;
      case 'n': text += L'\n'; break;
      case 't': text += L'\t'; break;
      case '\\': text += L'\\'; break;
      case '"': text += L'"'; break;
      default:
        text += static_cast<wchar_t>(std::stoul(quoted.substr(at, 4), nullptr, 16));
        at += 3;
    }
  }
  cut = quoted.compare(at, 4, "\"...") == 0;
  return text;
}

// The events that the process of this ID wrote, as its Wine debug output in
// the prefix's copy of standard error shows them ("+pid,+eventlog"): a fixme
// line with the type and ID, then one line with the text, by its type's
// channel class.
std::vector<PrintedEvent> PrintedEvents(DWORD processId) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%04lx:", static_cast<unsigned long>(processId));
  std::vector<PrintedEvent> events;
  std::istringstream lines(ReadTestFile(L"C:\\wine-stderr.log"));
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(prefix, 0) != 0) continue;
    if (line.find(":fixme:advapi:ReportEventW (") != std::string::npos) {
      PrintedEvent event;
      const size_t args = line.find('(');
      std::sscanf(line.c_str() + line.find(',', args) + 1, "0x%x,0x%*x,0x%x", &event.type, &event.id);
      events.push_back(event);
    } else if (line.find(":eventlog:ReportEventW L\"") != std::string::npos && !events.empty()) {
      events.back().text = DecodeDebugString(line, events.back().cut);
    }
  }
  return events;
}

// The records made while a test ran.
std::set<std::wstring> NewRecords(const std::set<std::wstring>& before) {
  std::set<std::wstring> made;
  for (const std::wstring& name : RecordNames())
    if (!before.count(name)) made.insert(name);
  return made;
}

// An environment variable set for the programs a test starts, put back after.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const wchar_t* name, const wchar_t* value) : name(name) {
    wchar_t old[512] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, old, 512);
    if (length > 0 && length < 512) previous = old;
    ::SetEnvironmentVariableW(name, value);
  }
  ~ScopedEnvironment() { ::SetEnvironmentVariableW(name, previous ? previous->c_str() : nullptr); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  const wchar_t* name;
  std::optional<std::wstring> previous;
};

// The scheduler's "Last Run Result": 0 for a run with nothing failed, 1 for
// one in which a file could not be copied (here one the test holds open
// without sharing, tried only once). Each run also ends in one event in the
// Application log, information or error, and replaces this machine's file in
// the status folder; a status folder that is absent changes neither the sync
// nor the exit code. The folders' names are short, so that Wine's printed
// event, which it cuts after about 290 characters, still holds the failure.
TEST_F(SilentProcess, ExitCodeEventAndStatusFileSayWhetherAFileFailed) {
  const TempFolder status(L"C:\\st"), remote(L"C:\\sr");
  const std::wstring statusFile = status / (platform::ComputerName() + L".txt");
  // A registration that names another file is made to name this program (a
  // start that may write there: Wine lets every program write the machine's keys).
  SetEventMessageFile(L"C:\\elsewhere\\Shelfmate.exe");
  struct Case {
    const char* what;
    bool fileHeld;
    bool statusThere;
  } cases[] = {
      {"clean", false, true},
      {"a file held open", true, true},
      {"no status folder", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TempFolder to(L"C:\\sl");
    WriteFileAt(remote / L"x.version", VersionFile("3.2"), 0);
    WriteFileAt(remote / L"Lamps\\held.ies", "remote lamp", 0);
    WriteFileAt(remote / L"Lamps\\free.ies", "remote lamp", 0);
    ASSERT_TRUE(SetLocalLibraryPath(to.Path()));
    ASSERT_TRUE(SetRemoteLibraryPath(remote.Path()));
    SetSetting(L"RetryWaitSeconds", L"0");
    SetSetting(L"StatusFolder", (c.statusThere ? status.Path() : status / L"absent").c_str());
    win32::UniqueFileHandle held;
    if (c.fileHeld)
      held.Reset(::CreateFileW((remote / L"Lamps\\held.ies").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_EQ(held.Valid(), c.fileHeld);
    const std::set<std::wstring> recordsBefore = RecordNames();

    long exitCode = -1;
    std::vector<PrintedEvent> events;
    {
      const ScopedEnvironment debug(L"WINEDEBUG", L"+pid,+eventlog");
      Process process(L"/silent");
      ASSERT_TRUE(process.Started()) << ShelfmateExe();
      exitCode = WaitForExitAsTheTrayEndsIt(process, kSyncEndsWithinMs);
      // The copy of standard error may be a moment behind the process's end.
      for (int waited = 0; waited < 40 && (events = PrintedEvents(process.Id())).empty(); ++waited) ::Sleep(50);
    }
    const int expectedCode = c.fileHeld ? 1 : 0;
    EXPECT_EQ(exitCode, expectedCode);
    EXPECT_EQ(ReadTestFile(to / L"Lamps\\free.ies"), "remote lamp");
    EXPECT_EQ(ReadTestFile(to / L"Lamps\\held.ies"), c.fileHeld ? "<missing>" : "remote lamp");
    // The version file stays behind after a failure, so the next run catches up.
    EXPECT_EQ(ReadTestFile(to / L"x.version"), c.fileHeld ? "<missing>" : VersionFile("3.2"));

    // One event: information (4) for 0, error (1) for 1, its ID 1000 plus the code.
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, c.fileHeld ? 1u : 4u);
    EXPECT_EQ(events[0].id, 1000u + expectedCode);
    const std::wstring& text = events[0].text;
    EXPECT_EQ(text.rfind(L"Result: " + std::to_wstring(expectedCode) + L" - ", 0), 0u) << text;
    EXPECT_NE(text.find(L"\r\nRemote library: C:\\sr\r\nLocal library: C:\\sl\r\n"), std::wstring::npos) << text;
    EXPECT_NE(text.find(c.fileHeld ? L"failed: 1" : L"failed: 0"), std::wstring::npos) << text;
    EXPECT_EQ(text.find(L"\r\nNot Copied: \\Lamps\\held.ies - ") != std::wstring::npos, c.fileHeld) << text;
    const std::set<std::wstring> records = NewRecords(recordsBefore);
    ASSERT_EQ(records.size(), 1u);
    if (!events[0].cut) EXPECT_NE(text.find(L"\r\nRecord: " + RecordFolder() + *records.begin()), std::wstring::npos);

    // The machine's file holds this run's result, whole; no temporary is left.
    const std::string statusText = ReadTestFile(statusFile);
    const std::string record = ReadTestFile(RecordFolder() + *records.begin());
    if (c.statusThere) {
      EXPECT_NE(statusText.find("\r\nResult: " + std::to_string(expectedCode) + " - "), std::string::npos)
          << statusText;
      EXPECT_EQ(statusText.find("\r\nNot Copied: \\Lamps\\held.ies\t") != std::string::npos, c.fileHeld)
          << statusText;
      EXPECT_NE(statusText.find("\r\nLocal library: C:\\sl\r\n"), std::string::npos) << statusText;
      EXPECT_EQ(record.find("The status file"), std::string::npos) << record;
    } else {
      // The last run's file stays as it was, and the record says why this one wrote none.
      EXPECT_NE(statusText.find("\r\nResult: 1 - "), std::string::npos) << statusText;
      EXPECT_NE(record.find("The status file C:\\st\\absent\\"), std::string::npos) << record;
    }
    EXPECT_EQ(ReadTestFile(statusFile + L".shelfmateNew"), "<missing>");
    EXPECT_EQ(EventMessageFile(), ShelfmateExe());
  }
}

// A scheduled start before the network is up: the remote library appears a
// few seconds later and the run goes on as usual.
TEST_F(SilentProcess, WaitsForARemoteLibraryThatAppearsLate) {
  const std::wstring late = remote / L"late";
  ASSERT_TRUE(SetLocalLibraryPath(local.Path()));
  ASSERT_TRUE(SetRemoteLibraryPath(late));
  SetSetting(L"WaitForRemoteSeconds", L"60");

  Process process(L"/silent");
  ASSERT_TRUE(process.Started()) << ShelfmateExe();
  EXPECT_EQ(process.WaitForExit(3000), -1);
  WriteFileAt(remote / L"staging\\x.version", VersionFile("3.2"), 0);
  WriteFileAt(remote / L"staging\\Lamps\\lamp.ies", "remote lamp", 0);
  ASSERT_TRUE(::MoveFileW((remote / L"staging").c_str(), late.c_str()));
  EXPECT_EQ(WaitForExitAsTheTrayEndsIt(process, kSyncEndsWithinMs), 0);
  EXPECT_EQ(ReadTestFile(local / L"Lamps\\lamp.ies"), "remote lamp");
}

// A log-off or shutdown while a silent start waits for its remote library, as
// Windows' session manager ends it: the question, then the end. The run ends
// as cancelled at once, its record finished.
TEST_F(SilentProcess, SessionEndDuringTheWaitEndsTheRunAsCancelledWithItsRecord) {
  ASSERT_TRUE(SetLocalLibraryPath(local.Path()));
  ASSERT_TRUE(SetRemoteLibraryPath(remote / L"absent"));
  SetSetting(L"WaitForRemoteSeconds", L"3600");
  const std::set<std::wstring> before = RecordNames();

  Process process(L"/silent");
  ASSERT_TRUE(process.Started()) << ShelfmateExe();
  const HWND window = WaitForWindow(process.Id(), L"ShelfmateControl", 10000);
  ASSERT_NE(window, nullptr);
  DWORD waited = 0;
  for (; waited < 10000 && LogTextOf(window).find(L"Waiting for the remote library") == std::wstring::npos;
       waited += 50)
    ::Sleep(50);
  ASSERT_LT(waited, 10000u) << "the wait never began";

  DWORD_PTR answer = 0;
  ASSERT_TRUE(::SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL, 5000, &answer));
  EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
  // The program may end while it handles this; the send then reports a failure.
  ::SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL, 10000, &answer);
  EXPECT_EQ(process.WaitForExit(5000), 2);

  std::wstring record;
  for (const std::wstring& name : RecordNames())
    if (before.count(name) == 0) record = name;
  ASSERT_FALSE(record.empty());
  const std::string text = ReadTestFile(RecordFolder() + record);
  EXPECT_NE(text.find("Waiting for the remote library\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find(" - Sync Cancelled - \r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\nResult: 2 - "), std::string::npos) << text;
  EXPECT_NE(text.find("\r\nDuration: "), std::string::npos) << text;
}

TEST_F(SilentProcess, VersionFilesInStepEndAtOnceWithoutCopying) {
  WriteFileAt(remote / L"x.version", VersionFile("3.2"), 0);
  WriteFileAt(local / L"x.version", VersionFile("3.2"), 0);
  WriteFileAt(remote / L"Lamps\\newer.ies", "newer remote lamp", 0);
  WriteFileAt(local / L"Lamps\\newer.ies", "older local lamp", -3600);
  WriteFileAt(remote / L"Lamps\\only remote.ies", "remote only", 0);
  Configure();

  Process process(L"/silent");
  ASSERT_TRUE(process.Started()) << ShelfmateExe();
  // Ending at once, with nobody reporting a balloon's time-out: a run or an
  // error would keep it until its final balloon had gone.
  EXPECT_EQ(process.WaitForExit(4000), 0);
  EXPECT_EQ(process.WaitForExit(kSyncEndsWithinMs), 0);
  EXPECT_EQ(ReadTestFile(local / L"Lamps\\newer.ies"), "older local lamp");
  EXPECT_EQ(ReadTestFile(local / L"Lamps\\only remote.ies"), "<missing>");
  EXPECT_FALSE(HasLeftovers(local));
}

// The weekly run over a master without version files can never tell
// whether the library is current; it ends at once, as in step, and its
// record says why nothing was synced.
TEST_F(SilentProcess, AMasterWithoutVersionFilesEndsAtOnceAndItsRecordSaysSo) {
  WriteFileAt(remote / L"Lamps\\lamp.ies", "remote lamp", 0);
  Configure();

  Process process(L"/silent");
  ASSERT_TRUE(process.Started()) << ShelfmateExe();
  EXPECT_EQ(process.WaitForExit(4000), 0);
  EXPECT_EQ(process.WaitForExit(kSyncEndsWithinMs), 0);
  EXPECT_EQ(ReadTestFile(local / L"Lamps\\lamp.ies"), "<missing>");
  const std::wstring logs = machine.AppData() + L"\\Korvane\\Shelfmate\\Logs\\";
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((logs + L"*.log").c_str(), &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  ::FindClose(search);
  const std::string text = ReadTestFile(logs + found.cFileName);
  EXPECT_NE(text.find("\r\nThe remote library has no version files, so this run cannot tell whether the library is "
                      "current. Nothing was synced.\r\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("already in step"), std::string::npos) << text;
}

struct ErrorCase {
  const char* name;
  bool local;
  bool remote;  // set to a folder that does not exist
};

class SilentProcessError : public SilentProcess, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(SilentProcessError, ShowsTheErrorBalloonAndEndsWhenItTimesOut) {
  const ErrorCase& c = GetParam();
  WriteFileAt(remote / L"x.version", VersionFile("3.2"), 0);
  WriteFileAt(remote / L"Lamps\\lamp.ies", "remote lamp", 0);
  if (c.local) {
    ASSERT_TRUE(SetLocalLibraryPath(local.Path()));
  }
  if (c.remote) {
    ASSERT_TRUE(SetRemoteLibraryPath(remote / L"absent"));
  }
  SetSetting(L"WaitForRemoteSeconds", L"0");

  Process process(L"/silent");
  ASSERT_TRUE(process.Started()) << ShelfmateExe();
  // The balloon stays until the tray reports its time-out.
  EXPECT_EQ(process.WaitForExit(2000), -1);
  EXPECT_EQ(WaitForExitAsTheTrayEndsIt(process, kSyncEndsWithinMs), 4);
  EXPECT_EQ(ReadTestFile(local / L"Lamps\\lamp.ies"), "<missing>");
}

INSTANTIATE_TEST_SUITE_P(Settings, SilentProcessError,
                         ::testing::Values(ErrorCase{"NoFolders", false, false},
                                           ErrorCase{"NoRemoteFolder", true, false},
                                           ErrorCase{"RemoteFolderMissing", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// Where the tray never reports the time-out, as Wine's does not, the program
// ends by itself a minute after its final balloon.
TEST_F(SilentProcess, EndsByItselfWhenTheTrayNeverReportsTheTimeOut) {
  Process process(L"/silent");  // no folders: the error balloon at once
  ASSERT_TRUE(process.Started()) << ShelfmateExe();
  const DWORD start = ::GetTickCount();
  EXPECT_EQ(process.WaitForExit(90000), 4);
  EXPECT_GE(::GetTickCount() - start, 59000u);
}

}  // namespace
