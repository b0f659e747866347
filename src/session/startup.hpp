// What a new session gets before the user does anything: the worker count, a start-size
// image data section and the per-frame tables at their start size.
#pragma once

namespace lumivane {

class Session;

// A stored worker count of 1 becomes the machine's processor count (at most 8).
void ApplyStartupWorkerCount(Session& s, int processorCount);

// Start-up state: AlignState, ViewState and StageReached 0, a 2 x 2 image data section,
// the frame tables sized 100 and cleared, the worker count as above.
void StartSession(Session& s, int processorCount);

}  // namespace lumivane
