// Independent pieces of work spread over a few threads for a moment.
#pragma once

#include <cstddef>
#include <functional>

// Calls each(0) to each(count - 1), spread over up to `threads` threads, the
// calling one among them, and returns when every call has returned. Each
// call must stand on its own: they run in no set order. Threads the system
// refuses to start leave their calls to the others.
void DoSideBySide(size_t count, unsigned threads, const std::function<void(size_t)>& each);
