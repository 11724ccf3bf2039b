// File-system operations the program needs, over backslash paths.
//
// Paths stay Windows paths (backslash separators, drive letters) everywhere
// above this seam; each platform's implementation maps them to its own calls.
// Every operation reports success as a boolean and never throws for a file
// that is missing, locked or unreadable; the system's reason for the last
// failure on the calling thread is kept for the record of a run.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// Windows' error codes that the program tells apart. POSIX errors are mapped
// to the nearest of these.
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorBadNetPath = 53;
inline constexpr std::uint32_t kErrorNetNameDeleted = 64;
inline constexpr std::uint32_t kErrorFileExists = 80;
inline constexpr std::uint32_t kErrorDiskFull = 112;
inline constexpr std::uint32_t kErrorGeneralFailure = 31;
inline constexpr std::uint32_t kErrorRequestAborted = 1235;

// The error code of the last call of this seam that failed on the calling
// thread: what the system said when the call's own operation failed. 0 when
// no failure was kept.
std::uint32_t LastFailure();

// The system's own text for an error code, without its line end, as
// FormatMessage gives it ("Access is denied."); never empty.
std::wstring ErrorText(std::uint32_t code);

// True when a file or a folder of exactly this name exists (existence only,
// no permission asked). The name is tested as given: a trailing backslash or
// line end is part of it.
bool PathExists(const std::wstring& path);

// The same test for an 8-bit path, each byte taken as one character code.
bool PathExistsNarrow(const std::string& path);

// True when a folder of this name exists.
bool IsFolder(const std::wstring& path);

// Creates one folder with default security. False when it could not be made
// (also when something of that name exists already).
bool CreateFolder(const std::wstring& path);

// A last-write time; only comparisons between two values are meaningful.
using FileTime = std::uint64_t;

struct FolderEntry {
  std::wstring name;
  bool isFolder = false;
  FileTime lastWriteTime = 0;  // as the search delivers it with the name
  std::uint64_t size = 0;      // in bytes, likewise; 0 for a folder
};

// A wildcard search of one folder, started with a path that ends in the
// pattern ("C:\lib\*.*", "C:\lib\*.version"). Entries come in the order the
// file system delivers them, "." and ".." included where it reports them,
// each with its last-write time and size: a folder query returns them with
// the names, so a listing costs no open per file, on a network share neither.
class FolderSearch {
 public:
  explicit FolderSearch(const std::wstring& folderAndPattern);
  ~FolderSearch();
  FolderSearch(const FolderSearch&) = delete;
  FolderSearch& operator=(const FolderSearch&) = delete;

  // False when the search could not be started: nothing matched, or the
  // folder is missing or unreadable.
  bool Started() const;

  // Delivers the next entry; false at the end or on any error.
  bool Next(FolderEntry& entry);

  // True when the search ended on an error, so that entries may be missing:
  // it stopped before its last entry (a dropped connection), or could not be
  // started for another reason than a missing folder, nothing matching or a
  // folder the user may not read.
  bool Broken() const;

  // The error code that broke the search; 0 when it is not broken.
  std::uint32_t Failure() const;

 private:
  struct State;
  std::unique_ptr<State> state;
};

// Last-write time of a file, read through an attribute-only open that takes
// no content access and so stands in nobody's way. False when the file is
// missing or cannot be opened for its attributes.
bool LastWriteTime(const std::wstring& path, FileTime& time);

// Size of a file in bytes, asked of its attributes without opening it. False
// when the file is missing or its attributes cannot be read.
bool FileSize(const std::wstring& path, std::uint64_t& size);

// The form of a file name under which the file system takes two names for
// the same file: ordinal, without regard to case, as Windows compares names.
std::wstring FileNameKey(const std::wstring& name);

// Renames a file or folder; fails when something exists under the new name.
bool MoveNoReplace(const std::wstring& from, const std::wstring& to);

// Renames a file, replacing an existing file of the new name in one step.
// Fails, leaving both as they were, when the target is read-only or locked.
bool MoveReplacing(const std::wstring& from, const std::wstring& to);

