// Record folders, names and retention.
#include "sync/record_files.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/file_system.h"
#include "sync/paths.h"

namespace {

std::wstring TwoDigits(unsigned value) {
  wchar_t text[8] = {};
  std::swprintf(text, 8, L"%02u", value % 100);
  return text;
}

bool FolderBelow(bool (*appData)(std::wstring&), std::wstring& folder) {
  std::wstring base;
  if (!appData(base) || base.empty()) return false;
  folder = base + kRecordFolderBelowAppData;
  return MakeFolderTree(folder);
}

// Makes the first free name of the run's second in folder.
bool CreateIn(const std::wstring& folder, const platform::LocalTime& start, std::wstring& path) {
  for (int counter = 1; counter <= 100; ++counter) {
    const std::wstring candidate = folder + RecordFileName(start, counter);
    if (platform::CreateEmptyFile(candidate)) {
      path = candidate;
      return true;
    }
    if (!PathExists(candidate)) return false;  // the folder refuses files
  }
  return false;
}

}  // namespace

std::wstring RecordFileName(const platform::LocalTime& start, int counter) {
  std::wstring name = std::to_wstring(start.year) + L"-" + TwoDigits(start.month) + L"-" + TwoDigits(start.day) +
                      L" " + TwoDigits(start.hour) + L"-" + TwoDigits(start.minute) + L"-" + TwoDigits(start.second);
  if (counter > 1) name += L" (" + std::to_wstring(counter) + L")";
  return name + L".log";
}

std::wstring RecordFolder() {
  std::wstring folder;
  if (FolderBelow(&platform::CommonAppDataFolder, folder)) return folder;
  if (FolderBelow(&platform::LocalAppDataFolder, folder)) return folder;
  return std::wstring();
}

bool CreateRecordFile(const platform::LocalTime& start, std::wstring& path) {
  for (auto appData : {&platform::CommonAppDataFolder, &platform::LocalAppDataFolder}) {
    std::wstring folder;
    if (!FolderBelow(appData, folder)) continue;
    PruneRecords(folder, kOldRecordsKept, kOldRecordBytesKept);
    if (CreateIn(folder, start, path)) return true;
  }
  return false;
}

void PruneRecords(const std::wstring& folder, size_t keep, std::uint64_t maxBytes) {
  struct Record {
    std::wstring name;
    std::uint64_t size;
  };
  std::vector<Record> records;
  platform::FolderSearch search(folder + L"*.log");
  platform::FolderEntry entry;
  while (search.Next(entry))
    if (!entry.isFolder) records.push_back({entry.name, entry.size});
  std::sort(records.begin(), records.end(), [](const Record& a, const Record& b) { return a.name > b.name; });
  std::uint64_t bytes = 0;
  for (size_t index = 0; index < records.size(); ++index) {
    bytes += records[index].size;
    if (index < keep && bytes <= maxBytes) continue;
    platform::DeleteOneFile(folder + records[index].name);
  }
}
