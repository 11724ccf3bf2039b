// Test-only: the local time zone through the C runtime's TZ and _tzset on Windows.
#include "schedule/time_zone_override.h"

#include <cstdlib>
#include <ctime>

TimeZoneOverride::TimeZoneOverride(const std::string& zone) {
  if (const char* tz = std::getenv("TZ")) saved = tz;
  ::_putenv_s("TZ", zone.c_str());
  ::_tzset();
}

TimeZoneOverride::~TimeZoneOverride() {
  // An empty value removes the variable.
  ::_putenv_s("TZ", saved ? saved->c_str() : "");
  ::_tzset();
}
