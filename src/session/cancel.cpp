#include "session/cancel.hpp"

#include "session/session.hpp"

namespace lumivane {

CancelOutcome Start_Cancel(Session& s) {
  s.CancelRequested = false;
  int answer = CALLMessagedlg(s, "Cancelling ...", "Do you want to cancel ?", "Restart Lumivane V6 ", true, kButtonsYesNo);
  CancelOutcome out;
  if (answer == kResultYes) {
    s.CancelRequested = true;
    out.Cancelled = true;
    out.Restart = s.MessageCheckState;
  }
  return out;
}

void PauseButtonClick(Session& s) {
  s.Progress.SetPaused(true);
  CALLMessagedlg(s, "Lumivane V6", "Pausing program, click OK to continue", "", false, kButtonsOK);
  s.Progress.SetPaused(false);
}

}  // namespace lumivane
