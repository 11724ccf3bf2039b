// The file-system seam on Win32: the calls the program's file rules are written for.
#include "platform/file_system.h"

#include <windows.h>
#include <io.h>

#include <atomic>
#include <cstring>
#include <string>

#include "platform/path_form.h"
#include "platform/win32/folder_search_call.h"
#include "platform/win32/unique_resource.h"

namespace platform {
namespace {

// The error of the last seam call that failed on this thread.
thread_local std::uint32_t lastFailure = 0;

// Keeps the system's error of the call that just failed; always false.
bool Failed() {
  lastFailure = ::GetLastError();
  return false;
}

bool Failed(DWORD code) {
  lastFailure = code;
  return false;
}

bool Kept(BOOL ok) { return ok != FALSE || Failed(); }

// Windows refuses to overwrite a read-only file; Wine run by root does not.
// Asking the attribute first gives the same answer everywhere.
bool IsReadOnlyFile(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Creates the file as `creation` says, without sharing, and writes the
// bytes in one write.
bool CreateAndWrite(const std::wstring& path, DWORD creation, const std::string& bytes) {
  win32::UniqueFileHandle file(
      ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, creation, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Failed();
  DWORD written = 0;
  if (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return Failed();
  return written == bytes.size() || Failed(ERROR_DISK_FULL);
}

bool TargetExisted(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

FileTime TimeOf(const FILETIME& time) {
  return (static_cast<FileTime>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::uint64_t SizeOf(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

// How folder searches are asked for. Windows 7 and later take the basic
// level, which skips the short names nobody reads, and the large fetch, which
// asks a share for bigger batches of entries per round trip. Earlier systems
// refuse both; once the standard level without flags has served instead, the
// process asks that way only.
struct SearchWay {
  std::atomic<FindFirstFileExCall> call{&::FindFirstFileExW};
  std::atomic<bool> standardOnly{false};
};

SearchWay& TheSearchWay() {
  static SearchWay way;
  return way;
}

// A missing folder, or one that holds nothing the pattern matches, is an
// answer, not a refusal of the way the search was asked for.
bool NothingToFind(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_MORE_FILES;
}

HANDLE StartSearch(const std::wstring& pattern, WIN32_FIND_DATAW& data) {
  SearchWay& way = TheSearchWay();
  const FindFirstFileExCall call = way.call;
  if (!way.standardOnly) {
    const HANDLE found = call(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                              FIND_FIRST_EX_LARGE_FETCH);
    if (found != INVALID_HANDLE_VALUE || NothingToFind(::GetLastError())) return found;
  }
  const HANDLE found = call(pattern.c_str(), FindExInfoStandard, &data, FindExSearchNameMatch, nullptr, 0);
  if (found != INVALID_HANDLE_VALUE) way.standardOnly = true;
  return found;
}

}  // namespace

void UseFindFirstFileEx(FindFirstFileExCall call) {
  SearchWay& way = TheSearchWay();
  way.call = call != nullptr ? call : &::FindFirstFileExW;
  way.standardOnly = false;
}

std::uint32_t LastFailure() { return lastFailure; }

std::wstring ErrorText(std::uint32_t code) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  const win32::UniqueLocalMemory owned(text);
  std::wstring message = length != 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
  while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
    message.pop_back();
  return message.empty() ? L"Error " + std::to_wstring(code) : message;
}

bool PathExists(const std::wstring& path) { return ::_waccess(path.c_str(), 0) == 0 || Failed(); }

bool PathExistsNarrow(const std::string& path) { return ::_access(path.c_str(), 0) == 0; }

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateFolder(const std::wstring& path) {
  SECURITY_ATTRIBUTES security{};
  security.nLength = sizeof security;
  security.lpSecurityDescriptor = nullptr;
  security.bInheritHandle = FALSE;
  return ::CreateDirectoryW(path.c_str(), &security) != FALSE;
}

struct FolderSearch::State {
  win32::UniqueFindHandle handle;
  WIN32_FIND_DATAW pending{};
  bool hasPending = false;
  bool ended = false;
  bool broken = false;
  DWORD failure = 0;
};

FolderSearch::FolderSearch(const std::wstring& folderAndPattern) : state(std::make_unique<State>()) {
  state->handle.Reset(StartSearch(folderAndPattern, state->pending));
  state->hasPending = state->handle.Valid();
  if (!state->hasPending) {
    // A folder the user may not read stays out of every run alike; it is no
    // sign of a connection that dropped.
    const DWORD error = ::GetLastError();
    state->broken = !NothingToFind(error) && error != ERROR_ACCESS_DENIED;
    if (state->broken) state->failure = error;
  }
}

FolderSearch::~FolderSearch() = default;

bool FolderSearch::Started() const { return state->handle.Valid(); }

bool FolderSearch::Broken() const { return state->broken; }

std::uint32_t FolderSearch::Failure() const { return state->broken ? state->failure : 0; }

bool FolderSearch::Next(FolderEntry& entry) {
  if (!state->handle.Valid() || state->ended) return false;
  if (!state->hasPending) {
    if (!::FindNextFileW(state->handle.Get(), &state->pending)) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_NO_MORE_FILES) {
        state->broken = true;
        state->failure = error;
      }
      state->ended = true;
      return false;
    }
  }
  state->hasPending = false;
  entry.name = state->pending.cFileName;
  entry.isFolder = (state->pending.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  entry.lastWriteTime = TimeOf(state->pending.ftLastWriteTime);
  entry.size = entry.isFolder ? 0 : SizeOf(state->pending.nFileSizeHigh, state->pending.nFileSizeLow);
  return true;
}

bool LastWriteTime(const std::wstring& path, FileTime& time) {
  win32::UniqueFileHandle file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ,
                                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Failed();
  FILETIME written{};
  if (!::GetFileTime(file.Get(), nullptr, nullptr, &written)) return Failed();
  time = TimeOf(written);
  return true;
}

bool FileSize(const std::wstring& path, std::uint64_t& size) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return Failed();
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Failed(ERROR_ACCESS_DENIED);
  size = SizeOf(data.nFileSizeHigh, data.nFileSizeLow);
  return true;
}

std::wstring FileNameKey(const std::wstring& name) {
  if (name.empty()) return name;
  // Simple one-to-one upper-casing, as the file system's own table maps names.
  std::wstring key(name.size(), L'\0');
  const int length = ::LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, name.data(), static_cast<int>(name.size()),
                                    key.data(), static_cast<int>(key.size()));
  return length == static_cast<int>(name.size()) ? key : name;
}

bool MoveNoReplace(const std::wstring& from, const std::wstring& to) {
  return Kept(::MoveFileW(from.c_str(), to.c_str()));
}

// Most targets do not exist yet, and asking for a name that does not exist
// is the dear case (on Wine a search of the whole folder for the name in
// other cases): the first attempt refuses an existing target, and only then
// is its attribute asked.
bool MoveReplacing(const std::wstring& from, const std::wstring& to) {
  if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  if (!TargetExisted(::GetLastError())) return Failed();
  if (IsReadOnlyFile(to)) return Failed(ERROR_ACCESS_DENIED);
  return Kept(::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
}

// The copy call reads the stop flag as a BOOL while it copies; an atomic of
// the same size and alignment is one in memory.
static_assert(sizeof(std::atomic<std::int32_t>) == sizeof(BOOL) && alignof(std::atomic<std::int32_t>) == alignof(BOOL));
static_assert(std::atomic<std::int32_t>::is_always_lock_free);

bool CopyReplacing(const std::wstring& from, const std::wstring& to, CopyStop* stop) {
  // The call watches the flag only while it copies (Wine's not at all), so a
  // copy asked to stop before it starts is not started.
  if (stop && stop->Requested()) return Failed(ERROR_REQUEST_ABORTED);
  LPBOOL cancel = stop ? reinterpret_cast<LPBOOL>(&stop->requested) : nullptr;
  if (::CopyFileExW(from.c_str(), to.c_str(), nullptr, nullptr, cancel, COPY_FILE_FAIL_IF_EXISTS)) return true;
  if (!TargetExisted(::GetLastError())) return Failed();
  if (IsReadOnlyFile(to)) return Failed(ERROR_ACCESS_DENIED);
  return Kept(::CopyFileExW(from.c_str(), to.c_str(), nullptr, nullptr, cancel, 0));
}

bool DeleteOneFile(const std::wstring& path) { return Kept(::DeleteFileW(path.c_str())); }

bool ClearReadOnly(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
  const DWORD kept = attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
  return ::SetFileAttributesW(path.c_str(), kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL) != FALSE;
}

std::wstring LongForm(const std::wstring& path) {
  if (IsLongForm(path)) return path;
  const std::wstring single = WithSingleBackslashes(path);
  const DWORD needed = ::GetFullPathNameW(single.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return path;
  std::wstring full(needed, L'\0');
  const DWORD length = ::GetFullPathNameW(single.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  return LongFormOfAbsolute(full);
}

namespace {

// Windows 8 and Server 2012 give a file's 128-bit ID (FileIdInfo); the 64-bit
// index of earlier calls cannot hold an ReFS ID whole. Declared here, as the
// program is built for Windows 7, and looked up at run time, as Windows XP
// has no GetFileInformationByHandleEx.
struct FileIdInformation {
  ULONGLONG volumeSerialNumber;
  BYTE fileId[16];
};
constexpr int kFileIdInfoClass = 18;
using GetFileInformationByHandleExCall = BOOL(WINAPI*)(HANDLE, int, LPVOID, DWORD);

GetFileInformationByHandleExCall LookUpFileInformationByHandleEx() {
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return nullptr;
  return reinterpret_cast<GetFileInformationByHandleExCall>(
      reinterpret_cast<void*>(::GetProcAddress(kernel, "GetFileInformationByHandleEx")));
}

bool IdentifyBy128BitId(HANDLE file, FileIdentity& identity) {
  static const GetFileInformationByHandleExCall call = LookUpFileInformationByHandleEx();
  FileIdInformation information{};
  if (call == nullptr || !call(file, kFileIdInfoClass, &information, sizeof information)) return false;
  identity.volume = information.volumeSerialNumber;
  std::memcpy(&identity.index, information.fileId, sizeof identity.index);
  std::memcpy(&identity.indexHigh, information.fileId + sizeof identity.index, sizeof identity.indexHigh);
  return true;
}

}  // namespace

bool ReadFileFacts(const std::wstring& path, FileFacts& facts) {
  win32::UniqueFileHandle file(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Failed();
  BY_HANDLE_FILE_INFORMATION information{};
  if (!::GetFileInformationByHandle(file.Get(), &information)) return Failed();
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Failed(ERROR_ACCESS_DENIED);
  facts.lastWriteTime = TimeOf(information.ftLastWriteTime);
  facts.size = SizeOf(information.nFileSizeHigh, information.nFileSizeLow);
  facts.identity = FileIdentity{};
  if (IdentifyBy128BitId(file.Get(), facts.identity)) return true;
  facts.identity.volume = information.dwVolumeSerialNumber;
  facts.identity.index = SizeOf(information.nFileIndexHigh, information.nFileIndexLow);
  return true;
}

bool ListedNameOf(const std::wstring& path, std::wstring& listedName) {
  // A search for the exact name answers with the file's long name, whatever
  // name of it was asked for.
  WIN32_FIND_DATAW data{};
  const win32::UniqueFindHandle found(StartSearch(path, data));
  if (!found) return Failed();
  const std::wstring asked = path.substr(path.find_last_of(L'\\') + 1);
  listedName = data.cFileName;
  if (FileNameKey(listedName) == FileNameKey(asked)) return true;
  // Where the volume gives file identities, the two names are one file only
  // when they open the same one.
  const size_t cut = path.find_last_of(L'\\');
  FileFacts viaAsked, viaListed;
  if (cut != std::wstring::npos && ReadFileFacts(path, viaAsked) &&
      ReadFileFacts(path.substr(0, cut + 1) + listedName, viaListed) && viaAsked.identity.Known() &&
      viaListed.identity.Known() && !(viaAsked.identity == viaListed.identity))
    listedName = asked;
  return true;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes, ReadSharing sharing) {
  const DWORD share = sharing == ReadSharing::ReadersOnly ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
  win32::UniqueFileHandle file(
      ::CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Failed();
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x7fffffff) return false;
  bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() && !::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    bytes.clear();
    return Failed();
  }
  bytes.resize(read);
  return true;
}

bool WriteNewFile(const std::wstring& path, const std::string& bytes) {
  if (IsReadOnlyFile(path)) return false;
  return CreateAndWrite(path, CREATE_ALWAYS, bytes);
}

bool CreateEmptyFile(const std::wstring& path) {
  win32::UniqueFileHandle file(
      ::CreateFileW(path.c_str(), 0, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.Valid();
}

bool AppendToFile(const std::wstring& path, const std::string& bytes) {
  win32::UniqueFileHandle file(::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Failed();
  DWORD written = 0;
  if (!::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return Failed();
  return written == bytes.size() || Failed(ERROR_DISK_FULL);
}

bool WriteFreshFile(const std::wstring& path, const std::string& bytes) {
  return CreateAndWrite(path, CREATE_NEW, bytes);
}

bool IsLink(const std::wstring& path) {
  std::wstring name = path;
  while (name.size() > 1 && name.back() == L'\\' && name[name.size() - 2] != L':') name.pop_back();
  const DWORD attributes = ::GetFileAttributesW(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace platform
