// Where the records of sync runs are kept, their names, and how many are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/host.h"

// The records' folder below an application-data folder.
inline constexpr wchar_t kRecordFolderBelowAppData[] = L"\\Korvane\\Shelfmate\\Logs\\";

// Old records kept beside the newest, so that with it there are 30, and at
// most this many bytes of them together.
inline constexpr size_t kOldRecordsKept = 29;
inline constexpr std::uint64_t kOldRecordBytesKept = 10ull * 1024 * 1024;

// A record's name from its run's local start time, so that names sort by
// time: "2026-12-14 09-00-03.log"; the second and later of one second get a
// counter, "2026-12-14 09-00-03 (2).log".
std::wstring RecordFileName(const platform::LocalTime& start, int counter);

// The folder records go to: the all-users one, or, where that cannot be
// made or one of the program's folders on the way to it is a link, the
// user's own. Empty when neither can. Made when missing.
std::wstring RecordFolder();

// Makes a new empty record for a run started at start, in the all-users
// folder, or in the user's own where the all-users one cannot be made or
// written or leads elsewhere through a link; then prunes the old records
// there, sparing the new one. False when neither works.
bool CreateRecordFile(const platform::LocalTime& start, std::wstring& path);

// Deletes old records of the folder (by name), never the one named spared
// (the newest, whatever its size): a record larger than maxBytes on its own,
// and, oldest first, those past the newest `keep` of the others or past
// maxBytes of them together. One that may not be deleted stays.
void PruneRecords(const std::wstring& folder, const std::wstring& spared, size_t keep, std::uint64_t maxBytes);
