// Widening the 32-bit tick count: wraps are counted, nothing else moves the
// count on, and threads reading at once never see it jump or go back.
#include "compat/tick_count_wraps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

struct WidenCase {
  const char* name;
  std::vector<std::uint32_t> counts;   // what the 32-bit count reads, call by call
  std::vector<std::uint64_t> widened;  // what each call must answer
};

void PrintTo(const WidenCase& c, std::ostream* out) { *out << c.name; }

class WidenSequence : public testing::TestWithParam<WidenCase> {};

TEST_P(WidenSequence, AnswersEachReadingWithItsWraps) {
  const WidenCase& c = GetParam();
  ASSERT_EQ(c.counts.size(), c.widened.size());
  std::atomic<std::uint64_t> latest{0};
  for (std::size_t i = 0; i < c.counts.size(); ++i) {
    const std::uint32_t reading = c.counts[i];
    EXPECT_EQ(WidenTickCount(latest, [&] { return reading; }), c.widened[i]) << "call " << i;
  }
}

constexpr std::uint64_t kWrap = std::uint64_t{1} << 32;

INSTANTIATE_TEST_SUITE_P(
    Readings, WidenSequence,
    testing::Values(
        WidenCase{"first_call_is_the_count_itself", {0x1234}, {0x1234}},
        WidenCase{"rising_without_a_wrap", {0x10, 0x20, 0x7FFFFFFF, 0xFFFFFFFF}, {0x10, 0x20, 0x7FFFFFFF, 0xFFFFFFFF}},
        WidenCase{"same_reading_twice", {5, 5}, {5, 5}},
        WidenCase{"one_wrap", {0xFFFFFFF0, 0x5}, {0xFFFFFFF0, kWrap + 0x5}},
        WidenCase{"wrap_onto_zero", {0xFFFFFFFF, 0}, {0xFFFFFFFF, kWrap}},
        WidenCase{"gap_of_almost_a_whole_wrap", {0x100, 0xFF}, {0x100, kWrap + 0xFF}},
        WidenCase{"several_wraps",
                  {0x80000000, 0xFFFFFFFF, 0x10, 0x80000000, 0x7, 0x7},
                  {0x80000000, 0xFFFFFFFF, kWrap + 0x10, kWrap + 0x80000000, 2 * kWrap + 0x7, 2 * kWrap + 0x7}}),
    [](const testing::TestParamInfo<WidenCase>& info) { return std::string(info.param.name); });

// Threads that read a shared count while it wraps: every answer is one of the
// counts actually read, widened by the wraps before it, and no thread sees its
// answers go back. A count read before another thread's newer answer was
// taken in would come out almost a whole wrap too far.
TEST(WidenTickCount, ThreadsReadingAtOnceSeeOneRisingCount) {
  constexpr std::uint32_t kStart = 0xFFFF0000;  // wraps after 65,536 reads
  constexpr int kThreads = 4;
  constexpr int kCallsEach = 50000;
  std::atomic<std::uint32_t> ticks{kStart};  // moves on by one at every read
  // A thread may lose the processor right after reading the count; now and
  // then it does here, so that other threads move the count on meanwhile.
  const auto readTicks = [&] {
    const std::uint32_t count = ticks.fetch_add(1);
    if (count % 16 == 0) std::this_thread::yield();
    return count;
  };
  std::atomic<std::uint64_t> latest{0};
  // The first call is made before the threads start: no count is older than it.
  ASSERT_EQ(WidenTickCount(latest, readTicks), kStart);

  std::vector<std::vector<std::uint64_t>> answers(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      answers[t].reserve(kCallsEach);
      for (int i = 0; i < kCallsEach; ++i) answers[t].push_back(WidenTickCount(latest, readTicks));
    });
  }
  for (std::thread& thread : threads) thread.join();

  // Every read moved the count on by one, retries included.
  const std::uint64_t end = kStart + static_cast<std::uint64_t>(ticks.load() - kStart);
  ASSERT_GT(end, kWrap);
  std::uint64_t highest = 0;
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_TRUE(std::is_sorted(answers[t].begin(), answers[t].end())) << "thread " << t;
    for (std::uint64_t answer : answers[t]) {
      ASSERT_GE(answer, std::uint64_t{kStart}) << "thread " << t;
      ASSERT_LT(answer, end) << "thread " << t;
    }
    highest = std::max(highest, answers[t].back());
  }
  EXPECT_GT(highest, kWrap);
  EXPECT_EQ(latest.load(), highest);
}

}  // namespace
