#include "session/stage_tabs.hpp"

#include "session/session.hpp"

namespace lumivane {

int GateStageTab(int requested, int stageReached) {
  if (requested < kTabAlign || requested >= kStageTabCount) return kTabAlign;
  if (requested != kTabAlign && requested > stageReached) return stageReached < kStageTabCount ? stageReached : kTabAlign;
  return requested;
}

std::uint32_t TabColour(int tab, int selected, int stageReached) {
  if (tab == selected) return kTabColourSelected;
  if (tab > stageReached) return kTabColourClosed;
  return kTabColourOpen;
}

TabPagesOutcome Change_TabPages(Session& s, int requested) {
  TabPagesOutcome out;
  const int t = GateStageTab(requested, s.StageReached);
  out.Tab = t;
  out.ProjectSaveEnabled = t == kTabAlign && s.AlignState > 1;
  if (t == kTabWavelet) {
    s.Controls.SetIndex("ConvolveMethod", s.Controls.Index("CopyConvolveMethod"));
    if (s.LayersDirty && s.CalcWaveletLayers) {
      s.CalcWaveletLayers(s);
      out.LayersRecomputed = true;
    }
  }
  if (t == kTabStack) s.ViewState = 6;
  if (t == kTabWavelet) s.ViewState = 7;
  s.SelectedTab = t;
  out.ProcessButtonEnabled = !s.Controls.Checked("Autoprocessbox");
  for (int i = 0; i < kStageTabCount; ++i) out.TabColours[static_cast<size_t>(i)] = TabColour(i, t, s.StageReached);
  return out;
}

}  // namespace lumivane
