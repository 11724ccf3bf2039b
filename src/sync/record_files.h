// Where the records of sync runs are kept, their names, and how many are kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/host.h"

// The records' folder below an application-data folder.
inline constexpr wchar_t kRecordFolderBelowAppData[] = L"\\Korvane\\Shelfmate\\Logs\\";

// Old records kept when a new one starts, so that with it there are 30, and
// at most this many bytes of them together.
inline constexpr size_t kOldRecordsKept = 29;
inline constexpr std::uint64_t kOldRecordBytesKept = 10ull * 1024 * 1024;

// A record's name from its run's local start time, so that names sort by
// time: "2026-12-14 09-00-03.log"; the second and later of one second get a
// counter, "2026-12-14 09-00-03 (2).log".
std::wstring RecordFileName(const platform::LocalTime& start, int counter);

// The folder records go to: the all-users one, or, where that cannot be
// made, the user's own. Empty when neither can. Made when missing.
std::wstring RecordFolder();

// Makes a new empty record for a run started at start, in the all-users
// folder, or in the user's own where the all-users one cannot be made or
// written; the old records there are pruned first. False when neither works.
bool CreateRecordFile(const platform::LocalTime& start, std::wstring& path);

// Deletes the oldest records of the folder (by name) beyond the newest
// `keep`, and beyond `maxBytes` together. One that may not be deleted stays.
void PruneRecords(const std::wstring& folder, size_t keep, std::uint64_t maxBytes);
