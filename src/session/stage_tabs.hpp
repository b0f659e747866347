// Which stage tab may open and what opening it changes in the session. The window shows
// and hides its panels from the outcome; the gate is applied first, so panels always
// follow the tab that is really shown.
#pragma once
#include <array>
#include <cstdint>

namespace lumivane {

class Session;

enum StageTab : int { kTabAlign = 0, kTabStack = 1, kTabWavelet = 2, kStageTabCount = 3 };

// Tab colours (0x00BBGGRR values as the design gives them).
inline constexpr std::uint32_t kTabColourSelected = 0xF0CAA6;
inline constexpr std::uint32_t kTabColourClosed = 0xC0C0C0;
inline constexpr std::uint32_t kTabColourOpen = 0xC0DCC0;

struct TabPagesOutcome {
  int Tab = kTabAlign;                 // the tab shown, after the gate
  bool ProjectSaveEnabled = false;     // align tab with alignment data
  bool LayersRecomputed = false;       // the wavelet layers were dirty and were recomputed
  bool ProcessButtonEnabled = true;    // "Process" only without auto-processing
  std::array<std::uint32_t, kStageTabCount> TabColours{};
};

// The tab a request for `requested` really opens: the align tab always, another tab only
// up to StageReached.
int GateStageTab(int requested, int stageReached);

// Applies the stage tab `requested`: gates it, copies the filter method on the wavelet
// tab and recomputes dirty wavelet layers through Session::CalcWaveletLayers, sets
// ViewState (6 stack, 7 wavelet) and SelectedTab, and returns what the window shows.
TabPagesOutcome Change_TabPages(Session& s, int requested);

// Colour of tab `tab` when `selected` is shown.
std::uint32_t TabColour(int tab, int selected, int stageReached);

}  // namespace lumivane
