// Times Shelfmate.exe's sync (silent and with its window) beside xcopy, all in one Wine session.
//
// Usage: shelfmate_bench_driver Shelfmate.exe bench-folder settings-file files
//   Shelfmate.exe  the program to time
//   bench-folder   an empty or missing folder for the trees (removed by the caller)
//   settings-file  the program's Shelfmate.ini, rewritten before each run
//   files          number of library files, at least 2
// Each measurement runs on a library of `files` files and on one of a single
// file; the difference gives the time per file without the start-up costs.
// Exits non-zero when a run fails or leaves the local tree incomplete.
//
// Usage: shelfmate_bench_driver --slow-share Shelfmate.exe bench-folder settings-file files
//                               made-root remote-root parallel_copier.exe latency-ms stats-file
//   made-root    a missing folder outside the share, where the library is made
//   remote-root  the same folder reached through the slow share (a drive letter)
//   latency-ms   the share's wait per operation, for the report
//   stats-file   the share's operation count, kept up to date by the share
// Times, on a library of `files` files in six folders, each into an empty
// folder under bench-folder: Shelfmate.exe /silent for a first sync and for
// one with nothing to copy, xcopy and xcopy /D the same, and parallel_copier
// on 1 and on 8 threads. Exits non-zero when a run fails or leaves its local
// copy incomplete.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <map>
#include <optional>
#include <random>
#include <string>

#include "window_search.h"
#include "tray_stand_in.h"
#include "platform/win32/unique_resource.h"

namespace {

using win32::UniqueFileHandle;
using win32::UniqueFindHandle;
using win32::UniqueHandle;

constexpr wchar_t kWindowClass[] = L"ShelfmateControl";
constexpr wchar_t kWindowTitle[] = L"Shelfmate";
constexpr wchar_t kVersionFile[] = L"library.version";
constexpr wchar_t kRemoteVersion[] = L"2.0.0.0";
constexpr wchar_t kQuestionTitle[] = L"Version Files Already in Sync";
// The program's own end of a silent run when the tray never reports the
// balloon's time-out; a silent run must end well before it.
constexpr double kFallbackEndSeconds = 60.0;

class Clock {
 public:
  Clock() {
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
  }
  double Seconds() const {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
  }

