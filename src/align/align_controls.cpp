#include "align/align_controls.hpp"

#include "session/controls.hpp"

namespace lumivane::align {

namespace {

void RegisterPointControls(Controls& c, const std::string& s) {
  c.AddInt(s, "Dist", 10, 200, 30, 5);
  c.AddInt(s, "MatrixEdgesetting", 0, 128, 20);
  c.Describe("MatrixEdgesetting", "", "The space between alignpoints and the edge of the image ");
  // How the brightness of a point's area is measured: disc mean, 3x3 mean, darkest pixel.
  c.AddChoice(s, "Intensity_selection", {"Default", "3x3 mean", "Minimum"}, 0);
  c.AddInt(s, "LowIntensity", 0, 200, 30);
  c.Describe("LowIntensity", "", "Lowest average intensity for alignpoint-area");
  c.AddDouble(s, "WeakestAlignPoint", 0.0005, 0.99, 0.0005, 0.001, 5);
  c.AddInt(s, "blocksize", 10, 100, 35);
  c.AddInt(s, "NoOfPoints", 0, 2000, 200, 10);
  // Max follows the number of points found; Tag keeps the share last chosen, in percent.
  c.AddSlider(s, "sensitivity", 0, 2000, 150);
  c.SetSliderTag("sensitivity", 50);
}

void RegisterTrackingControls(Controls& c, const std::string& s) {
  c.AddInt(s, "MultiScaleLevels", 0, 5, 2);
  c.AddInt(s, "MultiScaleSearcharea", 5, 200, 40, 5);
  c.AddInt(s, "MaxMultiScalePoints", 5, 250, 20, 5);
  c.Describe("MaxMultiScalePoints", "", "Set max. number of Alignpoints for MultiScale Alignment");
  c.AddInt(s, "BlockScan1", 5, 200, 30, 5);
  c.Describe("BlockScan1", "", "Size of the area used during alignment for each Alignpoint");
  c.AddInt(s, "MaxMove", 2, 30, 5, 5);
  c.Describe("MaxMove", "", "Maximum allowed movement in pixels between Alignpoints");
  c.AddCheck(s, "DisqualAp", false, "Disqualify");
  c.AddCheck(s, "GravityCentre", false, "Align by Centre of gravity");
  c.AddInt(s, "GravityLo", 0, 256, 0, 2);
  // Run the following stages on their own once alignment is done.
  c.AddCheck(s, "AligntoWavelet1", false);
  c.Describe("AligntoWavelet1", "", "When active pressing ALIGN will Align, Limit and Stack the images automatically");
  c.AddCheck(s, "AligntoStack1", false);
}

void RegisterLimitControls(Controls& c, const std::string& s) {
  // 0 relative quality, 1 best frames in percent, 2 number of frames, 3 number of best
  // frames shared by every point.
  c.AddChoice(s, "LimitMethod", {"Quality (%)", "Best frames (%)", "Number of frames", "Limit ( X best Frames)"}, 1);
  c.Describe("LimitMethod", "", "Choose the method to select frames for stacking");
  c.AddInt(s, "OptimizeQualitySpin", 0, 100, 80, 5);
  c.AddInt(s, "LimitNoOfFrames", 0, 5000, 200, 5);
}

}  // namespace

void RegisterAlignControls(Controls& c) {
  const std::string s = "align";
  RegisterPointControls(c, s);
  RegisterTrackingControls(c, s);
  RegisterLimitControls(c, s);
}

}  // namespace lumivane::align
