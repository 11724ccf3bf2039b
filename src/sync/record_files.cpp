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

// Whether a folder the program makes below the application-data folder
// leads elsewhere. In the all-users folder another user can make Korvane,
// Shelfmate or Logs before the program does, as a link to a folder of their
// choosing; records (and the pruning) never go through one.
bool LinkOnTheWay(const std::wstring& base) {
  std::wstring folder = base;
  for (const wchar_t* part : {L"\\Korvane", L"\\Shelfmate", L"\\Logs"}) {
    folder += part;
    if (platform::IsLink(folder)) return true;
  }
  return false;
}

// The records' folder below an application-data folder, made when missing.
// The user's own folder holds only what the user (or an administrator) put
// there; in the all-users one, links are looked for before and after the
// folders are made.
bool FolderBelow(bool (*appData)(std::wstring&), bool shared, std::wstring& folder) {
  std::wstring base;
  if (!appData(base) || base.empty()) return false;
  folder = base + kRecordFolderBelowAppData;
  if (shared && LinkOnTheWay(base)) return false;
  return MakeFolderTree(folder) && !(shared && LinkOnTheWay(base));
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
  if (FolderBelow(&platform::CommonAppDataFolder, true, folder)) return folder;
  if (FolderBelow(&platform::LocalAppDataFolder, false, folder)) return folder;
  return std::wstring();
}

bool CreateRecordFile(const platform::LocalTime& start, std::wstring& path) {
  for (const bool shared : {true, false}) {
    std::wstring folder;
    if (!FolderBelow(shared ? &platform::CommonAppDataFolder : &platform::LocalAppDataFolder, shared, folder))
      continue;
    if (!CreateIn(folder, start, path)) continue;
    PruneRecords(folder, path.substr(folder.size()), kOldRecordsKept, kOldRecordBytesKept);
    return true;
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

void PruneRecords(const std::wstring& folder, const std::wstring& spared, size_t keep, std::uint64_t maxBytes) {
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
    if (!entry.isFolder && entry.name != spared && TimeOrderKey(entry.name, key))
      records.push_back({key, entry.name, entry.size});
  std::sort(records.begin(), records.end(), [](const Record& a, const Record& b) { return a.key > b.key; });
  size_t kept = 0;
  std::uint64_t bytes = 0;
  bool full = false;
  for (const Record& record : records) {
    // One record larger than the cap by itself could never be kept; it takes
    // none of the older ones with it.
    if (record.size > maxBytes) {
      platform::DeleteOneFile(folder + record.name);
      continue;
    }
    full = full || kept == keep || bytes + record.size > maxBytes;
    if (full) {
      platform::DeleteOneFile(folder + record.name);
      continue;
    }
    ++kept;
    bytes += record.size;
  }
}
