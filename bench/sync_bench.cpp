// Times sync runs on a generated library beside rsync and a bare system-call loop.
//
// Usage: sync_bench [files] [work-folder] [copy-threads]
//   files         number of library files (default 100000)
//   work-folder   where the trees are built (default: the system's temp folder)
//   copy-threads  copies made side by side, as the CopyThreads setting
//                 (default: the program's own default)
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/posix/fault_injection.h"
#include "sync/sync_job.h"

namespace fs = std::filesystem;
using platform::faults::Call;

namespace {

std::wstring ProgramPath(const fs::path& native) {
  std::wstring text = L"C:" + native.wstring();
  for (wchar_t& c : text)
    if (c == L'/') c = L'\\';
  return text;
}

// Four top folders like a real library, about a hundred files per folder.
void BuildLibrary(const fs::path& root, long files) {
  const char* tops[] = {"Lamps", "Materials", "Components", "Geometry"};
  const long folders = std::max(4L, files / 100);
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> size(200, 4000);
  std::string bytes(4000, 'x');
  for (long i = 0; i < files; ++i) {
    const long folder = i % folders;
    const fs::path dir = root / tops[folder % 4] / ("group" + std::to_string(folder / 4));
    if (i < folders) fs::create_directories(dir);
    for (int b = 0; b < 16; ++b) bytes[random() % bytes.size()] = static_cast<char>('a' + random() % 26);
    std::ofstream(dir / ("item" + std::to_string(i) + ".dat"), std::ios::binary)
        .write(bytes.data(), size(random));
  }
}

// The time a piece of work takes. The disk's writes still pending from what
// ran before (the library's generation, the run before) are made first, so
// that no run pays for another's.
double Seconds(const std::function<void()>& work) {
  ::sync();
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long PeakMemoryKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}

// The bare loop: per file the two time reads, and for a copy the set-aside
// rename, the copy with the source's time, and the backup's deletion at the end.
struct BareLoop {
  std::vector<std::string> relative;

  void List(const std::string& root, const std::string& below) {
    DIR* dir = ::opendir((root + below).c_str());
    if (!dir) return;
    std::vector<std::string> folders;
    while (const dirent* item = ::readdir(dir)) {
      const std::string name = item->d_name;
      if (name == "." || name == "..") continue;
      if (item->d_type == DT_DIR)
        folders.push_back(below + "/" + name);
      else
        relative.push_back(below + "/" + name);
    }
    ::closedir(dir);
    for (const std::string& folder : folders) List(root, folder);
  }

  static bool Copy(const std::string& from, const std::string& to, const struct stat& info) {
    const int in = ::open(from.c_str(), O_RDONLY);
    if (in < 0) return false;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    char buffer[65536];
    ssize_t got;
    while (out >= 0 && (got = ::read(in, buffer, sizeof buffer)) > 0)
      if (::write(out, buffer, static_cast<size_t>(got)) != got) break;
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    const bool ok = out >= 0 && ::futimens(out, times) == 0;
    ::close(in);
    if (out >= 0) ::close(out);
    return ok;
  }

  void Run(const std::string& remote, const std::string& local, bool force) {
    relative.clear();
    List(remote, "");
    std::vector<std::string> backups;
    std::string lastFolder;
    for (const std::string& r : relative) {
      const std::string source = remote + r, destination = local + r;
      const std::string folder = destination.substr(0, destination.rfind('/'));
      if (folder != lastFolder) {
        fs::create_directories(folder);
        lastFolder = folder;
      }
      struct stat from {}, to {};
      if (::stat(source.c_str(), &from) != 0) continue;
      const bool present = ::stat(destination.c_str(), &to) == 0;
      const bool newer = !present || from.st_mtim.tv_sec > to.st_mtim.tv_sec ||
                         (from.st_mtim.tv_sec == to.st_mtim.tv_sec && from.st_mtim.tv_nsec > to.st_mtim.tv_nsec);
      if (!force && !newer) continue;
      if (present) {
        ::rename(destination.c_str(), (destination + ".bak").c_str());
        backups.push_back(destination + ".bak");
      }
      Copy(source, destination, from);
    }
    for (const std::string& backup : backups) ::unlink(backup.c_str());
  }
};

// Round trips to the remote tree per file during one run, as the seam counts
// them for a tree on a network share: one per call, a folder search one more
// per 100 entries it delivers. Local calls do not count.
double RemoteCallsPerFile(long files) {
  return static_cast<double>(platform::faults::TreeCallCount()) / static_cast<double>(files);
}

}  // namespace

