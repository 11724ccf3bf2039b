// The file-system seam on POSIX, behaving as the program's Windows file rules
// expect: rename that refuses an existing target, read-only files that refuse
// to be replaced or deleted, copies that keep the source's last-write time,
// folder listings in the case-blind name order of NTFS, and Windows' limits on
// the length of a path in its usual form. It refuses a doubled backslash
// anywhere but at the start of a UNC name: Windows makes such a run one,
// but Wine takes one right after a share name for an invalid name.
#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "platform/path_form.h"
#include "platform/posix/fault_injection.h"
#include "platform/posix/name_stand_ins.h"
#include "platform/posix/native_path.h"

namespace platform {
namespace {

using faults::Call;
using faults::NoteTreeCalls;
using faults::ShouldFail;

// The Windows error nearest to a POSIX one.
std::uint32_t WindowsErrorFor(int error) {
  switch (error) {
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return kErrorAccessDenied;
    case EBUSY:
    case ETXTBSY:
      return kErrorSharingViolation;
    case EEXIST:
    case ENOTEMPTY:
      return kErrorFileExists;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case ENETDOWN:
    case ENETUNREACH:
    case ECONNRESET:
    case ECONNABORTED:
    case ETIMEDOUT:
    case EHOSTDOWN:
    case EHOSTUNREACH:
      return kErrorNetNameDeleted;
    default:
      return kErrorGeneralFailure;
  }
}

// Keeps the reason of the call that just failed; always false.
bool Failed(std::uint32_t code) {
  faults::KeepFailure(code);
  return false;
}

bool FailedWithErrno() { return Failed(WindowsErrorFor(errno)); }

// Closes a POSIX descriptor on scope exit.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd(fd) {}
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd; }
  bool Valid() const { return fd >= 0; }

 private:
  int fd;
};

// A path Windows refuses for its length.
bool PastThePathLimit(const std::wstring& path, size_t limit = kShortPathLimit) {
  return path.size() >= limit && !IsLongForm(path);
}

bool HasDoubledBackslash(const std::wstring& path) { return path.find(L"\\\\", 1) != std::wstring::npos; }

// The native path of a program path; a path past the limit, or one with a
// doubled backslash, gives the empty path, which every call refuses too.
std::string NativePath(const std::wstring& path) {
  if (PastThePathLimit(path) || HasDoubledBackslash(path)) return std::string();
  return faults::ResolveCaseBlind(posix::NativePath(path));
}

bool IsReadOnly(const struct stat& info) { return (info.st_mode & S_IWUSR) == 0; }

