// Test-only: sets the process's local time zone for one scope and puts the old one back.
#pragma once

#include <optional>
#include <string>

class TimeZoneOverride {
 public:
  // zone is a POSIX TZ text such as "EST5EDT,M3.2.0,M11.1.0".
  explicit TimeZoneOverride(const std::string& zone);
  ~TimeZoneOverride();
  TimeZoneOverride(const TimeZoneOverride&) = delete;
  TimeZoneOverride& operator=(const TimeZoneOverride&) = delete;

 private:
  std::optional<std::string> saved;
};
