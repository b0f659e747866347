#include "session/session_controls.hpp"

#include "session/controls.hpp"
#include "session/limits.hpp"

namespace lumivane {

void RegisterSessionControls(Controls& c) {
  const std::string s = "session";

  // Worker count and feedback.
  c.AddInt(s, "Cores", 1, kMaxCores, 1);
  c.Describe("Cores", "Cores", "Cores used for multicore processing");
  c.AddCheck(s, "ShowAlign", false, "Show Alignment");
  c.AddCheck(s, "ProjectSounds", false, "Play Sounds");

  // Colour of the session.
  c.AddCheck(s, "Colourstack", false, "Colour");
  c.Describe("Colourstack", "Colour", "When Active processing will be done for Red/Green/Blue layers");
  c.AddCheck(s, "Colourprocess2", false, "Colour");
  c.AddCheck(s, "LRGB", false, "LRGB");
  c.AddCheck(s, "LRGB2", false, "LRGB");
  c.AddCheck(s, "Avidebay", false, "Debayer");
  c.AddChoice(s, "Avi_processing_mode", {"Classic", "New"}, 0);

  // Frame sliders: 0 .. frame count - 1, kept in step by opening.
  for (const char* name : {"PreviewSlider", "StackSlider", "AlignSlider", "Multi_QualSlider"}) c.AddSlider(s, name, 0, 0, 0);

  // Align page panels.
  c.AddCheck(s, "ShowAPwindow", false, "Alignment points window");
  c.AddCheck(s, "Show_Prefilter", false, "Show Prefilter");
  c.AddCheck(s, "AlignAdvancedControls", false, "Advanced controls");
  c.AddCheck(s, "ShowFramelist1", false, "Frame list");
  c.AddCheck(s, "ShowGraphbox1", false, "Registration graph");

  // Wavelet page tool toggles (a panel is shown while its button is down).
  for (const char* name : {"RGBAlignButton", "Showcomparingpanel", "Denoiselayer1", "ZoomWaveletbutton",
                           "Gammaspeedbutton1", "Histogramspeedbutton1", "RGBbalancespeedbutton",
                           "Waveletfilterspeedbutton", "CreateMask", "FlipandRotateButton", "LineGraphButton",
                           "LRGBMixing"})
    c.AddCheck(s, name, false);
  c.AddCheck(s, "ProcessViewfull", false, "Show Full Image");
  c.AddCheck(s, "Autoprocessbox", false, "Auto Process");
  c.AddChoice(s, "ConvolveMethod", {"Default filter", "Gaussian"}, 1);
  c.AddChoice(s, "CopyConvolveMethod", {"Default filter", "Gaussian"}, 1);
  c.AddChoice(s, "Processarea", {"2048", "1024", "512", "256", "128"}, 2);

  // Stack size switches read when the image data section is set up.
  c.AddCheck(s, "Resampled", false, "Resampling");
  c.Describe("Resampled", "Resampling", "When Active, stacking will be done using 8 bits to create a larger stacked image");
  c.AddDouble(s, "Resamplespin", 1.0, 4.0, 2.0, 0.2, 1);
  c.Describe("Resamplespin", "", "The resamplefactor controls the size of the stacked image");
  c.AddCheck(s, "Drizzling", false, "Drizzling");
  c.Describe("Drizzling", "Drizzling",
             "When Active, Stacking will be done using drizzling and the drizzlingfactor creating a 2x enlarged final image");

  // Window options the settings file keeps: the start-up message, the version check, the
  // advanced controls, and the version label (its caption is what is stored).
  c.AddCheck(s, "Formmessage", false);
  c.AddCheck(s, "Checkupdates", false);
  c.AddCheck(s, "UseAdvControls", false);
  c.AddText(s, "VersionNo", "");
}

}  // namespace lumivane
