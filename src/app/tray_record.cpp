// The tray record for a Shell32 version.
#include "app/tray_record.h"

namespace {

constexpr unsigned long kFirstVistaBuild = 6000;

}  // namespace

TrayRecord TrayRecordFor(const ShellVersion& version) {
  const bool laterThanSix = version.major > 6 || (version.major == 6 && version.minor > 0);
  const bool vista = version.major == 6 && version.minor == 0 && version.build >= kFirstVistaBuild;
  return laterThanSix || vista ? TrayRecord::Complete : TrayRecord::Version3;
}
