// What a new session gets before the user does anything: the worker count, a start-size
// image data section and the per-frame tables at their start size.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace lumivane {

class Session;

// A stored worker count of 1 becomes the machine's processor count (at most 8).
void ApplyStartupWorkerCount(Session& s, int processorCount);

// Start-up state: AlignState, ViewState and StageReached 0, a 2 x 2 image data section,
// the frame tables sized 100 and cleared, the worker count as above, then the per-session
// defaults.
void StartSession(Session& s, int processorCount);

}  // namespace lumivane


namespace lumivane {

// Colour (0x00BBGGRR) and hint of the worker-count control against the logical processor
// count: above it red, equal green, below blue. `atStart` picks the wording of start-up.
struct CoresAppearance {
  std::uint32_t Colour = 0;
  std::string Hint;
};
CoresAppearance CoresLook(int cores, int logicalProcessors, bool atStart);

// Where the window goes from the stored "ShowCmd" and "Normpos" ("left,top,right,bottom"):
// nothing when ShowCmd is "3" or "0" or Normpos is "0" or unreadable, or when the stored
// corner lies off the screen; the size is cut so that the window ends at the screen's edge.
struct WindowRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};
std::optional<WindowRect> StoredWindowPlacement(const std::string& showCmd, const std::string& normpos, int screenW,
                                                int screenH);

// The per-session defaults every new recording starts from.
void initializesettings(Session& s);

// Closing: what to do when the user closes the window.
struct CloseDecision {
  bool Close = true;         // close now
  bool SaveFirst = false;    // run the image save; stay open when nothing was saved
};
// Asks "Closing Lumivane" when a stack exists and was not saved; Yes and No ask running
// work to stop; Cancel keeps the program, and its work, running.
CloseDecision FormCloseQuery(Session& s);

}  // namespace lumivane