 private:
  LARGE_INTEGER frequency{}, start{};
};

void Fail(const std::wstring& text) {
  std::fflush(stdout);
  std::fwprintf(stderr, L"FAILED: %ls\n", text.c_str());
  std::fflush(stderr);
}

bool WriteBytes(const std::wstring& path, const void* bytes, DWORD size) {
  UniqueFileHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file && ::WriteFile(file.Get(), bytes, size, &written, nullptr) && written == size;
}

// A version file: UTF-16LE text without a byte-order mark.
bool WriteVersionFile(const std::wstring& folder, const std::wstring& version) {
  return WriteBytes(folder + L"\\" + kVersionFile, version.data(), static_cast<DWORD>(version.size() * 2));
}

std::wstring ReadVersionFile(const std::wstring& folder) {
  UniqueFileHandle file(::CreateFileW((folder + L"\\" + kVersionFile).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  wchar_t text[32] = {};
  DWORD read = 0;
  if (!file || !::ReadFile(file.Get(), text, sizeof text - sizeof(wchar_t), &read, nullptr)) return L"";
  return std::wstring(text, read / sizeof(wchar_t));
}

// The program's settings: both folders, no warning when its window is
// closed, and the copy threads the environment's SHELFMATE_BENCH_COPY_THREADS
// gives (bench/wine-sync-bench --copy-threads), where it gives any.
bool WriteSettings(const std::wstring& settingsFile, const std::wstring& local, const std::wstring& remote) {
  std::wstring text = L"[Directories]\r\nLocal=" + local + L"\r\nRemote=" + remote +
                      L"\r\n\r\n[Settings]\r\nShow Close Warning=0\r\n";
  wchar_t threads[8] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"SHELFMATE_BENCH_COPY_THREADS", threads, 8);
  if (length > 0 && length < 8) text += L"CopyThreads=" + std::wstring(threads) + L"\r\n";
  std::string bytes;
  for (wchar_t c : text) {
    if (c > 127) {  // the file is 8-bit text
      Fail(L"the settings can only hold plain ASCII paths: " + local + L", " + remote);
      return false;
    }
    bytes.push_back(static_cast<char>(c));
  }
  if (WriteBytes(settingsFile, bytes.data(), static_cast<DWORD>(bytes.size()))) return true;
  Fail(L"could not write " + settingsFile);
  return false;
}

struct Library {
  std::wstring root;
  long files = 0;                // data files, the version file not counted
  unsigned long long bytes = 0;  // of the data files
};

// About a hundred files per folder under four top folders, 200 to 4,000
// bytes each, and the version file at the top.
std::optional<Library> MakeLibrary(const std::wstring& root, long files) {
  const wchar_t* tops[] = {L"Lamps", L"Materials", L"Components", L"Geometry"};
  Library library{root, files, 0};
  if (!::CreateDirectoryW(root.c_str(), nullptr) || !WriteVersionFile(root, kRemoteVersion)) return std::nullopt;
  std::mt19937 random(12345);
  std::uniform_int_distribution<DWORD> size(200, 4000);
  std::string bytes(4000, 'x');
  std::wstring folder;
  for (long i = 0; i < files; ++i) {
    if (i % 100 == 0) {
      const long group = i / 100;
      const std::wstring top = root + L"\\" + tops[group % 4];
      folder = top + L"\\group" + std::to_wstring(group / 4);
      ::CreateDirectoryW(top.c_str(), nullptr);
      if (!::CreateDirectoryW(folder.c_str(), nullptr)) return std::nullopt;
    }
    for (int b = 0; b < 16; ++b) bytes[random() % bytes.size()] = static_cast<char>('a' + random() % 26);
    const DWORD length = size(random);
    if (!WriteBytes(folder + L"\\item" + std::to_wstring(i) + L".dat", bytes.data(), length)) return std::nullopt;
    library.bytes += length;
  }
  return library;
}

// Calls visit(path, entry) for every file below folder, at any depth.
template <typename Visit>
void ForEachFile(const std::wstring& folder, const Visit& visit) {
  WIN32_FIND_DATAW entry;
  UniqueFindHandle search(::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &entry,
                                             FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
  if (!search) return;
  do {
    const std::wstring path = folder + L"\\" + entry.cFileName;
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      visit(path, entry);
    else if (std::wcscmp(entry.cFileName, L".") != 0 && std::wcscmp(entry.cFileName, L"..") != 0)
      ForEachFile(path, visit);
  } while (::FindNextFileW(search.Get(), &entry));
}

struct TreeCount {
  long files = 0;
  unsigned long long bytes = 0;
};

void CountTree(const std::wstring& folder, TreeCount& count) {
  ForEachFile(folder, [&](const std::wstring&, const WIN32_FIND_DATAW& entry) {
    ++count.files;
    count.bytes += (static_cast<unsigned long long>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
  });
}

// True when local holds as many files and bytes as the library, version file
// included, and its version file reads as the remote one: no file missing,
// none left over (set-aside or partial copies), none cut short.
bool CheckCopy(const Library& library, const std::wstring& local, const std::wstring& what) {
  TreeCount count;
  CountTree(local, count);
  const long wantFiles = library.files + 1;
  const unsigned long long wantBytes = library.bytes + std::wcslen(kRemoteVersion) * sizeof(wchar_t);
  const std::wstring version = ReadVersionFile(local);
  if (count.files == wantFiles && count.bytes == wantBytes && version == kRemoteVersion) return true;
  Fail(what + L": " + local + L" holds " + std::to_wstring(count.files) + L" files of " +
       std::to_wstring(count.bytes) + L" bytes, version \"" + version + L"\"; expected " +
       std::to_wstring(wantFiles) + L" files of " + std::to_wstring(wantBytes) + L" bytes, version \"" +
       kRemoteVersion + L"\"");
  return false;
}

// Each data file's identity (its file index), by path. A file the program
// replaced has a new one, since a copy is written beside it and renamed over it.
using FileIds = std::map<std::wstring, ULONGLONG>;

void CollectFileIds(const std::wstring& folder, FileIds& ids) {
  ForEachFile(folder, [&](const std::wstring& path, const WIN32_FIND_DATAW& entry) {
    if (std::wcscmp(entry.cFileName, kVersionFile) == 0) return;
    UniqueFileHandle file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (file && ::GetFileInformationByHandle(file.Get(), &info))
      ids[path] = (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  });
}

FileIds FileIdsOf(const std::wstring& folder) {
  FileIds ids;
  CollectFileIds(folder, ids);
  return ids;
}

long ReplacedFiles(const FileIds& before, const FileIds& after) {
  long replaced = 0;
  for (const auto& [path, id] : before) {
    const auto found = after.find(path);
    if (found == after.end() || found->second != id) ++replaced;
  }
  return replaced;
}

struct Process {
  UniqueHandle handle;
  DWORD id = 0;
};

// Starts a program; its output goes to the file outputFile, or to NUL.
std::optional<Process> Start(std::wstring commandLine, const std::wstring& outputFile = L"NUL") {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  UniqueFileHandle nul(::CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                     OPEN_EXISTING, 0, nullptr));
  UniqueFileHandle output(::CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nul.Get();
  startup.hStdOutput = startup.hStdError = output.Get();
  PROCESS_INFORMATION info{};
  if (!nul || !output ||
      !::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) {
    Fail(L"could not start " + commandLine);
    return std::nullopt;
  }
  ::CloseHandle(info.hThread);
  Process process;
  process.handle.Reset(info.hProcess);
  process.id = info.dwProcessId;
  return process;
}

// The program's main window, shown or hidden, or null while it has none.
HWND MainWindowOf(const Process& process) { return driver::MainWindowOf(process.id); }

using driver::Button;

std::wstring TextOf(HWND window) {
  wchar_t text[64] = {};
  ::GetWindowTextW(window, text, 64);
  return text;
}

// A run's time limit: generous, only there so that a hung run ends the bench.
double LimitSeconds(long files) { return 60.0 + 0.1 * static_cast<double>(files); }

bool StopIfRunning(Process& process, const std::wstring& what) {
  if (::WaitForSingleObject(process.handle.Get(), 20000) == WAIT_OBJECT_0) return true;
  Fail(what + L": the program did not end; terminated");
  ::TerminateProcess(process.handle.Get(), 1);
  ::WaitForSingleObject(process.handle.Get(), 5000);
  return false;
}

// "Shelfmate.exe /silent", from its start to its exit. While it runs it is
// told every 50 ms that its balloon timed out, as a tray that reports the
// time-out would; before the sync has ended that changes nothing. A run
// still going after limitSeconds is closed and counts as failed. The
// program's exit code goes to exitCode when one is asked for.
std::optional<double> RunSilent(const std::wstring& exe, double limitSeconds, const std::wstring& what,
                                DWORD* exitCode = nullptr) {
  const Clock clock;
  std::optional<Process> process = Start(L"\"" + exe + L"\" /silent");
  if (!process) return std::nullopt;
  while (::WaitForSingleObject(process->handle.Get(), 50) == WAIT_TIMEOUT) {
    if (clock.Seconds() > limitSeconds) {
      Fail(what + L": still running after " + std::to_wstring(static_cast<long>(limitSeconds)) + L" s");
      if (HWND window = MainWindowOf(*process)) ::PostMessageW(window, WM_CLOSE, 0, 0);
      StopIfRunning(*process, what);
      return std::nullopt;
    }
    if (HWND window = MainWindowOf(*process)) driver::ReportBalloonTimeOut(window);
  }
  const double seconds = clock.Seconds();
  if (exitCode && !::GetExitCodeProcess(process->handle.Get(), exitCode)) {
    Fail(what + L": its exit code could not be read");
    return std::nullopt;
  }
  return seconds;
}

// Wine's xcopy (or the parallel copier, which reports as xcopy does), run to
// its end within limitSeconds; its exit code must be 0 and the number of
// files it says it copied must be `copied`.
std::optional<double> RunXcopy(const std::wstring& commandLine, const std::wstring& outputFile,
                               double limitSeconds, long copied, const std::wstring& what) {
  const Clock clock;
  std::optional<Process> process = Start(commandLine, outputFile);
  if (!process) return std::nullopt;
  const DWORD limit = static_cast<DWORD>(limitSeconds * 1000);
  if (::WaitForSingleObject(process->handle.Get(), limit) != WAIT_OBJECT_0) {
    Fail(what + L": still running after " + std::to_wstring(limit / 1000) + L" s; terminated");
    ::TerminateProcess(process->handle.Get(), 1);
    return std::nullopt;
  }
  const double seconds = clock.Seconds();
  DWORD code = 1;
  ::GetExitCodeProcess(process->handle.Get(), &code);
  if (code != 0) {
    Fail(what + L": exit code " + std::to_wstring(code));
    return std::nullopt;
  }
  // Its last line reads "<count> file(s) copied".
  char text[256] = {};
  DWORD read = 0;
  UniqueFileHandle output(::CreateFileW(outputFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (output) ::ReadFile(output.Get(), text, sizeof text - 1, &read, nullptr);
  if (read == 0 || std::strtol(text, nullptr, 10) != copied) {
    Fail(what + L": expected " + std::to_wstring(copied) + L" files copied; it said \"" +
         std::wstring(text, text + read) + L"\"");
    return std::nullopt;
  }
  return seconds;
}

// Clicks Sync in the shown window and times the run, from the click until
// the buttons, having read "Pause" or "Cancel", read "Sync" and "Close" again.
std::optional<double> ClickSync(const Process& process, HWND window, long files, const std::wstring& what) {
  HWND sync = Button(window, L"Sync");
  HWND close = Button(window, L"Close");
  if (!sync || !close) {
    Fail(what + L": no \"Sync\" and \"Close\" buttons in the window");
    return std::nullopt;
  }
  const Clock clock;
  ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(sync));
  bool running = false;
  for (unsigned poll = 0;; ++poll) {
    const std::wstring syncText = TextOf(sync), closeText = TextOf(close);
    if (syncText == L"Pause" || closeText == L"Cancel") running = true;
    if (running && syncText == L"Sync" && closeText == L"Close") return clock.Seconds();
    if (poll % 50 == 0) {
      if (HWND question = ::FindWindowW(nullptr, kQuestionTitle)) {
        Fail(what + L": the window asked \"" + kQuestionTitle + L"\" on a first sync");
        ::PostMessageW(question, WM_COMMAND, IDCANCEL, 0);
        return std::nullopt;
      }
      if (::WaitForSingleObject(process.handle.Get(), 0) == WAIT_OBJECT_0) {
        Fail(what + L": the program ended during the run");
        return std::nullopt;
      }
      // The buttons change at once on a click; a run never seen running is
      // a failure, not a zero time.
      if (!running && clock.Seconds() > 30) {
        Fail(what + L": the buttons never read \"Pause\" or \"Cancel\" after the click");
        return std::nullopt;
      }
      if (clock.Seconds() > LimitSeconds(files)) {
        Fail(what + L": the buttons did not read \"Sync\" and \"Close\" again within the time limit");
        return std::nullopt;
      }
    }
    ::Sleep(1);
  }
}

// "Shelfmate.exe" with its window: waits until it is ready, times a Sync
// click, then closes the window. Start-up and closing are not timed.
std::optional<double> RunWindow(const std::wstring& exe, long files, const std::wstring& what) {
  std::optional<Process> process = Start(L"\"" + exe + L"\"");
  if (!process) return std::nullopt;
  ::WaitForInputIdle(process->handle.Get(), 30000);
  HWND window = nullptr;
  for (int i = 0; i < 1500 && !window; ++i) {
    window = MainWindowOf(*process);
    if (window && (!::IsWindowVisible(window) || TextOf(window) != kWindowTitle || !Button(window, L"Sync")))
      window = nullptr;
    if (!window) ::Sleep(20);
  }
  std::optional<double> seconds;
  if (window) {
    ::Sleep(300);  // let the first paint settle
    seconds = ClickSync(*process, window, files, what);
  } else {
    Fail(what + L": the window with its \"Sync\" button did not appear");
  }
  if (window) ::PostMessageW(window, WM_CLOSE, 0, 0);
  if (!StopIfRunning(*process, what)) return std::nullopt;
  return seconds;
}

// The times of one library: each run's seconds, empty where it failed.
struct Times {
  std::optional<double> silentFirst, silentNoChange, xcopyFirst, xcopyNoChange, windowFirst;
};

bool MakeEmptyFolder(const std::wstring& folder) {
  if (::CreateDirectoryW(folder.c_str(), nullptr)) return true;
  Fail(L"could not create " + folder);
  return false;
}

Times Measure(const std::wstring& exe, const std::wstring& settingsFile, const Library& library,
              const std::wstring& work) {
  Times times;
  const long files = library.files;
  const std::wstring label = std::to_wstring(files) + (files == 1 ? L" file" : L" files");
  auto checked = [&](std::optional<double> seconds, const std::wstring& local, const std::wstring& what) {
    if (seconds && !CheckCopy(library, local, what + L" (" + label + L")")) seconds.reset();
    return seconds;
  };
  if (!MakeEmptyFolder(work)) return times;

  // Silent: a first sync into an empty folder (no local version file, so
  // the local copy is behind), then one with every file up to date; an
  // older local version file makes that run sync rather than end at once.
  const std::wstring silentLocal = work + L"\\silent";
  if (MakeEmptyFolder(silentLocal) && WriteSettings(settingsFile, silentLocal, library.root)) {
    times.silentFirst =
        checked(RunSilent(exe, LimitSeconds(files), L"silent first sync"), silentLocal, L"silent first sync");
    if (times.silentFirst && !WriteVersionFile(silentLocal, L"1.0.0.0"))
      Fail(L"could not write an older version file into " + silentLocal);
    if (times.silentFirst && ReadVersionFile(silentLocal) == L"1.0.0.0") {
      const FileIds before = FileIdsOf(silentLocal);
      times.silentNoChange = checked(RunSilent(exe, LimitSeconds(files), L"silent no-change sync"), silentLocal,
                                     L"silent no-change sync");
      const long replaced = times.silentNoChange ? ReplacedFiles(before, FileIdsOf(silentLocal)) : 0;
      if (replaced != 0) {
        Fail(L"silent no-change sync (" + label + L"): " + std::to_wstring(replaced) +
             L" up-to-date files were copied again");
        times.silentNoChange.reset();
      }
    }
  }

  const std::wstring xcopyLocal = work + L"\\xcopy";
  const std::wstring xcopy = L"xcopy.exe \"" + library.root + L"\" \"" + xcopyLocal + L"\" /S /E /I /Y /Q";
  const std::wstring xcopyOutput = work + L"\\xcopy-output.txt";
  times.xcopyFirst =
      checked(RunXcopy(xcopy, xcopyOutput, LimitSeconds(files), files + 1, L"xcopy"), xcopyLocal, L"xcopy");
  if (times.xcopyFirst)
    times.xcopyNoChange = checked(RunXcopy(xcopy + L" /D", xcopyOutput, LimitSeconds(files), 0, L"xcopy /D"),
                                  xcopyLocal, L"xcopy /D");

  const std::wstring windowLocal = work + L"\\window";
  if (MakeEmptyFolder(windowLocal) && WriteSettings(settingsFile, windowLocal, library.root))
    times.windowFirst = checked(RunWindow(exe, files, L"window first sync"), windowLocal, L"window first sync");
  return times;
}

// A figure with its unit, right-aligned in width characters; "failed" where there is none.
std::wstring Cell(const std::optional<double>& value, int width, int decimals, const wchar_t* unit = L"") {
  wchar_t text[64];
  if (value)
    std::swprintf(text, 64, L"%*.*f%ls", width - static_cast<int>(std::wcslen(unit)), decimals, *value, unit);
  else
    std::swprintf(text, 64, L"%*ls", width, L"failed");
  return text;
}

std::optional<double> PerFileMs(const std::optional<double>& many, const std::optional<double>& one, long files) {
  if (!many || !one) return std::nullopt;
  return (*many - *one) * 1000.0 / static_cast<double>(files - 1);
}

std::optional<double> Ratio(const std::optional<double>& a, const std::optional<double>& b) {
  if (!a || !b || *b <= 0) return std::nullopt;
  return *a / *b;
}

void Report(long files, const Library& library, const Times& many, const Times& one) {
  const long folders = (files + 99) / 100;
  std::wprintf(L"\n%ld files of 200 to 4,000 bytes (%.1f MB) in %ld folder%ls; each run also on a 1-file library.\n",
               files, static_cast<double>(library.bytes) / 1e6, folders, folders == 1 ? L"" : L"s");
  std::wprintf(L"Time per file = (%ld-file time - 1-file time) / %ld.\n\n", files, files - 1);
  std::wprintf(L"%-44ls %12ls %10ls %12ls\n", L"", (std::to_wstring(files) + L" files").c_str(), L"1 file",
               L"per file");
  struct Row {
    const wchar_t* name;
    std::optional<double> Times::*time;
  };
  const Row rows[] = {
      {L"Shelfmate /silent, first sync", &Times::silentFirst},
      {L"Shelfmate /silent, nothing changed", &Times::silentNoChange},
      {L"xcopy /S /E /I /Y /Q, into an empty folder", &Times::xcopyFirst},
      {L"xcopy ... /D, nothing changed", &Times::xcopyNoChange},
      {L"Shelfmate window, Sync clicked, first sync", &Times::windowFirst},
  };
  for (const Row& row : rows)
    std::wprintf(L"%-44ls %12ls %10ls %12ls\n", row.name, Cell(many.*row.time, 12, 3, L" s").c_str(),
                 Cell(one.*row.time, 10, 3, L" s").c_str(),
                 Cell(PerFileMs(many.*row.time, one.*row.time, files), 12, 3, L" ms").c_str());

  auto perFile = [&](std::optional<double> Times::*time) { return PerFileMs(many.*time, one.*time, files); };
  std::wprintf(L"\nRatios of the times per file:\n");
  std::wprintf(L"  %-50ls %8ls\n", L"Shelfmate /silent first sync / xcopy",
               Cell(Ratio(perFile(&Times::silentFirst), perFile(&Times::xcopyFirst)), 8, 2).c_str());
  std::wprintf(L"  %-50ls %8ls\n", L"Shelfmate /silent nothing changed / xcopy /D",
               Cell(Ratio(perFile(&Times::silentNoChange), perFile(&Times::xcopyNoChange)), 8, 2).c_str());
  std::wprintf(L"  %-50ls %8ls\n", L"Shelfmate window first sync / /silent first sync",
               Cell(Ratio(perFile(&Times::windowFirst), perFile(&Times::silentFirst)), 8, 2).c_str());
  std::wprintf(L"\nxcopy is Wine's xcopy.exe, started with CreateProcess. Silent runs are timed from\n"
               L"CreateProcess to the process's end; the window run from the Sync click to the end\n"
               L"of the run as its buttons show it.\n");
}

bool Complete(const Times& times) {
  return times.silentFirst && times.silentNoChange && times.xcopyFirst && times.xcopyNoChange && times.windowFirst;
}

// The slow share (bench/wine-sync-bench --slow-share): the library lies on a
// share that waits a latency before each file-system operation, reached as a
// drive letter, and every run copies it into an empty local folder.

// The share keeps names and attributes this long (the script mounts it so);
// each run starts that long after the share served its last operation, so
// that it finds nothing of the share cached.
constexpr double kShareCacheSeconds = 1.0;
constexpr long kCopierThreads = 8;

struct ShareBench {
  std::wstring exe, bench, settingsFile;
  std::wstring madeRoot;   // where the library is made, outside the share
  std::wstring remoteRoot;  // the same folder reached through the share
  std::wstring copier, statsFile;
  long files = 0, latencyMs = 0;
};

// A run's time limit on the share: generous, only there so that a hung run
// ends the bench.
double ShareLimitSeconds(const ShareBench& share) {
  return 60.0 + static_cast<double>(share.files) * (0.1 + 0.05 * static_cast<double>(share.latencyMs));
}

// Six folders straight under the root holding a sixth of the files each,
// 500 to 4,000 bytes a file, and the version file at the top. The library is
// made at madeRoot and timed at remoteRoot, the same folder through the share.
std::optional<Library> MakeShareLibrary(const std::wstring& madeRoot, const std::wstring& remoteRoot, long files) {
  const wchar_t* folders[] = {L"Lamps", L"Materials", L"Components", L"Geometry", L"Photometry", L"Textures"};
  constexpr long kFolders = sizeof folders / sizeof folders[0];
  Library library{remoteRoot, files, 0};
  if (!::CreateDirectoryW(madeRoot.c_str(), nullptr) || !WriteVersionFile(madeRoot, kRemoteVersion))
    return std::nullopt;
  for (const wchar_t* folder : folders)
    if (!::CreateDirectoryW((madeRoot + L"\\" + folder).c_str(), nullptr)) return std::nullopt;
  std::mt19937 random(54321);
  std::uniform_int_distribution<DWORD> size(500, 4000);
  std::string bytes(4000, 'x');
  for (long i = 0; i < files; ++i) {
    const wchar_t* folder = folders[static_cast<long long>(i) * kFolders / files];
    for (int b = 0; b < 16; ++b) bytes[random() % bytes.size()] = static_cast<char>('a' + random() % 26);
    const DWORD length = size(random);
    if (!WriteBytes(madeRoot + L"\\" + folder + L"\\item" + std::to_wstring(i) + L".dat", bytes.data(), length))
      return std::nullopt;
    library.bytes += length;
  }
  return library;
}

// The operations the share has served so far, from the first line of its
// statistics file ("operations N"); none when it cannot be read.
std::optional<unsigned long long> ShareOperations(const std::wstring& statsFile) {
  UniqueFileHandle file(::CreateFileW(statsFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  char text[64] = {};
  DWORD read = 0;
  if (!file || !::ReadFile(file.Get(), text, sizeof text - 1, &read, nullptr)) return std::nullopt;
  constexpr char kKey[] = "operations ";
  if (std::strncmp(text, kKey, sizeof kKey - 1) != 0) return std::nullopt;
  char* end = nullptr;
  const unsigned long long count = std::strtoull(text + sizeof kKey - 1, &end, 10);
  if (end == text + sizeof kKey - 1 || *end != '\n') return std::nullopt;
  return count;
}

// Waits until the share has served the last operations of a run (the
// closes of a program's files reach it after the program has ended) and
// what it kept cached has expired; returns its operation count then.
std::optional<unsigned long long> SettleShare(const std::wstring& statsFile) {
  std::optional<unsigned long long> count = ShareOperations(statsFile);
  for (int i = 0; i < 40; ++i) {  // the file is rewritten every 100 ms while the count changes
    ::Sleep(250);
    const std::optional<unsigned long long> now = ShareOperations(statsFile);
    if (now == count) break;
    count = now;
  }
  ::Sleep(static_cast<DWORD>(kShareCacheSeconds * 1000) + 250);
  return ShareOperations(statsFile);
}

struct ShareRun {
  std::optional<double> seconds;                // empty where the run failed
  std::optional<unsigned long long> operations;  // share operations during the run, where known
};

// Times one run on a settled share, counting the share operations it caused.
template <typename Run>
ShareRun TimeOnShare(const ShareBench& share, const Run& run) {
  ShareRun result;
  const std::optional<unsigned long long> before = SettleShare(share.statsFile);
  result.seconds = run();
  const std::optional<unsigned long long> after = SettleShare(share.statsFile);
  if (before && after && *after >= *before) result.operations = *after - *before;
  return result;
}

struct ShareTimes {
  ShareRun silentFirst, silentNoChange, xcopyFirst, xcopyNoChange, copierOne, copierMany;
};

ShareTimes MeasureShare(const ShareBench& share, const Library& library) {
  ShareTimes times;
  const double limit = ShareLimitSeconds(share);
  auto checked = [&](std::optional<double> seconds, const std::wstring& local, const std::wstring& what) {
    if (seconds && !CheckCopy(library, local, what)) seconds.reset();
    return seconds;
  };
  // A silent run must also end with exit code 0: the library is current.
  auto silent = [&](const std::wstring& local, const std::wstring& what) {
    DWORD code = 0;
    std::optional<double> seconds = RunSilent(share.exe, limit, what, &code);
    if (seconds && code != 0) {
      Fail(what + L": Shelfmate.exe ended with exit code " + std::to_wstring(code) + L", not 0");
      seconds.reset();
    }
    return checked(seconds, local, what);
  };

  // Shelfmate: a first sync into an empty folder, then one with every file
  // up to date; an older local version file makes that run sync rather than
  // end at once.
  const std::wstring silentLocal = share.bench + L"\\shelfmate";
  if (MakeEmptyFolder(silentLocal) && WriteSettings(share.settingsFile, silentLocal, library.root)) {
    times.silentFirst = TimeOnShare(share, [&] { return silent(silentLocal, L"silent first sync"); });
    if (times.silentFirst.seconds && !WriteVersionFile(silentLocal, L"1.0.0.0"))
      Fail(L"could not write an older version file into " + silentLocal);
    if (times.silentFirst.seconds && ReadVersionFile(silentLocal) == L"1.0.0.0") {
      const FileIds before = FileIdsOf(silentLocal);
      times.silentNoChange = TimeOnShare(share, [&] { return silent(silentLocal, L"silent no-change sync"); });
      const long replaced = times.silentNoChange.seconds ? ReplacedFiles(before, FileIdsOf(silentLocal)) : 0;
      if (replaced != 0) {
        Fail(L"silent no-change sync: " + std::to_wstring(replaced) + L" up-to-date files were copied again");
        times.silentNoChange.seconds.reset();
      }
    }
  }

  const std::wstring output = share.bench + L"\\copy-output.txt";
  const std::wstring xcopyLocal = share.bench + L"\\xcopy";
  const std::wstring xcopy = L"xcopy.exe \"" + library.root + L"\" \"" + xcopyLocal + L"\" /S /E /I /Y /Q";
  times.xcopyFirst = TimeOnShare(share, [&] {
    return checked(RunXcopy(xcopy, output, limit, library.files + 1, L"xcopy"), xcopyLocal, L"xcopy");
  });
  if (times.xcopyFirst.seconds)
    times.xcopyNoChange = TimeOnShare(share, [&] {
      return checked(RunXcopy(xcopy + L" /D", output, limit, 0, L"xcopy /D"), xcopyLocal, L"xcopy /D");
    });

  auto copier = [&](long threads) {
    const std::wstring local = share.bench + L"\\copier-" + std::to_wstring(threads);
    const std::wstring what = L"parallel_copier on " + std::to_wstring(threads) + L" thread(s)";
    const std::wstring command = L"\"" + share.copier + L"\" \"" + library.root + L"\" \"" + local + L"\" " +
                                 std::to_wstring(threads);
    if (!MakeEmptyFolder(local)) return ShareRun{};
    return TimeOnShare(share,
                       [&] { return checked(RunXcopy(command, output, limit, library.files + 1, what), local, what); });
  };
  times.copierOne = copier(1);
  times.copierMany = copier(kCopierThreads);
  return times;
}

void ReportShare(const ShareBench& share, const Library& library, const ShareTimes& times) {
  std::wprintf(L"\nSlow share: %ld files of 500 to 4,000 bytes (%.2f MB) in 6 folders, at %ls, %ld ms per share "
               L"operation.\nEach run copies into an empty folder under %ls; the no-change runs go over the copy "
               L"made before them.\n\n",
               library.files, static_cast<double>(library.bytes) / 1e6, library.root.c_str(), share.latencyMs,
               share.bench.c_str());
  std::wprintf(L"%-46ls %10ls %12ls %12ls %10ls\n", L"run", L"seconds", L"ms per file", L"share ops",
               L"per file");
  struct Row {
    std::wstring name;
    const ShareRun& run;
  };
  const Row rows[] = {
      {L"Shelfmate /silent, first sync", times.silentFirst},
      {L"Shelfmate /silent, nothing changed", times.silentNoChange},
      {L"xcopy /S /E /I /Y /Q, into an empty folder", times.xcopyFirst},
      {L"xcopy ... /D, nothing changed", times.xcopyNoChange},
      {L"parallel_copier, CopyFileW on 1 thread", times.copierOne},
      {L"parallel_copier, CopyFileW on " + std::to_wstring(kCopierThreads) + L" threads", times.copierMany},
  };
  const double files = static_cast<double>(library.files);
  for (const Row& row : rows) {
    const std::optional<double> perFile =
        row.run.seconds ? std::optional<double>(*row.run.seconds * 1000.0 / files) : std::nullopt;
    std::optional<double> operations, operationsPerFile;
    if (row.run.seconds && row.run.operations) {
      operations = static_cast<double>(*row.run.operations);
      operationsPerFile = *operations / files;
    }
    std::wprintf(L"%-46ls %10ls %12ls %12ls %10ls\n", row.name.c_str(), Cell(row.run.seconds, 10, 2).c_str(),
                 Cell(perFile, 12, 1).c_str(), Cell(operations, 12, 0).c_str(),
                 Cell(operationsPerFile, 10, 1).c_str());
  }

  std::wprintf(L"\nRatios of the times:\n");
  const std::wstring many = std::to_wstring(kCopierThreads) + L" threads";
  struct RatioRow {
    std::wstring name;
    const ShareRun &a, &b;
  };
  const RatioRow ratios[] = {
      {L"Shelfmate first sync / xcopy", times.silentFirst, times.xcopyFirst},
      {L"Shelfmate first sync / CopyFileW on " + many, times.silentFirst, times.copierMany},
      {L"Shelfmate nothing changed / xcopy /D", times.silentNoChange, times.xcopyNoChange},
      {L"Shelfmate first sync / CopyFileW on 1 thread", times.silentFirst, times.copierOne},
      {L"CopyFileW on 1 thread / on " + many, times.copierOne, times.copierMany},
  };
  for (const RatioRow& row : ratios)
    std::wprintf(L"  %-50ls %8ls\n", row.name.c_str(), Cell(Ratio(row.a.seconds, row.b.seconds), 8, 2).c_str());
  std::wprintf(L"\nEach run is timed from CreateProcess to the process's end, start-up included. Its share\n"
               L"operations are those the share served from its start until the share was quiet after it;\n"
               L"the system answers some calls from what it keeps of the share for %.0f s.\n",
               kShareCacheSeconds);
}

bool Complete(const ShareTimes& times) {
  for (const ShareRun* run : {&times.silentFirst, &times.silentNoChange, &times.xcopyFirst, &times.xcopyNoChange,
                              &times.copierOne, &times.copierMany})
    if (!run->seconds) return false;
  return true;
}

// shelfmate_bench_driver --slow-share Shelfmate.exe bench-folder settings-file
//   files made-root remote-root parallel_copier.exe latency-ms stats-file
int ShareMain(int argc, wchar_t** argv) {
  if (argc != 11) {
    std::fwprintf(stderr,
                  L"usage: shelfmate_bench_driver --slow-share Shelfmate.exe bench-folder settings-file files "
                  L"made-root remote-root parallel_copier.exe latency-ms stats-file\n");
    return 2;
  }
  ShareBench share;
  share.exe = argv[2];
  share.bench = argv[3];
  share.settingsFile = argv[4];
  share.files = std::wcstol(argv[5], nullptr, 10);
  share.madeRoot = argv[6];
  share.remoteRoot = argv[7];
  share.copier = argv[8];
  share.latencyMs = std::wcstol(argv[9], nullptr, 10);
  share.statsFile = argv[10];
  if (share.files < 1 || share.latencyMs < 0) {
    std::fwprintf(stderr, L"shelfmate_bench_driver: at least 1 file and a latency of 0 ms or more\n");
    return 2;
  }
  if (::FindWindowW(kWindowClass, nullptr)) {
    Fail(L"a Shelfmate window is open already; close it first");
    return 1;
  }
  if (!::CreateDirectoryW(share.bench.c_str(), nullptr)) {
    Fail(L"could not create " + share.bench + L" (it must not exist)");
    return 1;
  }
  std::wprintf(L"Making the library at %ls...\n", share.madeRoot.c_str());
  std::fflush(stdout);
  const std::optional<Library> library = MakeShareLibrary(share.madeRoot, share.remoteRoot, share.files);
  if (!library) {
    Fail(L"could not make the library at " + share.madeRoot + L" (it must not exist)");
    return 1;
  }
  if (ReadVersionFile(share.remoteRoot) != kRemoteVersion) {
    Fail(L"the library made at " + share.madeRoot + L" does not show through the share at " + share.remoteRoot);
    return 1;
  }
  if (!ShareOperations(share.statsFile)) {
    Fail(L"cannot read the share's operation count in " + share.statsFile);
    return 1;
  }
  std::wprintf(L"Timing the runs on %ls...\n", share.remoteRoot.c_str());
  std::fflush(stdout);
  const ShareTimes times = MeasureShare(share, *library);
  ReportShare(share, *library, times);
  std::fflush(stdout);
  return Complete(times) ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 2 && std::wcscmp(argv[1], L"--slow-share") == 0) return ShareMain(argc, argv);
  if (argc != 5) {
    std::fwprintf(stderr, L"usage: shelfmate_bench_driver Shelfmate.exe bench-folder settings-file files\n");
    return 2;
  }
  const std::wstring exe = argv[1], bench = argv[2], settingsFile = argv[3];
  const long files = std::wcstol(argv[4], nullptr, 10);
  if (files < 2) {
    std::fwprintf(stderr, L"shelfmate_bench_driver: the number of files must be at least 2\n");
    return 2;
  }
  if (::FindWindowW(kWindowClass, nullptr)) {
    Fail(L"a Shelfmate window is open already; close it first");
    return 1;
  }
  if (!::CreateDirectoryW(bench.c_str(), nullptr)) {
    Fail(L"could not create " + bench + L" (it must not exist)");
    return 1;
  }

  std::wprintf(L"Making the libraries under %ls...\n", bench.c_str());
  std::fflush(stdout);
  const std::optional<Library> many = MakeLibrary(bench + L"\\remote", files);
  const std::optional<Library> one = MakeLibrary(bench + L"\\remote-one", 1);
  if (!many || !one) {
    Fail(L"could not make the libraries under " + bench);
    return 1;
  }
  std::wprintf(L"Timing the %ld-file library...\n", files);
  std::fflush(stdout);
  const Times manyTimes = Measure(exe, settingsFile, *many, bench + L"\\many");
  std::wprintf(L"Timing the 1-file library...\n");
  std::fflush(stdout);
  const Times oneTimes = Measure(exe, settingsFile, *one, bench + L"\\one");
  Report(files, *many, manyTimes, oneTimes);

  bool ok = Complete(manyTimes) && Complete(oneTimes);
  if (oneTimes.silentFirst && *oneTimes.silentFirst >= kFallbackEndSeconds) {
    Fail(L"the 1-file silent run took " + std::to_wstring(*oneTimes.silentFirst) +
         L" s: it ended by the program's own fallback timer, not by the balloon time-outs posted to it");
    ok = false;
  }
  std::fflush(stdout);
  return ok ? 0 : 1;
}
