// The tray record each Shell32 version is given.
#include "app/tray_record.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TrayRecord, OnlyVistaAndLaterGetTheCompleteRecord) {
  struct Case {
    ShellVersion version;
    TrayRecord record;
  } cases[] = {
      {{0, 0, 0}, TrayRecord::Version3},          // no version reported
      {{5, 0, 3900}, TrayRecord::Version3},       // Windows 2000
      {{6, 0, 2900}, TrayRecord::Version3},       // Windows XP
      {{6, 0, 3790}, TrayRecord::Version3},       // Server 2003
      {{6, 0, 6000}, TrayRecord::Complete},       // Vista
      {{6, 1, 7600}, TrayRecord::Complete},       // Windows 7
      {{10, 0, 19041}, TrayRecord::Complete},     // Windows 10 and 11
  };
  for (const Case& c : cases)
    EXPECT_EQ(TrayRecordFor(c.version), c.record) << c.version.major << "." << c.version.minor << "." << c.version.build;
}

}  // namespace
