// Spreading independent calls over a few short-lived threads.
#include "sync/side_by_side.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/host.h"

void DoSideBySide(size_t count, unsigned threads, const std::function<void(size_t)>& each) {
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t at = next++; at < count; at = next++) each(at);
  };
  std::vector<std::thread> helpers;
  const size_t extra = std::min<size_t>(threads > 1 ? threads - 1 : 0, count > 1 ? count - 1 : 0);
  helpers.reserve(extra);
  // A helper the system refuses leaves its share to the others.
  for (size_t i = 0; i < extra; ++i) {
    try {
      helpers.push_back(platform::StartThread(work));
    } catch (const std::system_error&) {
    }
  }
  work();
  for (std::thread& helper : helpers) helper.join();
}
