// The controls of every subsystem registered together: no name twice, ranges and defaults
// as the window defines them, and every value the settings files keep has a control.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "align/align_controls.hpp"
#include "finish/finish_controls.hpp"
#include "input/input_controls.hpp"
#include "platform/error.hpp"
#include "session/ini_file.hpp"
#include "session/session.hpp"
#include "session/settings_groups.hpp"
#include "session/startup.hpp"
#include "session/text_format.hpp"
#include "stack/stack_controls.hpp"
#include "wavelet/wavelet_controls.hpp"

namespace lumivane {
namespace {

void RegisterAll(Controls& c) {
  input::RegisterInputControls(c);
  align::RegisterAlignControls(c);
  stack::RegisterStackControls(c);
  wavelet::RegisterWaveletControls(c);
  finish::RegisterFinishControls(c);
}

class Registered : public ::testing::Test {
 protected:
  Registered() { RegisterAll(s.Controls); }
  Session s;
  Controls& c = s.Controls;
};

// The settings groups and the values each keeps, spelt as the controls are registered.
// "Name.Property" keeps another property than the main value.
struct Group {
  const char* Name;
  std::vector<std::string> Values;
};

std::vector<std::string> Numbered(const std::string& first, const std::string& rest, int from, int to) {
  std::vector<std::string> v = {first};
  for (int i = from; i <= to; ++i) v.push_back(rest + std::to_string(i));
  return v;
}

std::vector<Group> StoredGroups() {
  std::vector<Group> g = {
      {"FormSettings",
       {"LevelStep", "Multiplicant", "CopyConvolveMethod", "HoldWavelets", "HoldContrastBrightness", "Colourstack",
        "AutoDetectColour", "Formmessage", "Checkupdates", "VersionNo.Caption", "PreviewFull", "ShowGraphbox1",
        "Autoprocessbox", "ShowFramelist1", "ShowAPwindow", "Videomode", "AviSizeMode", "NewIntensBalance",
        "ProjectSounds", "CamWhiteBalance", "OptimizeQualitySpin", "RecFITTIFSTRETCH", "Processarea",
        "AligntoWavelet1", "AligntoStack1", "StacktoWavelet1", "UseAdvControls", "MaxMultiScalePoints",
        "MultiScaleLevels", "MultiScaleSearcharea", "blocksize", "LimitNoOfFrames", "LimitMethod", "Edgewidth", "Cores",
        "ResizeRatio", "sensitivity.Tag", "Intensity_selection", "Dist", "MatrixEdgesetting", "BlockScan1", "MaxMove",
        "SaveAVIframerate", "debayergroup", "KeepSerBits", "WeakestAlignPoint"}},
      {"AlignStorage", {"ShowAlign", "MaxMove", "DisqualAp", "BlockScan1", "GravityCentre", "GravityLo"}},
      {"EstimateStorage", {"Dist", "LowIntensity", "MatrixEdgesetting", "Intensity_selection", "NoOfPoints"}},
      {"LimitStorage", {"LimitMethod", "OptimizeQualitySpin", "LimitNoOfFrames"}},
      {"StackStorage",
       {"Expandstack", "IDWPts", "Histostretch", "NewIntensBalance", "CorrectGeometryCheckbox", "Edgewidth",
        "StackSizeOption"}},
      {"maskstorage", {"LoClip", "HiClip", "MaskRadius", "FeatherClip", "Mask_mode"}},
      {"HistoStorage", {"LovalSpin", "Hivalspin", "GammaHisto", "HistoChannel.Text"}},
      {"contraststorage", {"Contrastlevel", "Brightnesslevel"}},
  };
  Group wavelet{"WAVELETSTORAGE", {"Waveletscheme", "ConvolveMethod", "LevelStep", "Multiplicant"}};
  for (const auto& list : {Numbered("ShowLayer1", "Showlayer", 2, 6), Numbered("BlurLayer1", "Blurlayer", 2, 6),
                           Numbered("Gausslayer1", "Gausslayer", 2, 6)})
    wavelet.Values.insert(wavelet.Values.end(), list.begin(), list.end());
  for (const char* n : {"Layer1Slider", "Layer2slider", "Layer3slider", "layer4slider", "Layer5slider", "Layer6slider",
                        "LinkLayers1"})
    wavelet.Values.push_back(n);
  g.push_back(wavelet);
  Group filter{"Filterstorage", {}};
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j) filter.Values.push_back("Filter" + std::to_string(i) + std::to_string(j));
  g.push_back(filter);
  return g;
}

std::string BareName(const std::string& qualified) { return qualified.substr(0, qualified.find('.')); }

TEST(Registration, EverySubsystemRegistersBesideTheOthersWithoutAClash) {
  Session s;
  EXPECT_NO_THROW(RegisterAll(s.Controls));
  // A second round finds every name taken.
  EXPECT_THROW(align::RegisterAlignControls(s.Controls), Error);
  EXPECT_THROW(finish::RegisterFinishControls(s.Controls), Error);
}

TEST_F(Registered, EveryStoredValueHasAControlSpeltAsTheGroupsSpellIt) {
  for (const Group& g : StoredGroups())
    for (const std::string& q : g.Values) {
      const std::string name = BareName(q);
      ASSERT_TRUE(c.Has(name)) << g.Name << ": " << name;
      // The settings files write the registered spelling, so it must be this one.
      EXPECT_EQ(c.CanonicalName(name), name) << g.Name;
      EXPECT_NO_THROW(c.PropertyText(q)) << g.Name << ": " << q;
    }
}

TEST_F(Registered, TheGroupsOfTheSettingsCodeFindTheirControls) {
  for (const SettingsGroup& g : PersistenceGroups())
    for (const std::string& q : g.Values) EXPECT_NO_THROW(c.PropertyText(q)) << g.Name << ": " << q;
}

// A value other than the current one, as the settings file would hold it.
std::string OtherValue(const Controls& c, const std::string& q) {
  const std::string name = BareName(q);
  const std::string prop = q.size() > name.size() ? q.substr(name.size() + 1) : "";
  if (prop == "Tag") return std::to_string(c.Slider(name).Tag + 7);
  if (prop == "Caption") return c.Info(name).Caption + " V9";
  const ControlInfo& info = c.Info(name);
  switch (info.Kind) {
    case ControlKind::Check: return c.Checked(name) ? "0" : "1";
    case ControlKind::Text: return c.Text(name) + "x";
    case ControlKind::Choice: {
      const auto items = c.Items(name);
      const size_t next = static_cast<size_t>(c.Index(name) + 1) % items.size();
      return prop == "Text" ? items[next] : std::to_string(next);
    }
    default: {
      const double v = c.Double(name);
      const double step = info.Kind == ControlKind::Double ? info.Step : std::max(1.0, info.Step);
      return NumberText(v + step <= info.Max ? v + step : v - step);
    }
  }
}

TEST_F(Registered, EveryGroupKeepsAChangedValueThroughItsFile) {
  for (const Group& g : StoredGroups()) {
    std::vector<std::string> before, changed;
    for (const std::string& q : g.Values) {
      before.push_back(c.PropertyText(q));
      c.SetPropertyFromText(q, OtherValue(c, q), Origin::Program);
      changed.push_back(c.PropertyText(q));
      EXPECT_NE(changed.back(), before.back()) << g.Name << ": " << q << " did not take another value";
    }
    IniFile ini;
    c.SaveToIni(ini, "S", g.Values);
    for (size_t i = 0; i < g.Values.size(); ++i) c.SetPropertyFromText(g.Values[i], before[i], Origin::Program);
    c.LoadFromIni(ini, "S", g.Values);
    for (size_t i = 0; i < g.Values.size(); ++i)
      EXPECT_EQ(c.PropertyText(g.Values[i]), changed[i]) << g.Name << ": " << g.Values[i];
  }
}

TEST_F(Registered, DefaultsLieInsideTheirRanges) {
  for (const std::string& name : c.Names()) {
    const ControlInfo& i = c.Info(name);
    switch (i.Kind) {
      case ControlKind::Int:
      case ControlKind::Double:
        EXPECT_GT(i.Step, 0) << name;
        if (i.Kind == ControlKind::Int) {
          EXPECT_EQ(i.DefaultNumber, std::floor(i.DefaultNumber)) << name;
        }
        [[fallthrough]];
      case ControlKind::Slider:
        EXPECT_LE(i.Min, i.DefaultNumber) << name;
        EXPECT_GE(i.Max, i.DefaultNumber) << name;
        break;
      case ControlKind::Choice:
        EXPECT_GE(i.DefaultNumber, -1) << name;
        EXPECT_LT(i.DefaultNumber, static_cast<double>(i.Items.size())) << name;
        break;
      default: break;
    }
  }
}

TEST_F(Registered, NumbersHaveTheRangeStepAndDefaultOfTheirControl) {
  struct Row {
    const char* name;
    ControlKind kind;
    double min, max, step, def;
    const char* subsystem;
  };
  const auto I = ControlKind::Int, D = ControlKind::Double, S = ControlKind::Slider;
  const Row rows[] = {
      {"Dist", I, 10, 200, 5, 30, "align"},
      {"MatrixEdgesetting", I, 0, 128, 1, 20, "align"},
      {"LowIntensity", I, 0, 200, 1, 30, "align"},
      {"blocksize", I, 10, 100, 1, 35, "align"},
      {"WeakestAlignPoint", D, 0.0005, 0.99, 0.001, 0.0005, "align"},
      {"sensitivity", S, 0, 2000, 1, 150, "align"},
      {"MultiScaleLevels", I, 0, 5, 1, 2, "align"},
      {"MultiScaleSearcharea", I, 5, 200, 5, 40, "align"},
      {"MaxMultiScalePoints", I, 5, 250, 5, 20, "align"},
      {"BlockScan1", I, 5, 200, 5, 30, "align"},
      {"MaxMove", I, 2, 30, 5, 5, "align"},
      {"GravityLo", I, 0, 256, 2, 0, "align"},
      {"OptimizeQualitySpin", I, 0, 100, 5, 80, "align"},
      {"LimitNoOfFrames", I, 0, 5000, 5, 200, "align"},
      {"IDWPts", I, 1, 4, 1, 3, "stack"},
      {"SaveAVIframerate", I, 1, 1000, 5, 25, "stack"},
      {"LevelStep", I, 1, 32, 1, 1, "wavelet"},
      {"Multiplicant", I, 0, 32, 1, 0, "wavelet"},
      {"Gausslayer4", D, 0, 300, 0.01, 0.1, "wavelet"},
      {"Blurlayer2", D, 0, 100, 0.05, 0, "wavelet"},
      {"layer4slider", S, -50, 1000, 1, 0, "wavelet"},
      {"Gamma1spin", D, 0.1, 10, 0.1, 1.0, "finish"},
      {"GammaHisto", D, 0.1, 4, 0.1, 1.0, "finish"},
      {"LovalSpin", I, 0, 256, 1, 0, "finish"},
      {"Hivalspin", I, 0, 255, 1, 255, "finish"},
      {"ContrastSlider", S, 1, 1000, 1, 250, "finish"},
      {"Brightnessslider", S, -512, 512, 1, 0, "finish"},
      {"Contrastlevel", I, 0, 400, 1, 100, "finish"},
      {"Brightnesslevel", I, -127, 128, 1, 0, "finish"},
      {"Gbalance", D, 0.001, 3, 0.05, 1.0, "finish"},
      {"blueslider", S, -100, 100, 1, 0, "finish"},
      {"BDYSpin", I, -100, 100, 1, 0, "finish"},
      {"ResizeRatio", I, 10, 200, 10, 100, "finish"},
      {"LoClip", I, 0, 255, 1, 0, "finish"},
      {"HiClip", I, 0, 255, 1, 255, "finish"},
      {"FeatherClip", I, 1, 150, 1, 5, "finish"},
      {"MaskRadius", I, 1, 150, 1, 2, "finish"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    const ControlInfo& i = c.Info(r.name);
    EXPECT_EQ(i.Kind, r.kind);
    EXPECT_EQ(i.Subsystem, r.subsystem);
    EXPECT_DOUBLE_EQ(i.Min, r.min);
    EXPECT_DOUBLE_EQ(i.Max, r.max);
    if (r.kind != S) {
      EXPECT_DOUBLE_EQ(i.Step, r.step);
    }
    EXPECT_DOUBLE_EQ(c.Double(r.name), r.def);
  }
  EXPECT_EQ(c.Info("WeakestAlignPoint").Decimals, 5);
  EXPECT_EQ(c.Info("Gausslayer1").Decimals, 3);
  EXPECT_EQ(c.Info("RxSpinEdit4").Decimals, 1);
}

TEST_F(Registered, TheSensitivitySliderRemembersHalfOfThePointsAtFirst) {
  EXPECT_EQ(c.Slider("sensitivity").Tag, 50);
  EXPECT_EQ(c.PropertyText("sensitivity.Tag"), "50");
}

TEST_F(Registered, ChoicesHaveTheirItemsAndDefault) {
  struct Row {
    const char* name;
    std::vector<std::string> items;
    int def;
  };
  const Row rows[] = {
      {"HistoChannel", {"RGB", "R", "G", "B"}, 0},
      {"Mask_mode", {"Lo-Hi Intensity", "Lo Hi Gradient"}, 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(c.Items(r.name), r.items) << r.name;
    EXPECT_EQ(c.Index(r.name), r.def) << r.name;
  }
  // Item counts and defaults where the items are only described.
  struct Count {
    const char* name;
    size_t items;
    int def;
  };
  for (Count k : {Count{"Waveletscheme", 2, 1}, {"LimitMethod", 4, 1}, {"StackSizeOption", 4, 0},
                  {"Intensity_selection", 3, 0}}) {
    EXPECT_EQ(c.Items(k.name).size(), k.items) << k.name;
    EXPECT_EQ(c.Index(k.name), k.def) << k.name;
  }
  EXPECT_EQ(c.Items("Waveletscheme")[0], "Dyadic (2^n)");
  EXPECT_EQ(c.Text("HistoChannel"), "RGB");
  // The rotation steps: entry i is 15 * i degrees, 0 to 360.
  const auto angles = c.Items("ComboBox2");
  ASSERT_EQ(angles.size(), 25u);
  for (size_t i = 0; i < angles.size(); ++i) EXPECT_EQ(angles[i], std::to_string(15 * i));
}

TEST_F(Registered, ChecksHaveTheirDefaultAndCaption) {
  struct Row {
    const char* name;
    bool def;
    const char* caption;
  };
  const Row rows[] = {
      {"CorrectGeometryCheckbox", true, "Correct geometry"},
      {"NewIntensBalance", false, "Normalization of frame intensity"},
      {"DisqualAp", false, "Disqualify"},
      {"GravityCentre", false, "Align by Centre of gravity"},
      {"LinkLayers1", false, "Use Linked Wavelets"},
      {"Showprocessingarea", false, "Show Processing Area"},
      {"CamWhiteBalance", false, "Use Camera WhiteBalance (DSLR)"},
      {"ShowLayer1", true, "1 : 1"},
      {"Showlayer6", true, "6 : 1"},
      {"HoldWavelets", false, ""},
      {"HoldContrastBrightness", false, ""},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(c.Checked(r.name), r.def) << r.name;
    EXPECT_EQ(c.Info(r.name).Caption, r.caption) << r.name;
  }
  EXPECT_EQ(c.Info("MatrixEdgesetting").Hint, "The space between alignpoints and the edge of the image ");
  EXPECT_EQ(c.Info("FeatherClip").Hint, "Create a smooth zone between mask and non-masked areas");
  EXPECT_EQ(c.Info("ResizeRatio").Caption, "Resize Ratio (%)");
}

TEST_F(Registered, TheDefaultFilterKernelHasItsCentreRingAndOuterRing) {
  const int expected[5][5] = {
      {0, 0, 0, 0, 0}, {0, 6, 6, 6, 0}, {0, 6, 50, 6, 0}, {0, 6, 6, 6, 0}, {0, 0, 0, 0, 0},
  };
  for (int row = 0; row < 5; ++row)
    for (int column = 0; column < 5; ++column) {
      const std::string name = "Filter" + std::to_string(row) + std::to_string(column);
      EXPECT_EQ(wavelet::FilterName(row, column), name);
      EXPECT_EQ(c.Int(name), expected[row][column]) << name;
    }
  // The entries have no bounds.
  c.SetInt("Filter00", -100000);
  c.SetInt("Filter44", 250000);
  EXPECT_EQ(c.Int("Filter00"), -100000);
  EXPECT_EQ(c.Int("Filter44"), 250000);
}

TEST_F(Registered, TheRotationAngleHasNoPracticalBounds) {
  for (double a : {-720.5, 0.5, 1000.0}) {
    c.SetDouble("RxSpinEdit4", a);
    EXPECT_DOUBLE_EQ(c.Double("RxSpinEdit4"), a);
  }
}

TEST_F(Registered, ANewSessionResetsTheFinishingAndWaveletControls) {
  c.SetIndex("ComboBox2", 4);
  c.SetDouble("RxSpinEdit4", 60);
  c.SetDouble("Rbalance", 2.5);
  c.SetSliderPosition("GreenSlider", -40);
  c.SetInt("RdySpin", 7);
  c.SetSliderPosition("Layer5slider", 300);
  c.SetChecked("Showlayer3", false);
  c.SetDouble("Gamma1spin", 2.2);
  initializesettings(s);
  EXPECT_EQ(c.Index("ComboBox2"), 0);
  EXPECT_DOUBLE_EQ(c.Double("RxSpinEdit4"), 0);
  EXPECT_DOUBLE_EQ(c.Double("Rbalance"), 1.0);
  EXPECT_EQ(c.Slider("GreenSlider").Position, 0);
  EXPECT_EQ(c.Int("RdySpin"), 0);
  for (const char* n : wavelet::kLayerSliderNames) EXPECT_EQ(c.Slider(n).Position, 10) << n;
  for (const char* n : wavelet::kShowLayerNames) EXPECT_TRUE(c.Checked(n)) << n;
  EXPECT_DOUBLE_EQ(c.Double("Gamma1spin"), 1.0);

  // Held weights and gamma survive the reset.
  c.SetChecked("HoldWavelets", true);
  c.SetChecked("HoldContrastBrightness", true);
  c.SetSliderPosition("Layer1Slider", 55);
  c.SetDouble("Gamma1spin", 1.8);
  initializesettings(s);
  EXPECT_EQ(c.Slider("Layer1Slider").Position, 55);
  EXPECT_DOUBLE_EQ(c.Double("Gamma1spin"), 1.8);
}

}  // namespace
}  // namespace lumivane
