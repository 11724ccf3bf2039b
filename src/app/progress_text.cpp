// Header, tooltip and balloon texts.
#include "app/progress_text.h"

#include <cstdio>
#include <cwchar>

double ProgressPercentage(std::int32_t minimum, std::int32_t maximum, std::int32_t position) {
  if (position < 1) return 0.0;
  const double range = static_cast<double>(maximum) - static_cast<double>(minimum);
  // A one-file run has an empty range, and a cancelled run restoring its backups
  // starts one step past the maximum: both mean the whole phase, not more.
  if (range <= 0.0) return 100.0;
  const double percentage = static_cast<double>(position) / range * 100.0;
  return percentage > 100.0 ? 100.0 : percentage;
}

std::wstring ProgressTooltip(std::int32_t minimum, std::int32_t maximum, std::int32_t position) {
  char number[32];
  std::snprintf(number, sizeof number, "%.2g", ProgressPercentage(minimum, maximum, position));
  std::wstring text = L"Sync in Progress: ";
  for (const char* c = number; *c; ++c) text += static_cast<wchar_t>(*c);
  return text + L"% complete";
}

std::wstring StartBalloonText(const std::wstring& remotePath) { return L"Starting Sync from\n" + remotePath; }

std::wstring HeaderText(const std::wstring& remotePath, const std::wstring& localPath) {
  std::wstring text = L"Sync Library\r\n";
  text += L" From:\t";
  text += remotePath.empty() ? L"<Select a remote library location in the Settings>" : remotePath;
  text += L"\r\n";
  text += L" To:\t";
  text += localPath.empty() ? L"<Select a local library location in the Settings>" : localPath;
  text += L"\r\n\r\n";
  return text;
}

void CopyToField(wchar_t* field, std::size_t capacity, const std::wstring& text) {
  if (capacity == 0) return;
  const std::size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
  std::wmemcpy(field, text.data(), length);
  field[length] = L'\0';
}
