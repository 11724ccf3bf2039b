// The texts the window shows for a sync: header, tray tooltip and balloons.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Percent of a counted phase: 0 before the first file, at most 100.
double ProgressPercentage(std::int32_t minimum, std::int32_t maximum, std::int32_t position);

// "Sync in Progress: " + percentage as printf's %.2g + "% complete".
std::wstring ProgressTooltip(std::int32_t minimum, std::int32_t maximum, std::int32_t position);

// "Starting Sync from\n" + the remote folder.
std::wstring StartBalloonText(const std::wstring& remotePath);

// The log view's header naming both folders, with placeholders for unset ones.
std::wstring HeaderText(const std::wstring& remotePath, const std::wstring& localPath);

// Copies text into a fixed character field, cut to fit, always zero-terminated.
void CopyToField(wchar_t* field, std::size_t capacity, const std::wstring& text);

template <std::size_t N>
void CopyToField(wchar_t (&field)[N], const std::wstring& text) {
  CopyToField(field, N, text);
}
