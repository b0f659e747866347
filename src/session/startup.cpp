#include "session/startup.hpp"

#include "session/session.hpp"
#include "session/text_format.hpp"
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
  initializesettings(s);
}

}  // namespace lumivane


namespace lumivane {

CoresAppearance CoresLook(int cores, int logical, bool atStart) {
  if (cores > logical) return {0x0000FF, "Core-setting might not improve processingspeed"};
  if (cores == logical)
    return {0x008000, atStart ? "Core-setting equals the number of CPUs" : "Core-setting equals number of CPUs"};
  return {0xFF0000, "Core-setting is lower then optimal"};
}

std::optional<WindowRect> StoredWindowPlacement(const std::string& showCmd, const std::string& normpos, int screenW,
                                                int screenH) {
  if (showCmd == "3" || showCmd == "0" || normpos == "0") return std::nullopt;
  int v[4];
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t comma = normpos.find(',', start);
    const std::string part = normpos.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    auto n = ParseInteger(part);
    if (!n || (i < 3 && comma == std::string::npos)) return std::nullopt;
    v[i] = static_cast<int>(*n);
    start = comma + 1;
  }
  const int left = v[0], top = v[1], right = v[2], bottom = v[3];
  if (left >= screenW || top >= screenH) return std::nullopt;
  WindowRect r{left, top, right - left, bottom - top};
  if (r.Left + r.Width > screenW) r.Width = screenW - r.Left;
  if (r.Top + r.Height > screenH) r.Height = screenH - r.Top;
  if (r.Width <= 0 || r.Height <= 0) return std::nullopt;
  return r;
}

void initializesettings(Session& s) {
  Controls& c = s.Controls;
  auto set = [&c](const char* name, double v) {
    if (c.Has(name)) c.SetDouble(name, v);
  };
  s.SelectedTab = 0;
  set("ComboBox2", 0);
  set("RxSpinEdit4", 0);
  if (!c.Checked("Colourstack")) set("LRGB", 0);
  for (const char* n : {"Rbalance", "Gbalance", "Bbalance"}) set(n, 1.0);
  for (const char* n : {"RedSlider", "GreenSlider", "blueslider"}) set(n, 0);
  for (const char* n : {"RDXSpin", "RdySpin", "BDXspin", "BDYSpin"}) set(n, 0);
  s.CentreX = s.CentreY = 0;
  s.StretchBounds = {};
  s.LuminanceFrameLoaded = false;
  s.SingleImage = false;
  s.IsFits = false;
  s.IndexedSource = false;
  if (!(c.Has("HoldWavelets") && c.Checked("HoldWavelets")))
    for (const char* n : {"Layer1Slider", "Layer2slider", "Layer3slider", "layer4slider", "Layer5slider", "Layer6slider"})
      set(n, 10);
  if (!(c.Has("HoldContrastBrightness") && c.Checked("HoldContrastBrightness"))) {
    set("ContrastSlider", 250);
    set("Brightnessslider", 0);
    set("Gamma1spin", 1.0);
  }
  for (const char* n : {"ShowLayer1", "Showlayer2", "Showlayer3", "Showlayer4", "Showlayer5", "Showlayer6"}) set(n, 1);
  s.Area.OriginX = s.Area.OriginY = 0;
  s.Frames.ResizeEntries(101);
  s.FramePointResults.Resize(101, kPointColumnsAtOpen);
  s.CancelRequested = false;
}

CloseDecision FormCloseQuery(Session& s) {
  CloseDecision d;
  if (s.ResultSaved || s.StageReached <= 2) return d;
  const int answer = CALLMessagedlg(s, "Closing Lumivane", "You have not saved your results.\n\rSave before quitting ?", "",
                                    false, kButtonsYesNoCancel);
  if (answer == kResultCancel) {
    d.Close = false;  // and whatever runs goes on
    return d;
  }
  s.CancelRequested = true;
  if (answer == kResultYes) {
    d.Close = false;
    d.SaveFirst = true;
  }
  return d;
}

}  // namespace lumivane
