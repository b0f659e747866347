#include "session/ini_file.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <clocale>
#include <filesystem>

#include "session/controls.hpp"

namespace lumivane {

TEST(IniFile, SectionsAndKeysMatchWithoutRegardToCase) {
  IniFile ini;
  ini.Parse("[Files]\nLastStacksavetype=TIF\n; comment\n\n[form]\nCores.Value = 4\n");
  EXPECT_EQ(ini.Get("files", "Laststacksavetype").value_or(""), "TIF");
  EXPECT_EQ(ini.Get("FORM", "cores.value").value_or(""), "4");
  EXPECT_FALSE(ini.Get("Files", "missing").has_value());
  ini.Set("FILES", "LASTSTACKSAVETYPE", "PNG");  // same key, first spelling kept
  EXPECT_EQ(ini.Keys("Files"), std::vector<std::string>{"LastStacksavetype"});
  EXPECT_EQ(ini.Get("Files", "laststacksavetype").value_or(""), "PNG");
}

TEST(IniFile, TextRoundTripKeepsOrderAndValuesWithEquals) {
  IniFile a;
  a.Set("ALIGN", "MaxMove", "10");
  a.Set("ALIGN", "Formula", "a=b");
  a.Set("STACK", "Edgewidth", "2.5");
  IniFile b;
  b.Parse(a.Text());
  EXPECT_EQ(b.Text(), a.Text());
  EXPECT_EQ(b.Get("ALIGN", "Formula").value_or(""), "a=b");
}

TEST(IniFile, SaveAndLoadThroughTheDisk) {
  const std::string path = (std::filesystem::temp_directory_path() / ("lv_ini_" + std::to_string(::getpid()) + ".ini")).string();
  IniFile a(path);
  a.Set("Form", "Cores", "3");
  a.Save();
  IniFile b(path);
  EXPECT_TRUE(b.Load());
  EXPECT_EQ(b.Get("Form", "Cores").value_or(""), "3");
  std::filesystem::remove(path);
  IniFile missing(path);
  EXPECT_FALSE(missing.Load());
  EXPECT_TRUE(missing.Sections().empty());
}

namespace {
void RegisterOneOfEachKind(Controls& c) {
  c.AddDouble("t", "Resamplespin", 1.0, 4.0, 2.0, 0.2, 1);
  c.AddInt("t", "Cores", 1, 8, 1);
  c.AddCheck("t", "Colourstack", false);
  c.AddChoice("t", "LimitMethod", {"a", "b", "c"}, 0);
  c.AddSlider("t", "Layer1Slider", 0, 100, 10);
  c.AddText("t", "HistoChannel", "RGB");
}
}  // namespace

TEST(IniFile, ControlValuesRoundTripWithDotDecimalsWhateverTheLocale) {
  // A locale with decimal commas must not change what the files hold.
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  std::string saved = previous ? previous : "C";
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");

  Controls c;
  RegisterOneOfEachKind(c);
  c.SetDouble("Resamplespin", 2.6);
  c.SetInt("Cores", 4);
  c.SetChecked("Colourstack", true);
  c.SetIndex("LimitMethod", 2);
  c.SetSliderRange("Layer1Slider", 0, 200);
  c.SetSliderPosition("Layer1Slider", 150);
  c.SetSliderTag("Layer1Slider", 7);
  c.SetText("HistoChannel", "Red, green");
  const std::vector<std::string> names = {"Resamplespin", "Cores", "Colourstack", "LimitMethod",
                                          "Layer1Slider.Max", "Layer1Slider", "Layer1Slider.Tag", "HistoChannel.Text"};
  IniFile ini;
  c.SaveToIni(ini, "STACK", names);
  EXPECT_EQ(ini.Get("STACK", "Resamplespin").value_or(""), "2.6");
  EXPECT_EQ(ini.Get("STACK", "Layer1Slider.Max").value_or(""), "200");

  Controls d;
  RegisterOneOfEachKind(d);
  IniFile reread;
  reread.Parse(ini.Text());
  d.LoadFromIni(reread, "stack", names);
  std::setlocale(LC_NUMERIC, saved.c_str());

  EXPECT_DOUBLE_EQ(d.Double("Resamplespin"), 2.6);
  EXPECT_EQ(d.Int("Cores"), 4);
  EXPECT_TRUE(d.Checked("Colourstack"));
  EXPECT_EQ(d.Index("LimitMethod"), 2);
  EXPECT_EQ(d.Slider("Layer1Slider").Position, 150);  // the range came first, so 150 fits
  EXPECT_EQ(d.Slider("Layer1Slider").Tag, 7);
  EXPECT_EQ(d.Text("HistoChannel"), "Red, green");
}

TEST(IniFile, MissingOrUnreadableKeysKeepTheCurrentValue) {
  Controls c;
  c.AddInt("t", "MaxMove", 1, 50, 10);
  c.AddCheck("t", "ShowAlign", false);
  c.SetInt("MaxMove", 20);
  IniFile ini;
  ini.Parse("[ALIGN]\nShowAlign=banana\n");
  c.LoadFromIni(ini, "ALIGN", {"MaxMove", "ShowAlign"});
  EXPECT_EQ(c.Int("MaxMove"), 20);
  EXPECT_FALSE(c.Checked("ShowAlign"));
}

}  // namespace lumivane
