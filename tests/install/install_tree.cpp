// Listing test folders with the names' real letter case.
#include "install/install_tree.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "support/temp_folder.h"

StringList NamesIn(const std::wstring& folder) {
  StringList names;
  std::error_code error;
  for (auto it = std::filesystem::directory_iterator(NativeOf(folder), error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error))
    names.push_back(it->path().filename().wstring());
  std::sort(names.begin(), names.end());
  return names;
}
