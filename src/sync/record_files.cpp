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

namespace {

// The order of a record's name in time: its timestamp, then its counter,
// from a name RecordFileName makes. False for any other name.
bool TimeOrderKey(const std::wstring& name, std::wstring& key) {
  static const std::wstring shape = L"0000-00-00 00-00-00";
  const std::wstring extension = L".log";
  if (name.size() < shape.size() + extension.size()) return false;
  for (size_t at = 0; at < shape.size(); ++at) {
    const bool digit = name[at] >= L'0' && name[at] <= L'9';
    if ((shape[at] == L'0') != digit || (!digit && name[at] != shape[at])) return false;
  }
  if (name.compare(name.size() - extension.size(), extension.size(), extension) != 0) return false;
  std::wstring counter = name.substr(shape.size(), name.size() - shape.size() - extension.size());
  if (counter.empty()) {
    counter = L"1";
  } else {
    if (counter.size() < 4 || counter.compare(0, 2, L" (") != 0 || counter.back() != L')') return false;
    counter = counter.substr(2, counter.size() - 3);
    if (counter.size() > 3 || counter.find_first_not_of(L"0123456789") != std::wstring::npos) return false;
  }
  key = name.substr(0, shape.size()) + std::wstring(3 - counter.size(), L'0') + counter;
  return true;
}

}  // namespace

void PruneRecords(const std::wstring& folder, size_t keep, std::uint64_t maxBytes) {
  struct Record {
    std::wstring key;
    std::wstring name;
    std::uint64_t size;
  };
  std::vector<Record> records;
  platform::FolderSearch search(folder + L"*.log");
  platform::FolderEntry entry;
  std::wstring key;
  while (search.Next(entry))
    if (!entry.isFolder && TimeOrderKey(entry.name, key)) records.push_back({key, entry.name, entry.size});
  std::sort(records.begin(), records.end(), [](const Record& a, const Record& b) { return a.key > b.key; });
  std::uint64_t bytes = 0;
  for (size_t index = 0; index < records.size(); ++index) {
    bytes += records[index].size;
    if (index < keep && bytes <= maxBytes) continue;
    platform::DeleteOneFile(folder + records[index].name);
  }
}
