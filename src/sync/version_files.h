// The version files at the top of a library copy, and whether the local copy is behind.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sync/failure_reason.h"
#include "sync/paths.h"

// A file's whole content as UTF-16LE text from its first byte, up to its
// first U+0000; a final odd byte is dropped. Empty when the file cannot be
// opened or read. No byte-order mark is removed.
std::wstring ReadTextFile(const std::wstring& path);

// Reads the dotted decimal number of a version file ("5.2.1") into numbers,
// most significant first, and returns how many were read (0 to 4). Reading
// stops at the first piece that does not start with a number in the 32-bit
// range; entries from the count on are left untouched. A leading byte-order
// mark is passed over like white space.
int ReadVersionNumbers(const std::wstring& path, std::array<std::int32_t, 4>& numbers);

// True when at least one "*.version" file in the remote root's own folder is
// missing in the local root or holds a higher number at the first position
// where both numbers have a value and differ. The names (without folder) of
// all such files are appended to outdated, when given, in listing order.
// A root whose version files could not all be read (the remote search broke
// off, a version file there cannot be read) is told in trouble, when given:
// what could not be read, and why. So is a remote root that lists whole
// without a version file, which leaves nothing to tell a release by.
struct VersionCheckTrouble {
  bool any = false;
  std::wstring what;
  FailureReason reason;
  bool noRemoteVersionFiles = false;
};
bool CheckVersionFiles(const std::wstring& localRoot, const std::wstring& remoteRoot, StringList* outdated,
                       VersionCheckTrouble* trouble = nullptr);
