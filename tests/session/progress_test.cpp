#include "session/progress.hpp"

#include <gtest/gtest.h>

namespace lumivane {

using std::chrono::milliseconds;

TEST(ProgressTexts, TitleAndTimeTexts) {
  struct Case { ProgressKind kind; int done, max; long long ms; const char* title; const char* time; };
  const Case cases[] = {
      {ProgressKind::Stack, 50, 200, 10000, "L 6:Stack 25%", "Time used: 00:00:10 Time left: 00:00:29"},
      {ProgressKind::Align, 1, 8, 0, "L 6:Align 12%", "Time used: 00:00:00 Time left: 00:00:00"},  // 12.5 -> 12
      {ProgressKind::Align, 3, 8, 1000, "L 6:Align 38%", "Time used: 00:00:01 Time left: 00:00:01"},  // 37.5 -> 38
      {ProgressKind::Stack, 200, 200, 3723000, "L 6:Stack 100%", "Time used: 01:02:03 Time left: 00:00:00"},
      {ProgressKind::Stack, 1, 2, 90000000, "L 6:Stack 50%", "Time used: 25:00:00 Time left: 12:30:00"},  // no wrap at 24 h
  };
  for (const Case& c : cases) {
    ProgressTexts t = ComputeProgressTexts(c.kind, c.done, c.max, milliseconds(c.ms));
    ASSERT_TRUE(t.Title.has_value());
    EXPECT_EQ(*t.Title, c.title);
    EXPECT_EQ(t.Time, c.time);
    EXPECT_EQ(t.Position, c.done);
  }
}

TEST(ProgressTexts, AMaximumOfZeroLeavesTheTitleAlone) {
  EXPECT_FALSE(ComputeProgressTexts(ProgressKind::Stack, 0, 0, milliseconds(5)).Title.has_value());
}

TEST(ProgressMonitor, SumsTheSlotCountersFromAMonotonicStart) {
  ProgressMonitor m;
  m.Start(ProgressKind::Stack, 200);
  m.SetCounter(0, 20);
  m.SetCounter(15, 30);
  EXPECT_EQ(m.Done(), 50);
  ProgressTexts t = m.Texts(m.StartTime() + milliseconds(10000));
  EXPECT_EQ(*t.Title, "L 6:Stack 25%");
  EXPECT_EQ(t.Time, "Time used: 00:00:10 Time left: 00:00:29");
  m.Start(ProgressKind::Align, 10);
  EXPECT_EQ(m.Done(), 0);
}

}  // namespace lumivane
