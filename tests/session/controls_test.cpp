#include "session/controls.hpp"

#include <gtest/gtest.h>

#include "platform/error.hpp"
#include "session/session.hpp"

namespace lumivane {

TEST(Controls, SettingClampsLikeTheControl) {
  Controls c;
  c.AddInt("t", "Cores", 1, 8, 1);
  c.AddDouble("t", "Resamplespin", 1.0, 4.0, 2.0, 0.2, 1);
  c.AddChoice("t", "LimitMethod", {"a", "b", "c"}, 0);
  c.AddSlider("t", "PreviewSlider", 0, 99, 0);
  struct Case { const char* name; double set; double expected; };
  const Case cases[] = {
      {"Cores", 0, 1},  {"Cores", 12, 8},  {"Cores", 4, 4},   {"Cores", 3.6, 4},
      {"Resamplespin", 0.5, 1.0}, {"Resamplespin", 9, 4.0}, {"Resamplespin", 2.6, 2.6},
      {"LimitMethod", 7, 2}, {"LimitMethod", -5, -1},
      {"PreviewSlider", 150, 99}, {"PreviewSlider", -1, 0},
  };
  for (const Case& k : cases) {
    c.SetDouble(k.name, k.set);
    EXPECT_DOUBLE_EQ(c.Double(k.name), k.expected) << k.name << " := " << k.set;
  }
  c.SetSliderPosition("PreviewSlider", 50);
  c.SetSliderRange("PreviewSlider", 0, 9);  // shrinking the range pulls the position in
  EXPECT_EQ(c.Slider("PreviewSlider").Position, 9);
}

TEST(Controls, NamesAreFoundWithoutRegardToCaseAndUnknownNamesAreErrors) {
  Controls c;
  c.AddSlider("t", "Layer2slider", 0, 100, 10);
  EXPECT_EQ(c.CanonicalName("LAYER2SLIDER"), "Layer2slider");
  EXPECT_THROW(c.Int("Layer7slider"), Error);
  EXPECT_THROW(c.AddCheck("t", "layer2SLIDER", false), Error);
}

TEST(Controls, TextValuesAreCheckedAndRefusedWithAClearMessage) {
  Controls c;
  c.AddInt("t", "Cores", 1, 8, 1);
  c.AddCheck("t", "Colourstack", false);
  c.AddChoice("t", "Processarea", {"2048", "1024", "512"}, 2);
  c.AddDouble("t", "Gamma", 0.1, 5, 1, 0.1, 2);
  c.SetFromText("Cores", "4");
  c.SetFromText("Colourstack", "true");
  c.SetFromText("Processarea", "1");
  c.SetFromText("Gamma", "1.25");
  EXPECT_EQ(c.Int("Cores"), 4);
  EXPECT_TRUE(c.Checked("Colourstack"));
  EXPECT_EQ(c.Text("Processarea"), "1024");
  EXPECT_DOUBLE_EQ(c.Double("Gamma"), 1.25);
  c.SetFromText("Processarea", "2048");  // an item text also selects
  EXPECT_EQ(c.Index("Processarea"), 0);
  for (auto [name, text] : {std::pair{"Cores", "four"}, {"Cores", "4.5"}, {"Colourstack", "maybe"},
                            {"Processarea", "9"}, {"Gamma", "1,25"}}) {
    try {
      c.SetFromText(name, text);
      ADD_FAILURE() << name << "=" << text << " was accepted";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(c.Int("Cores"), 4);  // a refused value changes nothing
}

TEST(Controls, HandlersRunForUserAndReplayButNotForTheProgramsOwnUpdates) {
  Controls c;
  c.AddCheck("t", "Avidebay", false);
  std::vector<Origin> handled;
  std::vector<std::string> observed;
  c.OnChange("Avidebay", [&](Origin o) { handled.push_back(o); });
  int id = c.Observe([&](const std::string& name, Origin) { observed.push_back(name); });
  c.SetChecked("Avidebay", true, Origin::Program);
  c.SetChecked("Avidebay", false, Origin::User);
  c.SetChecked("Avidebay", true, Origin::Replay);
  c.SetChecked("Avidebay", true, Origin::User);  // no change, no event
  EXPECT_EQ(handled, (std::vector<Origin>{Origin::User, Origin::Replay}));
  EXPECT_EQ(observed.size(), 3u);
  c.Unobserve(id);
  c.SetChecked("Avidebay", false, Origin::User);
  EXPECT_EQ(observed.size(), 3u);
}

TEST(Controls, ResetRestoresTheDefault) {
  Controls c;
  c.AddSlider("t", "Layer1Slider", 0, 100, 10);
  c.SetSliderRange("Layer1Slider", 0, 500);
  c.SetSliderPosition("Layer1Slider", 300);
  c.Reset("Layer1Slider");
  EXPECT_EQ(c.Slider("Layer1Slider").Position, 10);
  EXPECT_EQ(c.Slider("Layer1Slider").Max, 100);
}

TEST(SessionControls, ShellControlsAreRegisteredWithTheirRangesAndDefaults) {
  Session s;
  EXPECT_EQ(s.Controls.Int("Cores"), 1);
  EXPECT_EQ(s.Controls.Info("Cores").Max, 8);
  EXPECT_EQ(s.Controls.Info("Cores").Hint, "Cores used for multicore processing");
  EXPECT_EQ(s.Controls.Index("ConvolveMethod"), 1);
  EXPECT_EQ(s.Controls.Text("Processarea"), "512");
  EXPECT_DOUBLE_EQ(s.Controls.Double("Resamplespin"), 2.0);
  EXPECT_EQ(s.Controls.Info("ProjectSounds").Caption, "Play Sounds");
  for (const char* n : {"Colourstack", "Colourprocess2", "ShowAlign", "Avidebay", "PreviewSlider", "Autoprocessbox"})
    EXPECT_TRUE(s.Controls.Has(n)) << n;
}

}  // namespace lumivane
