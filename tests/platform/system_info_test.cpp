#include "platform/system_info.hpp"

#include <gtest/gtest.h>

namespace lumivane::platform {

TEST(ProcessorCount, EnvironmentWinsWhenPositiveElseHardwareClampedTo16) {
  struct Case { const char* env; unsigned hw; int expected; };
  const Case cases[] = {
      {"4", 2, 4},     {"1", 8, 1},     {"64", 2, 16},   // clamped to the 16 slots
      {"0", 6, 6},     {"-3", 6, 6},                      // "0" would deadlock the pool
      {"abc", 3, 3},   {"4x", 3, 3},    {"", 3, 3},
      {nullptr, 12, 12}, {nullptr, 40, 16}, {nullptr, 0, 1},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ProcessorCountFrom(c.env, c.hw), c.expected) << (c.env ? c.env : "(unset)") << " hw " << c.hw;
}

TEST(MemoryStatus, ParsesMeminfoIncludingSwap) {
  MemoryStatus m = ParseMemInfo(
      "MemTotal:       16384000 kB\nMemFree:  100 kB\nMemAvailable:    8192000 kB\n"
      "SwapTotal:       1024000 kB\nSwapFree:         512000 kB\n");
  EXPECT_EQ(m.totalPhysicalBytes, 16384000ull * 1024);
  EXPECT_EQ(m.freePhysicalBytes, 8192000ull * 1024);
  EXPECT_EQ(m.totalVirtualBytes, (16384000ull + 1024000) * 1024);
  EXPECT_EQ(m.freeVirtualBytes, (8192000ull + 512000) * 1024);
  EXPECT_GT(ReadMemoryStatus().totalPhysicalBytes, 0u);
}

}  // namespace lumivane::platform
