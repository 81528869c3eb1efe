#include "driver/exit_status.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

TEST(ExitStatusTest, PosixMapping) {
  const struct {
    int32_t result;
    int status;
  } cases[] = {
      {0, 0},
      {1, 1},
      {90, 90},
      {98, 98},
      {255, 255},
      {-1, 255},
      {256, 254},
      {512, 254},  // would be 0 in 8 bits
      {2627, 254},
      {547, 254},
      {-2, 254},
      {-256, 254},
      {std::numeric_limits<int32_t>::min(), 254},
      {std::numeric_limits<int32_t>::max(), 254},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(posixExitStatusFor(c.result), c.status) << "result " << c.result;
  }
}

TEST(ExitStatusTest, NoFailureBecomesZero) {
  for (int64_t r = -70000; r <= 70000; ++r) {
    if (r == 0) continue;
    ASSERT_NE(posixExitStatusFor(static_cast<int32_t>(r)), 0) << "result " << r;
  }
}

TEST(ExitStatusTest, PlatformMapping) {
#ifdef _WIN32
  EXPECT_EQ(exitStatusFor(2627), 2627);
  EXPECT_EQ(exitStatusFor(-1), -1);
#else
  EXPECT_EQ(exitStatusFor(2627), kStatusOutOfRange);
  EXPECT_EQ(exitStatusFor(-1), kStatusMinusOne);
  EXPECT_EQ(exitStatusFor(kResultArgumentError), 98);
#endif
}

}  // namespace
