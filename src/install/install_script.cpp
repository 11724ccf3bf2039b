// Running library install scripts.
#include "install/install_script.h"

#include <cstdint>

#include "discovery/installed_library.h"
#include "install/file_actions.h"
#include "install/file_kinds.h"
#include "install/script_text.h"
#include "platform/file_system.h"
#include "sync/own_files.h"
#include "sync/paths.h"

namespace {

// A release that names its library only in the shared INI file counts as new.
constexpr int kMajorWithoutVersion = 99;

std::wstring WithBackslash(const std::wstring& folder) {
  if (folder.empty() || folder.back() == L'\\') return folder;
  return folder + L'\\';
}

// Whether the two paths name two files: false where they are one file
// reached by two spellings (a mapped drive and the share's name, a short
// name, another case), and where that cannot be told: without file IDs on
// either side, two files of one volume cannot be told from one.
bool DistinctFiles(const std::wstring& a, const std::wstring& b) {
  platform::FileFacts first, second;
  if (!platform::ReadFileFacts(a, first) || !platform::ReadFileFacts(b, second)) return false;
  if (first.identity.Known() && second.identity.Known()) return !(first.identity == second.identity);
  return first.identity.volume != second.identity.volume;
}

// Puts the source over the target where the two lie on different volumes
// (or the move was refused otherwise): a copy beside the target, checked for
// its size, replaces the target in one step, so a failure anywhere leaves the
// old target whole. Only then does the source go, and only when it is not
// the very file now at the target.
void CopyOver(const std::wstring& source, const std::wstring& target) {
  const std::wstring partial = target + kPartialCopySuffix;
  std::uint64_t size = 0;
  if (!platform::FileSize(source, size) || !CopyToPartial(source, size, partial, PathExists(partial))) return;
  if (!platform::MoveReplacing(partial, target)) {
    DeleteOwnFile(partial);
    return;
  }
  if (DistinctFiles(source, target)) platform::DeleteOneFile(source);
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A name Windows would not keep as written: it drops final dots and blanks,
// so "..." or ". ." would stand for another folder.
bool OnlyDotsAndBlanks(const std::wstring& segment) {
  return segment.find_first_not_of(L". ") == std::wstring::npos;
}

// The file a DELETE line names below folder, resolved without leaving the
// library: "..\Materials\old.mat" from the lamps folder stays inside.
// Empty when the operand would reach out: a full, rooted or drive path, a
// UNC or long-form name, a stream (any ':'), a name of only dots and blanks,
// or more ".." than the folder lies deep in the library. The path is built
// from the resolved names, so no ".." reaches the platform.
std::wstring FileInsideLibrary(const std::wstring& folder, const std::wstring& operand, const std::wstring& library) {
  const std::wstring root = WithBackslash(library);
  if (root.empty() || operand.empty() || IsSeparator(operand[0]) || operand.find(L':') != std::wstring::npos)
    return std::wstring();
  if (folder.size() < root.size() || platform::FileNameKey(folder.substr(0, root.size())) != platform::FileNameKey(root))
    return std::wstring();

  StringList names;
  auto walk = [&names](const std::wstring& path) {
    size_t start = 0;
    while (start <= path.size()) {
      size_t end = start;
      while (end < path.size() && !IsSeparator(path[end])) ++end;
      const std::wstring segment = path.substr(start, end - start);
      if (segment == L"..") {
        if (names.empty()) return false;
        names.pop_back();
      } else if (!segment.empty() && segment != L".") {
        if (OnlyDotsAndBlanks(segment)) return false;
        names.push_back(segment);
      }
      start = end + 1;
    }
    return true;
  };
  if (!walk(folder.substr(root.size())) || !walk(operand) || names.empty()) return std::wstring();

  std::wstring path = root;
  for (size_t i = 0; i < names.size(); ++i) path += (i == 0 ? L"" : L"\\") + names[i];
  return path;
}

// Deletes the file a DELETE line names, when it lies inside the library.
void DeleteInLibrary(const std::wstring& folder, const std::wstring& operand, const InstallTargets& targets) {
  // Without the folder the name would point into the current folder.
  if (folder.empty()) return;
  const std::wstring path = FileInsideLibrary(folder, operand, targets.libraryRoot);
  if (!path.empty()) DeleteIfExists(path);
}

void Install(const std::wstring& operand, const InstallTargets& targets) {
  std::wstring source = PlatformPath(operand);
  if (!PathExists(source)) {
    source = PlatformPath(targets.scriptFolder + operand);
    if (!PathExists(source)) return;
  }
  const std::wstring folder = PlatformPath(DestinationFolderOf(source, targets));
  // A kind without a place here is skipped rather than put in the current folder.
  if (folder.empty()) return;
  if (!PathExists(folder)) MakeFolderTree(folder);

  // The folders exist already, so only the file's own name takes the lower
  // case; a file system that tells case apart then still finds the folders,
  // and the older file that gives way is the one under the lower-case name.
  const std::wstring target = folder + ToLowerAscii(FileName(source));
  // On the target's volume the source replaces an older file in one step,
  // and a source that already lies at its target only takes its lower-case
  // name; a failed move leaves both as they were.
  if (platform::MoveReplacing(source, target)) return;
  CopyOver(source, target);
}

}  // namespace

InstallTargets TargetsFor(int majorVersion, const std::wstring& libraryRoot, const std::wstring& solidWorksLibrary) {
  InstallTargets targets;
  targets.majorVersion = majorVersion;
  targets.libraryRoot = libraryRoot;
  targets.componentsFolder = libraryRoot + L"Components\\";
  targets.lampsFolder = libraryRoot + L"Lamps\\";
  targets.materialsFolder = libraryRoot + L"Materials\\";
  targets.lampGeometryFolder = libraryRoot + L"Lamp Geometry\\";
  if (!solidWorksLibrary.empty()) {
    // The SolidWorks folder is used as stored, so a trailing backslash there doubles.
    targets.appearancesFolder = solidWorksLibrary + L"\\Lumenark Appearances\\";
    targets.solidWorksLampsFolder = solidWorksLibrary + L"\\Lamps\\";
  } else {
    targets.lampGeometryFolder.clear();
  }
  if (majorVersion < 3) {
    // Releases before 3 keep lamps and materials in the library folder itself.
    targets.componentsFolder.clear();
    targets.lampsFolder = libraryRoot;
    targets.materialsFolder = libraryRoot;
  }
  return targets;
}

std::wstring DestinationFolderOf(const std::wstring& source, const InstallTargets& targets) {
  if (IsLampFile(source)) return targets.lampsFolder;
  if (IsMaterialFile(source)) return targets.materialsFolder;
  if (IsLampGeometryFile(source)) return targets.lampGeometryFolder;
  if (IsComponentFile(source) && !targets.componentsFolder.empty()) return targets.componentsFolder;
  if (IsAppearanceFile(source) && !targets.appearancesFolder.empty()) return targets.appearancesFolder;
  if (IsSolidWorksPartFile(source) && !targets.solidWorksLampsFolder.empty()) return targets.solidWorksLampsFolder;
  return std::wstring();
}

bool RunScriptLines(const StringList& lines, const InstallTargets& targets) {
  for (const std::wstring& raw : lines) {
    if (raw.empty()) continue;
    const std::wstring line = ToUpperAscii(raw);
    if (line[0] == L';') continue;
    StringList tokens;
    if (!TokenizeLine(line, L' ', L'<', L'>', tokens) || tokens.size() < 2) return false;
    const std::wstring& command = tokens[0];
    const std::wstring operand = TrimAnyOf(tokens[1], L"<>");
    if (command == L"DELETE_COMPONENT") {
      DeleteInLibrary(targets.componentsFolder, operand, targets);
    } else if (command == L"DELETE_LAMP") {
      DeleteInLibrary(targets.lampsFolder, operand, targets);
    } else if (command == L"INSTALL") {
      Install(operand, targets);
    }
  }
  return true;
}

bool RunInstallScript(const std::wstring& scriptPath) {
  if (!PathExists(scriptPath)) return false;
  // A bare file name keeps an empty folder: its neighbours are looked for in
  // the current folder, not at the drive root.
  const std::wstring scriptFolder = WithBackslash(ParentFolder(scriptPath));

  int majorVersion = 0;
  LumenarkVersion version;
  std::wstring sharedLibrary;
  if (QueryLumenarkVersion(version)) {
    majorVersion = version.major;
  } else if (LibraryFromSharedIni(sharedLibrary)) {
    majorVersion = kMajorWithoutVersion;
  } else {
    return false;
  }
  std::wstring libraryRoot;
  // Without a library folder every destination would be relative; do nothing.
  if (!FindInstalledLibrary(libraryRoot)) return false;
  std::wstring solidWorksLibrary;
  if (!FindSolidWorksLibrary(solidWorksLibrary)) solidWorksLibrary.clear();

  InstallTargets targets = TargetsFor(majorVersion, libraryRoot, solidWorksLibrary);
  targets.scriptFolder = scriptFolder;
  const StringList lines = ReadScriptLines(scriptPath, kScriptLineBuffer);
  if (lines.empty()) return true;
  return RunScriptLines(lines, targets);
}
