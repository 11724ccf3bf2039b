// The system's 32-bit millisecond tick count, widened to 64 bits by counting
// its wraps (every 49.7 days). Windows XP and Server 2003 have no
// GetTickCount64; get_tick_count64_import.cpp answers it from this there.
#pragma once

#include <atomic>
#include <cstdint>

// Locks or a helper library behind the atomic would not do: the count is read
// by the thread library, from any thread, at any time.
static_assert(std::atomic<std::uint64_t>::is_always_lock_free);

// `latest` holds the widest count handed out so far, 0 before the first call.
// The 32-bit count is read after `latest` is loaded, so it is never older than
// the count `latest` was made from, and the distance between the two, taken
// modulo 2^32, is the time that has passed since. That holds from any number
// of threads, as long as calls are less than 49.7 days apart.
template <typename ReadCount>
std::uint64_t WidenTickCount(std::atomic<std::uint64_t>& latest, ReadCount readCount) {
  std::uint64_t seen = latest.load();
  for (;;) {
    const std::uint32_t now = readCount();
    const std::uint64_t widened = seen + static_cast<std::uint32_t>(now - static_cast<std::uint32_t>(seen));
    if (widened == seen || latest.compare_exchange_weak(seen, widened)) return widened;
    // Another thread moved `latest` on (now in `seen`): read the count again, after it.
  }
}
