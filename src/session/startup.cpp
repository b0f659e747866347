#include "session/startup.hpp"

#include "session/session.hpp"
#include "session/worker_pool.hpp"

namespace lumivane {

void ApplyStartupWorkerCount(Session& s, int processorCount) {
  if (s.Controls.Int("Cores") == 1) s.Controls.SetInt("Cores", ClampCores(processorCount));
}

void StartSession(Session& s, int processorCount) {
  s.AlignState = 0;
  s.ViewState = 0;
  s.StageReached = 0;
  s.SelectedTab = 0;
  s.CancelRequested = false;
  s.SetupImageDataSection(2, 2);
  s.Work.RawPlane.Allocate(2, 2);
  s.Data.AuxPlane.Allocate(2, 2);
  s.Frames.ResizeEntries(100);
  s.FramePointResults.Resize(101, kPointColumnsAtOpen);
  ApplyStartupWorkerCount(s, processorCount);
}

}  // namespace lumivane
