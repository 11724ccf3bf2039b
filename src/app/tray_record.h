// Which tray-icon record the shell understands, from the version Shell32 reports.
#pragma once

// Shell32's version as DllGetVersion reports it; all 0 when it reports none.
struct ShellVersion {
  unsigned long major = 0;
  unsigned long minor = 0;
  unsigned long build = 0;
};

enum class TrayRecord {
  Version3,  // the record of Windows 2000 and XP, without the balloon icon
  Complete,  // the record of Windows Vista and later
};

// Windows XP refuses a record size it does not know, and its Shell32 is 6.0
// as Vista's is: only Vista's build, 6000 or later, tells them apart.
TrayRecord TrayRecordFor(const ShellVersion& version);