// True when something exists at the path and it is a read-only file or a folder,
// that is, something Windows would refuse to overwrite with a file.
bool RefusesReplacement(const std::string& native) {
  struct stat info {};
  if (::stat(native.c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode) || IsReadOnly(info);
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

// Reads to the end of the file. With its size known, a read that fills it
// ends the reading (a file that grew meanwhile then comes short of its new
// size, as a copy whose size no longer matches).
bool ReadAll(int fd, std::string& bytes, size_t knownSize = static_cast<size_t>(-1)) {
  bytes.clear();
  char chunk[65536];
  while (bytes.size() < knownSize) {
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return true;
    bytes.append(chunk, static_cast<size_t>(got));
  }
  return true;
}

FileTime TimeOf(const struct stat& info) {
  return static_cast<FileTime>(info.st_mtim.tv_sec) * 1000000000ull + static_cast<FileTime>(info.st_mtim.tv_nsec);
}

wchar_t FoldCase(wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

bool CaseBlindLess(const std::wstring& a, const std::wstring& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](wchar_t x, wchar_t y) { return FoldCase(x) < FoldCase(y); });
}

// Windows wildcard match, case-blind: '*' any run, '?' any one character.
// "*.*" matches every name, as on Windows.
bool WildcardMatch(const std::wstring& pattern, const std::wstring& name) {
  if (pattern == L"*.*" || pattern == L"*") return true;
  size_t p = 0, n = 0, starP = std::wstring::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::wstring::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

}  // namespace

std::uint32_t LastFailure() { return faults::KeptFailure(); }

// Windows' own texts for the codes the seam gives here.
std::wstring ErrorText(std::uint32_t code) {
  switch (code) {
    case kErrorFileNotFound:
      return L"The system cannot find the file specified.";
    case kErrorPathNotFound:
      return L"The system cannot find the path specified.";
    case kErrorAccessDenied:
      return L"Access is denied.";
    case kErrorGeneralFailure:
      return L"A device attached to the system is not functioning.";
    case kErrorSharingViolation:
      return L"The process cannot access the file because it is being used by another process.";
    case kErrorBadNetPath:
      return L"The network path was not found.";
    case kErrorNetNameDeleted:
      return L"The specified network name is no longer available.";
    case kErrorFileExists:
      return L"The file exists.";
    case kErrorDiskFull:
      return L"There is not enough space on the disk.";
    default:
      return L"Error " + std::to_wstring(code);
  }
}

bool PathExists(const std::wstring& path) {
  NoteTreeCalls(path);
  if (ShouldFail(Call::PathExists)) return false;
  return ::access(NativePath(path).c_str(), F_OK) == 0 || FailedWithErrno();
}

bool PathExistsNarrow(const std::string& path) {
  if (ShouldFail(Call::PathExists)) return false;
  return ::access(posix::NativePathNarrow(path).c_str(), F_OK) == 0;
}

bool IsFolder(const std::wstring& path) {
  struct stat info {};
  return ::stat(NativePath(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreateFolder(const std::wstring& path) {
  faults::NoteFolderCreation(path);
  if (ShouldFail(Call::CreateFolder) || PastThePathLimit(path, kFolderPathLimit)) return false;
  return ::mkdir(NativePath(path).c_str(), 0777) == 0;
}

struct FolderSearch::State {
  std::vector<FolderEntry> entries;
  size_t next = 0;
  bool started = false;
  bool broken = false;
  std::uint32_t failure = 0;
};

FolderSearch::FolderSearch(const std::wstring& folderAndPattern) : state(std::make_unique<State>()) {
  NoteTreeCalls(folderAndPattern);
  if (ShouldFail(Call::FolderSearch)) {
    // As a connection that drops during the search: nothing, on an error.
    state->broken = true;
    state->failure = faults::KeptFailure();
    return;
  }
  if (PastThePathLimit(folderAndPattern) || HasDoubledBackslash(folderAndPattern)) return;
  const size_t cut = folderAndPattern.rfind(L'\\');
  const std::wstring folder = cut == std::wstring::npos ? L"" : folderAndPattern.substr(0, cut + 1);
  const std::wstring pattern = cut == std::wstring::npos ? folderAndPattern : folderAndPattern.substr(cut + 1);
  const std::string native = folder.empty() ? std::string(".") : NativePath(folder);

  DIR* dir = ::opendir(native.c_str());
  if (dir == nullptr) {
    state->broken = errno != ENOENT && errno != ENOTDIR && errno != EACCES;
    if (state->broken) state->failure = WindowsErrorFor(errno);
    return;
  }
  std::string base = native;
  if (base.empty() || base.back() != '/') base += '/';
  while (const dirent* item = ::readdir(dir)) {
    const std::wstring name = posix::WideFromUtf8(item->d_name);
    if (!WildcardMatch(pattern, name) || faults::HiddenFromListings(base + item->d_name)) continue;
    FolderEntry entry;
    entry.name = name;
    if (item->d_type == DT_DIR) {
      // The entry's own type saves a stat per folder on file systems that report it.
      entry.isFolder = true;
    } else {
      // A Windows search delivers each entry's times with its name; here that
      // is one stat per entry. stat follows links, so a link to a folder
      // counts as a folder, as a junction does.
      struct stat info {};
      if (::stat((base + item->d_name).c_str(), &info) == 0) {
        entry.isFolder = S_ISDIR(info.st_mode);
        entry.lastWriteTime = TimeOf(info);
        if (!entry.isFolder) entry.size = static_cast<std::uint64_t>(info.st_size);
      }
    }
    state->entries.push_back(std::move(entry));
  }
  ::closedir(dir);
  NoteTreeCalls(folderAndPattern, state->entries.size() / 100);
  std::sort(state->entries.begin(), state->entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return CaseBlindLess(a.name, b.name); });
  state->started = !state->entries.empty();
}

FolderSearch::~FolderSearch() = default;

bool FolderSearch::Started() const { return state->started; }

bool FolderSearch::Broken() const { return state->broken; }

std::uint32_t FolderSearch::Failure() const { return state->broken ? state->failure : 0; }

bool FolderSearch::Next(FolderEntry& entry) {
  if (!state->started || state->next >= state->entries.size()) return false;
  entry = state->entries[state->next++];
  return true;
}

bool LastWriteTime(const std::wstring& path, FileTime& time) {
  NoteTreeCalls(path);
  if (ShouldFail(Call::LastWriteTime)) return false;
  struct stat info {};
  if (::stat(NativePath(path).c_str(), &info) != 0) return FailedWithErrno();
  if (S_ISDIR(info.st_mode)) return Failed(kErrorAccessDenied);
  time = TimeOf(info);
  return true;
}

bool FileSize(const std::wstring& path, std::uint64_t& size) {
  struct stat info {};
  if (::stat(NativePath(path).c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

std::wstring FileNameKey(const std::wstring& name) {
  std::wstring key = name;
  for (wchar_t& c : key) c = FoldCase(c);
  return key;
}

bool MoveNoReplace(const std::wstring& from, const std::wstring& to) {
  if (ShouldFail(Call::MoveNoReplace)) return false;
  const std::string source = NativePath(from), target = NativePath(to);
  // One call that refuses an existing target, as Windows' move does; a file
  // system that cannot refuse in the same step is asked first.
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EEXIST) return Failed(kErrorFileExists);
  if (errno != EINVAL && errno != ENOSYS) return FailedWithErrno();
  struct stat info {};
  if (::lstat(target.c_str(), &info) == 0) return Failed(kErrorFileExists);
  return ::rename(source.c_str(), target.c_str()) == 0 || FailedWithErrno();
}

bool MoveReplacing(const std::wstring& from, const std::wstring& to) {
  if (ShouldFail(Call::MoveReplacing)) return false;
  const std::string source = NativePath(from), target = NativePath(to);
  struct stat info {};
  if (::stat(source.c_str(), &info) != 0) return FailedWithErrno();
  if (S_ISDIR(info.st_mode)) return Failed(kErrorAccessDenied);
  // Two spellings of one file (tests stand for Windows' case-blind names
  // with a link): Windows renames the file to the new spelling. Here the
  // link goes and the file keeps the name it has; a rename would put the
  // link in the file's place.
  struct stat link {}, targetInfo {};
  if (::lstat(source.c_str(), &link) == 0 && S_ISLNK(link.st_mode) && ::stat(target.c_str(), &targetInfo) == 0 &&
      targetInfo.st_dev == info.st_dev && targetInfo.st_ino == info.st_ino)
    return ::unlink(source.c_str()) == 0 || FailedWithErrno();
  if (RefusesReplacement(target)) return Failed(kErrorAccessDenied);
  return ::rename(source.c_str(), target.c_str()) == 0 || FailedWithErrno();
}

namespace {

// Waits as long as a planned delay says, in short steps so that a stop ends
// it at once; false when stopped.
bool WaitOutDelay(std::chrono::milliseconds delay, const CopyStop* stop) {
  const auto step = std::chrono::milliseconds(2);
  for (auto waited = std::chrono::milliseconds(0); waited < delay; waited += step) {
    if (stop && stop->Requested()) return false;
    std::this_thread::sleep_for(step);
  }
  return !(stop && stop->Requested());
}

bool CopyOnce(const std::wstring& from, const std::wstring& to, CopyStop* stop) {
  NoteTreeCalls(from);
  bool fail = ShouldFail(Call::CopyReplacing);  // counts the copy as started
  const faults::PlannedCopy planned = faults::CopyPlanFor(from);
  if (!WaitOutDelay(planned.delay, stop)) return Failed(kErrorRequestAborted);
  if (planned.fail) {
    fail = true;
    faults::KeepFailure(planned.code);
  }
  const bool comesBackShort = !fail && (planned.shorten || faults::CopyComesBackShort());
  const std::string target = NativePath(to);
  Descriptor source(::open(NativePath(from).c_str(), O_RDONLY | O_CLOEXEC));
  if (!source.Valid()) return FailedWithErrno();
  struct stat info {};
  if (::fstat(source.Get(), &info) != 0) return FailedWithErrno();
  if (S_ISDIR(info.st_mode)) return Failed(kErrorAccessDenied);
  std::string content;
  if (!ReadAll(source.Get(), content, static_cast<size_t>(info.st_size))) return FailedWithErrno();

  // A new file needs no look at what the name holds; one that is there is
  // overwritten only where Windows would.
  // A new file takes the source's permissions (its read-only mark among
  // them) as it is made; one written over is given them afterwards.
  const mode_t mode = info.st_mode & 0777;
  int made = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  const bool madeNew = made >= 0;
  if (made < 0 && errno == EEXIST) {
    if (RefusesReplacement(target)) return Failed(kErrorAccessDenied);
    made = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  }
  Descriptor copy(made);
  if (!copy.Valid()) return FailedWithErrno();
  if (fail) {
    // An interrupted copy leaves part of the content behind.
    WriteAll(copy.Get(), content.data(), content.size() / 2);
    return false;
  }
  // A read that failed unnoticed, or a source cut short while it was read:
  // part of the content, reported as a copy.
  const size_t length = comesBackShort ? content.size() / 2 : content.size();
  if (!WriteAll(copy.Get(), content.data(), length)) return FailedWithErrno();
  if (!madeNew) ::fchmod(copy.Get(), mode);
  const struct timespec times[2] = {info.st_atim, info.st_mtim};
  return ::futimens(copy.Get(), times) == 0;
}

}  // namespace

bool CopyReplacing(const std::wstring& from, const std::wstring& to, CopyStop* stop) {
  const bool copied = CopyOnce(from, to, stop);
  faults::NoteCopyEnd(from);
  return copied;
}

bool DeleteOneFile(const std::wstring& path) {
  faults::NoteDeletion(path);
  if (ShouldFail(Call::DeleteOneFile)) return false;
  const std::string native = NativePath(path);
  struct stat info {};
  if (::lstat(native.c_str(), &info) != 0) return FailedWithErrno();
  if (S_ISDIR(info.st_mode) || (!S_ISLNK(info.st_mode) && IsReadOnly(info))) return Failed(kErrorAccessDenied);
  return ::unlink(native.c_str()) == 0 || FailedWithErrno();
}

bool ClearReadOnly(const std::wstring& path) {
  const std::string native = NativePath(path);
  struct stat info {};
  if (::stat(native.c_str(), &info) != 0) return false;
  return !IsReadOnly(info) || ::chmod(native.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

std::wstring LongForm(const std::wstring& path) {
  if (IsLongForm(path)) return path;
  std::wstring absolute = WithSingleBackslashes(path);
  const bool hasDrive = absolute.size() >= 2 && absolute[1] == L':';
  if (!hasDrive && !IsUncPath(absolute)) {
    // A relative path is taken from the current folder, as Windows takes it.
    char* current = ::getcwd(nullptr, 0);
    std::wstring folder = L"C:" + posix::WideFromUtf8(current ? current : "/");
    std::free(current);
    for (wchar_t& c : folder)
      if (c == L'/') c = L'\\';
    if (folder.back() != L'\\') folder += L'\\';
    absolute = WithSingleBackslashes(folder + absolute);
  }
  return LongFormOfAbsolute(absolute);
}

bool ReadFileFacts(const std::wstring& path, FileFacts& facts) {
  if (ShouldFail(Call::ReadFileFacts)) return false;
  struct stat info {};
  if (::stat(NativePath(path).c_str(), &info) != 0) return FailedWithErrno();
  if (S_ISDIR(info.st_mode)) return Failed(kErrorAccessDenied);
  facts.lastWriteTime = TimeOf(info);
  facts.size = static_cast<std::uint64_t>(info.st_size);
  facts.identity = FileIdentity{};
  facts.identity.volume = static_cast<std::uint64_t>(info.st_dev);
  if (!faults::FileIndexesHidden()) facts.identity.index = static_cast<std::uint64_t>(info.st_ino);
  return true;
}

bool ListedNameOf(const std::wstring& path, std::wstring& listedName) {
  const std::string native = NativePath(path);
  struct stat info {};
  if (::stat(native.c_str(), &info) != 0) return FailedWithErrno();
  const size_t cut = native.rfind('/');
  const std::string folder = cut == std::string::npos ? std::string("./") : native.substr(0, cut + 1);
  const std::string name = cut == std::string::npos ? native : native.substr(cut + 1);
  listedName = posix::WideFromUtf8(name);
  if (!faults::HiddenFromListings(native)) return true;
  // A second name the listing leaves out: the listed entry of the same file.
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return true;
  while (const dirent* item = ::readdir(dir)) {
    const std::string entry = folder + item->d_name;
    struct stat other {};
    if (faults::HiddenFromListings(entry) || ::stat(entry.c_str(), &other) != 0) continue;
    if (other.st_dev == info.st_dev && other.st_ino == info.st_ino && !S_ISDIR(other.st_mode)) {
      listedName = posix::WideFromUtf8(item->d_name);
      break;
    }
  }
  ::closedir(dir);
  return true;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes, ReadSharing) {
  NoteTreeCalls(path);
  if (ShouldFail(Call::ReadWholeFile)) return false;
  Descriptor file(::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.Valid()) return FailedWithErrno();
  struct stat info {};
  if (::fstat(file.Get(), &info) != 0) return FailedWithErrno();
  if (S_ISDIR(info.st_mode)) return Failed(kErrorAccessDenied);
  if (!ReadAll(file.Get(), bytes)) {
    bytes.clear();
    return false;
  }
  return true;
}

bool WriteNewFile(const std::wstring& path, const std::string& bytes) {
  const bool fail = ShouldFail(Call::WriteNewFile);
  const std::string native = NativePath(path);
  if (RefusesReplacement(native)) return false;
  Descriptor file(::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
  if (!file.Valid()) return false;
  if (fail) {
    WriteAll(file.Get(), bytes.data(), bytes.size() / 2);
    return false;
  }
  return WriteAll(file.Get(), bytes.data(), bytes.size());
}

bool CreateEmptyFile(const std::wstring& path) {
  if (ShouldFail(Call::CreateEmptyFile)) return false;
  Descriptor file(::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  return file.Valid();
}

bool AppendToFile(const std::wstring& path, const std::string& bytes) {
  if (ShouldFail(Call::AppendToFile)) return false;
  Descriptor file(::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666));
  if (!file.Valid()) return FailedWithErrno();
  return WriteAll(file.Get(), bytes.data(), bytes.size()) || FailedWithErrno();
}

bool WriteFreshFile(const std::wstring& path, const std::string& bytes) {
  const bool fail = ShouldFail(Call::WriteFreshFile);
  // O_EXCL refuses any name that exists, a link too, dangling or not.
  Descriptor file(::open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
  if (!file.Valid()) return FailedWithErrno();
  if (fail) {
    WriteAll(file.Get(), bytes.data(), bytes.size() / 2);
    return false;
  }
  return WriteAll(file.Get(), bytes.data(), bytes.size()) || FailedWithErrno();
}

bool IsLink(const std::wstring& path) {
  std::wstring name = path;
  while (name.size() > 1 && name.back() == L'\\' && name[name.size() - 2] != L':') name.pop_back();
  // lstat asks the name itself; with a slash after it, it would ask what a link leads to.
  struct stat info {};
  return ::lstat(NativePath(name).c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

}  // namespace platform
