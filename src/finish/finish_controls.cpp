#include "finish/finish_controls.hpp"

#include <string>
#include <vector>

#include "session/controls.hpp"

namespace lumivane::finish {

namespace {

void RegisterToneControls(Controls& c, const std::string& s) {
  c.AddDouble(s, "Gamma1spin", 0.1, 10.0, 1.0, 0.1, 2);
  c.Describe("Gamma1spin", "", "Changing the gamma-value will erase user specified curves");
  // Channel of the gamma and histogram tools; its item text is what the settings keep.
  c.AddChoice(s, "HistoChannel", {"RGB", "R", "G", "B"}, 0);
  c.AddDouble(s, "GammaHisto", 0.1, 4.0, 1.0, 0.1, 2);
  c.AddInt(s, "LovalSpin", 0, 256, 0);
  c.AddInt(s, "Hivalspin", 0, 255, 255);

  // Contrast factor = position / 250, brightness offset = position / 4; the two level boxes
  // show the same values in percent and display units.
  c.AddSlider(s, "ContrastSlider", 1, 1000, 250);
  c.AddSlider(s, "Brightnessslider", -512, 512, 0);
  c.AddInt(s, "Contrastlevel", 0, 400, 100);
  c.AddInt(s, "Brightnesslevel", -127, 128, 0);
  // A session reset keeps contrast, brightness and gamma while this is checked.
  c.AddCheck(s, "HoldContrastBrightness", false);
}

void RegisterColourControls(Controls& c, const std::string& s) {
  for (const char* name : {"Rbalance", "Gbalance", "Bbalance"}) c.AddDouble(s, name, 0.001, 3.0, 1.0, 0.05, 3);
  for (const char* name : {"RedSlider", "GreenSlider", "blueslider"}) c.AddSlider(s, name, -100, 100, 0);
  // Shift of the red and blue planes as seen on the screen: x to the right, y upwards.
  for (const char* name : {"RDXSpin", "RdySpin", "BDXspin", "BDYSpin"}) c.AddInt(s, name, -100, 100, 0);
}

void RegisterGeometryControls(Controls& c, const std::string& s) {
  c.AddInt(s, "ResizeRatio", 10, 200, 100, 10);
  c.Describe("ResizeRatio", "Resize Ratio (%)", "");
  // Rotation angle of the final image in degrees, without bounds; the combo writes 15 * item.
  c.AddDouble(s, "RxSpinEdit4", -1.0e6, 1.0e6, 0.0, 0.5, 1);
  std::vector<std::string> angles;
  for (int a = 0; a <= 360; a += 15) angles.push_back(std::to_string(a));
  c.AddChoice(s, "ComboBox2", std::move(angles), 0);
}

void RegisterMaskControls(Controls& c, const std::string& s) {
  c.AddChoice(s, "Mask_mode", {"Lo-Hi Intensity", "Lo Hi Gradient"}, 0);
  c.AddInt(s, "LoClip", 0, 255, 0);
  c.Describe("LoClip", "Low", "");
  c.AddInt(s, "HiClip", 0, 255, 255);
  c.Describe("HiClip", "High", "");
  c.AddInt(s, "FeatherClip", 1, 150, 5);
  c.Describe("FeatherClip", "Feather", "Create a smooth zone between mask and non-masked areas");
  c.AddInt(s, "MaskRadius", 1, 150, 2);
  c.Describe("MaskRadius", "Radius", "");
}

}  // namespace

void RegisterFinishControls(Controls& c) {
  const std::string s = "finish";
  RegisterToneControls(c, s);
  RegisterColourControls(c, s);
  RegisterGeometryControls(c, s);
  RegisterMaskControls(c, s);
}

}  // namespace lumivane::finish
