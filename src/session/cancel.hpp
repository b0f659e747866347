// Asking running work to stop, and pausing it.
#pragma once

namespace lumivane {

class Session;

struct CancelOutcome {
  bool Cancelled = false;  // the user confirmed; CancelRequested is set
  bool Restart = false;    // ... and ticked "Restart Lumivane V6 "
};

// Asks "Do you want to cancel ?"; on Yes sets CancelRequested. Restarting the program,
// when asked for, is left to the front end.
CancelOutcome Start_Cancel(Session& s);

// Holds the running stage at its next progress report until the user closes the
// "Pausing program, click OK to continue" box.
void PauseButtonClick(Session& s);

}  // namespace lumivane