// A request that copies in flight stop, made on one thread and seen by the
// copies on others. The Windows copy call watches the flag itself, between
// the blocks it copies, as a BOOL.
struct CopyStop {
  std::atomic<std::int32_t> requested{0};
  void Request() { requested.store(1); }
  bool Requested() const { return requested.load() != 0; }
};

// Copies a file's content over the target (created or overwritten) and gives
// the copy the source's last-write time. Fails on a read-only target. A copy
// stopped through `stop` fails with kErrorRequestAborted and leaves no target.
bool CopyReplacing(const std::wstring& from, const std::wstring& to, CopyStop* stop = nullptr);

// Deletes one file. Fails on a folder and on a read-only file.
bool DeleteOneFile(const std::wstring& path);

// Takes the read-only mark off a file, leaving its other attributes. True
// when the file is writable afterwards (also when it was already).
bool ClearReadOnly(const std::wstring& path);

// Windows refuses a path of this many characters or more in its usual form;
// the long form ("\\?\C:\...", "\\?\UNC\server\share\...") has no such limit.
inline constexpr size_t kShortPathLimit = 260;

// A folder is made in the usual form only below this length, which leaves
// room for a file name of eight and three characters inside it.
inline constexpr size_t kFolderPathLimit = kShortPathLimit - 12;

// The long form of a path: made absolute, its doubled backslashes made single
// (the long form takes every character as it stands), a UNC path under
// "\\?\UNC\". A path already in the long form is returned as it is.
std::wstring LongForm(const std::wstring& path);

// What tells one file from another whatever the path it is reached by: on
// Windows the volume's serial number and the file's 128-bit ID on it, or its
// 64-bit index where the system offers no more. A file system without file
// IDs may give 0 for every file: that is no identity.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;      // the ID's lower half
  std::uint64_t indexHigh = 0;  // its upper half, 0 for a 64-bit index
  bool Known() const { return index != 0 || indexHigh != 0; }
  bool operator==(const FileIdentity& other) const {
    return volume == other.volume && index == other.index && indexHigh == other.indexHigh;
  }
};

// What a file is now: its last-write time, its size and its identity, read
// through one attribute-only open. False when it is missing, a folder, or
// cannot be opened to ask.
struct FileFacts {
  FileTime lastWriteTime = 0;
  std::uint64_t size = 0;
  FileIdentity identity;
};
bool ReadFileFacts(const std::wstring& path, FileFacts& facts);

// The name under which its folder's listing shows the file that this path
// opens: the path's own name (in the listing's spelling), or another where
// the path is a second name of a listed file, as Windows' 8.3 short name
// LONGFI~1.IES is of longfilename.ies. Where the file system gives file
// identities, a second name is known by its file's identity. False when
// nothing of that name exists.
bool ListedNameOf(const std::wstring& path, std::wstring& listedName);

enum class ReadSharing {
  ReadersOnly,        // others may read while we read, nobody may write
  ReadersAndWriters,  // no restriction on other processes
};

// Reads a whole file into bytes. False when it cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::string& bytes,
                   ReadSharing sharing = ReadSharing::ReadersOnly);

// Creates the file (replacing an existing one) without sharing and writes
// the bytes in one write. False when it cannot be created or written.
bool WriteNewFile(const std::wstring& path, const std::string& bytes);

// Creates an empty file; fails when something of that name exists.
bool CreateEmptyFile(const std::wstring& path);

// Appends the bytes at the end of an existing file, or of a new one. Others
// may read the file meanwhile. False when it cannot be opened or written.
bool AppendToFile(const std::wstring& path, const std::string& bytes);

// Creates a new file and writes the bytes into it: a file only this call
// made, with the owner and access that a new file gets there. Fails when
// anything of that name exists, a link included (it is not followed), and
// when the file cannot be written whole.
bool WriteFreshFile(const std::wstring& path, const std::string& bytes);

// True when the name itself leads elsewhere: a symbolic link, a junction or
// any other reparse point. Its last part is asked, not what it leads to; a
// trailing backslash is no part of the name.
bool IsLink(const std::wstring& path);

}  // namespace platform