int main(int argc, char** argv) {
  const long files = argc > 1 ? std::atol(argv[1]) : 100000;
  const fs::path work = (argc > 2 ? fs::path(argv[2]) : fs::temp_directory_path()) /
                        ("shelfmate-bench-" + std::to_string(::getpid()));
  const long threads = argc > 3 ? std::atol(argv[3]) : static_cast<long>(kDefaultCopyThreads);
  if (files <= 0 || threads < 1 || threads > static_cast<long>(kMostCopyThreads)) {
    std::fprintf(stderr, "usage: sync_bench [files] [work-folder] [copy-threads]\n");
    return 2;
  }
  const fs::path remote = work / "remote", local = work / "local", rsynced = work / "rsync", bare = work / "bare";
  std::printf("building %ld files under %s; %ld copy thread(s)\n", files, work.c_str(), threads);
  BuildLibrary(remote, files);

  SyncJob job;
  job.copyThreads = static_cast<unsigned>(threads);
  const auto sync = [&](bool force) {
    platform::faults::Reset();
    platform::faults::CountTreeCalls(ProgramPath(remote));
    job.Run(ProgramPath(remote), ProgramPath(local), force);
  };
  const auto rsync = [&](const char* options) {
    const std::string command = std::string("rsync ") + options + " '" + remote.string() + "/' '" +
                                rsynced.string() + "/'";
    if (std::system(command.c_str()) != 0) std::fprintf(stderr, "rsync failed: %s\n", command.c_str());
  };
  BareLoop loop;

  struct Row {
    const char* name;
    double shelfmate, rsync, bare, remoteCalls;
  } rows[3] = {{"first sync", 0, 0, 0, 0}, {"no change", 0, 0, 0, 0}, {"forced", 0, 0, 0, 0}};
  const bool force[3] = {false, false, true};
  const char* rsyncOptions[3] = {"-a --update", "-a --update", "-a --ignore-times"};
  for (int i = 0; i < 3; ++i) {
    rows[i].shelfmate = Seconds([&] { sync(force[i]); });
    rows[i].remoteCalls = RemoteCallsPerFile(files);
  }
  const long peakKiB = PeakMemoryKiB();
  for (int i = 0; i < 3; ++i) {
    rows[i].rsync = Seconds([&] { rsync(rsyncOptions[i]); });
    rows[i].bare = Seconds([&] { loop.Run(remote.string(), bare.string(), force[i]); });
  }

  std::printf("%-11s %10s %10s %10s %9s %9s %13s\n", "run", "shelfmate", "rsync", "bare loop", "/rsync",
              "/bare", "remote calls");
  for (const Row& row : rows)
    std::printf("%-11s %9.3fs %9.3fs %9.3fs %8.2fx %8.2fx %8.3f/file\n", row.name, row.shelfmate, row.rsync,
                row.bare, row.shelfmate / row.rsync, row.shelfmate / row.bare, row.remoteCalls);
  std::printf("peak memory after the three syncs: %.1f MB (the generator and the process included)\n",
              peakKiB / 1024.0);
  std::printf("targets: times <= rsync's; remote calls per file <= 0.05 with no change, <= 1.05 for a first "
              "sync; peak < 100 MB at 100,000 files\n");
  std::error_code ignored;
  fs::remove_all(work, ignored);
  return 0;
}
