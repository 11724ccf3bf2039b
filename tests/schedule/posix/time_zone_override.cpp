// Test-only: the local time zone through TZ and tzset on POSIX.
#include "schedule/time_zone_override.h"

#include <cstdlib>
#include <ctime>

TimeZoneOverride::TimeZoneOverride(const std::string& zone) {
  if (const char* tz = std::getenv("TZ")) saved = tz;
  ::setenv("TZ", zone.c_str(), 1);
  ::tzset();
}

TimeZoneOverride::~TimeZoneOverride() {
  if (saved)
    ::setenv("TZ", saved->c_str(), 1);
  else
    ::unsetenv("TZ");
  ::tzset();
}
