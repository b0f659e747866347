#include "session/stage_tabs.hpp"

#include <gtest/gtest.h>

#include "session/session.hpp"

namespace lumivane {

TEST(StageTabs, GateTable) {
  struct Case { int requested, stageReached, shown; };
  const Case cases[] = {
      {kTabAlign, 0, kTabAlign},   {kTabAlign, 3, kTabAlign},     // align is always allowed
      {kTabStack, 0, kTabAlign},   {kTabWavelet, 0, kTabAlign},   // nothing stacked yet
      {kTabStack, 1, kTabStack},   {kTabWavelet, 1, kTabStack},   // after the limit stage
      {kTabStack, 3, kTabStack},   {kTabWavelet, 3, kTabWavelet}, // after stacking
  };
  for (const Case& c : cases)
    EXPECT_EQ(GateStageTab(c.requested, c.stageReached), c.shown) << c.requested << " at " << c.stageReached;
}

TEST(StageTabs, WaveletBeforeStackingShowsAlignAndLeavesViewState) {
  Session s;
  s.ViewState = 4;
  TabPagesOutcome o = Change_TabPages(s, kTabWavelet);
  EXPECT_EQ(o.Tab, kTabAlign);
  EXPECT_EQ(s.SelectedTab, kTabAlign);
  EXPECT_EQ(s.ViewState, 4);
  EXPECT_EQ(o.TabColours[0], kTabColourSelected);
  EXPECT_EQ(o.TabColours[1], kTabColourClosed);
  EXPECT_EQ(o.TabColours[2], kTabColourClosed);
}

TEST(StageTabs, StackAndWaveletTabsSetViewStateAndRecomputeDirtyLayersOnce) {
  Session s;
  int computed = 0;
  s.CalcWaveletLayers = [&](Session& x) { ++computed; x.LayersDirty = false; };
  s.StageReached = 3;
  s.LayersDirty = true;
  s.Controls.SetIndex("CopyConvolveMethod", 0);
  EXPECT_EQ(Change_TabPages(s, kTabStack).Tab, kTabStack);
  EXPECT_EQ(s.ViewState, 6);
  EXPECT_EQ(computed, 0);
  TabPagesOutcome o = Change_TabPages(s, kTabWavelet);
  EXPECT_EQ(s.ViewState, 7);
  EXPECT_TRUE(o.LayersRecomputed);
  EXPECT_EQ(s.Controls.Index("ConvolveMethod"), 0);
  Change_TabPages(s, kTabWavelet);
  EXPECT_EQ(computed, 1);
  EXPECT_EQ(o.TabColours[0], kTabColourOpen);
  EXPECT_EQ(o.TabColours[2], kTabColourSelected);
}

TEST(StageTabs, ProjectSavingAndProcessButton) {
  Session s;
  s.AlignState = 2;
  EXPECT_TRUE(Change_TabPages(s, kTabAlign).ProjectSaveEnabled);
  s.AlignState = 1;
  EXPECT_FALSE(Change_TabPages(s, kTabAlign).ProjectSaveEnabled);
  s.Controls.SetChecked("Autoprocessbox", true);
  EXPECT_FALSE(Change_TabPages(s, kTabAlign).ProcessButtonEnabled);
}

}  // namespace lumivane
