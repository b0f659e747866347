#include "session/settings_groups.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "session/key_store.hpp"
#include "session/recent_files.hpp"
#include "session/session.hpp"
#include "session/startup.hpp"
#include "support/test_host.hpp"

namespace fs = std::filesystem;

namespace lumivane {

namespace {
class SettingsFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("lv_settings_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    s.AppDir = dir.string();
    s.SetHost(&host);
    // The shell registers Cores, ShowAlign and Processarea; stand-ins for later stages' controls.
    s.Controls.AddInt("t", "MaxMove", 1, 50, 10);
    s.Controls.AddInt("t", "Dist", 5, 500, 40);
  }
  void TearDown() override { fs::remove_all(dir); }
  void Write(const std::string& name, const std::string& text) { std::ofstream(dir / name) << text; }
  fs::path dir;
  Session s;
  test::TestHost host;
};
}  // namespace

TEST_F(SettingsFixture, AGroupRoundTripsThroughItsFile) {
  s.Controls.SetChecked("ShowAlign", true);
  s.Controls.SetInt("MaxMove", 17);
  const SettingsGroup& g = FindGroup("AlignStorage");
  const std::string path = (dir / g.File).string();
  StoreGroup(s.Controls, g, path);
  Session t;
  t.Controls.AddInt("t", "MaxMove", 1, 50, 10);
  ASSERT_TRUE(RestoreGroup(t.Controls, g, path));
  EXPECT_TRUE(t.Controls.Checked("ShowAlign"));
  EXPECT_EQ(t.Controls.Int("MaxMove"), 17);
  EXPECT_EQ(GroupOfControl("maxmove"), "FormSettings");  // the first group that stores it
  EXPECT_EQ(GroupOfControl("LovalSpin"), "HistoStorage");
  EXPECT_EQ(GroupOfControl("PreviewSlider"), "-");
}

TEST_F(SettingsFixture, CorruptFilesKeepOrClampValuesAndAreNotOverwritten) {
  s.Controls.SetInt("MaxMove", 12);
  s.Controls.SetInt("Dist", 60);
  const std::string garbage = "[ALIGN]\nMaxMove=lots\n[ESTIMATE]\nDist=99999\n\x01\x02 binary junk\n=\n[broken\n";
  Write("lumivane6.ini", "Cores=3\n");  // no section at all: nothing applies
  Write("ALIGN-SETTING.INI", garbage);
  Write("estimate-setting.ini", garbage);  // found without regard to case
  RestoreStartGroups(s);
  EXPECT_EQ(s.Controls.Int("MaxMove"), 12);
  EXPECT_EQ(s.Controls.Int("Dist"), 500);  // clamped like the control
  EXPECT_EQ(s.Controls.Int("Cores"), 1);
  std::ifstream in(dir / "ALIGN-SETTING.INI");
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(text, garbage);  // reading never writes
  EXPECT_FALSE(RestoreGroup(s.Controls, FindGroup("LimitStorage"), (dir / "missing.ini").string()));
}

TEST_F(SettingsFixture, PresetsAreListedAndFoundWithoutRegardToCase) {
  Write("estimate-moon.ini", "[ESTIMATE]\nDist=77\n");
  Write("Estimate-Jupiter.INI", "[estimate]\ndist=33\n");
  Write("estimate-.ini", "");
  Write("notes.txt", "");
  FillPresetLists(s);
  EXPECT_EQ(s.Controls.Items("ESTIMATENAME"), (std::vector<std::string>{"Jupiter", "moon"}));
  EXPECT_EQ(s.Controls.Index("ESTIMATENAME"), 0);
  ASSERT_TRUE(ChoosePreset(s, "EstimateStorage", "MOON"));
  EXPECT_EQ(s.Controls.Int("Dist"), 77);
  ASSERT_TRUE(ChoosePreset(s, "estimatestorage", "jupiter"));
  EXPECT_EQ(s.Controls.Int("Dist"), 33);
  EXPECT_FALSE(ChoosePreset(s, "EstimateStorage", "saturn"));
  s.Controls.SetIndex("ESTIMATENAME", 1, Origin::User);  // the user picks "moon" in the list
  EXPECT_EQ(s.Controls.Int("Dist"), 77);
  EXPECT_EQ(FindFileNoCase(dir.string(), "ESTIMATE-MOON.INI"), (dir / "estimate-moon.ini").string());
}

TEST_F(SettingsFixture, StartGroupsAreSavedAtCloseAndReadAtStart) {
  s.Controls.SetInt("Cores", 5);
  s.Controls.SetIndex("Processarea", 1);
  StoreStartGroups(s);
  EXPECT_TRUE(fs::exists(dir / "lumivane6.ini"));
  EXPECT_TRUE(fs::exists(dir / "ALIGN-SETTING.INI"));
  Session t;
  t.AppDir = dir.string();
  RestoreStartGroups(t);
  EXPECT_EQ(t.Controls.Int("Cores"), 5);
  EXPECT_EQ(t.Controls.Text("Processarea"), "1024");
}

TEST_F(SettingsFixture, KeyStoreDefaultsAreWrittenToAFreshStore) {
  const std::string saved = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
  setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
  EXPECT_EQ(KeyStorePath(), (dir / "config" / "lumivane" / "lumivane.ini").string());
  LoadKeyStore(s, true);
  IniFile written(KeyStorePath());
  ASSERT_TRUE(written.Load());
  EXPECT_EQ(written.Get("Files", "lasttype").value_or(""), "AVI");
  EXPECT_EQ(written.Get("FILES", "Laststacksavetype").value_or(""), "BMP");
  EXPECT_EQ(written.Get("Files", "Dir").value_or(""), dir.string());
  // The save dialogs write their own spelling; the same key is read back.
  s.KeyStore.Set("Files", "LastStacksavetype", "TIF");
  SaveKeyStore(s);
  Session t;
  LoadKeyStore(t, false);
  EXPECT_EQ(FilterIndexOfKey(t.KeyStore, "Laststacksavetype"), 6);
  if (saved.empty()) unsetenv("XDG_CONFIG_HOME");
  else setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  struct Case { const char* key; const char* type; int index; };
  for (const Case& c : {Case{"Lasttype", "mpeg", 1}, {"Lasttype", "SER", 7}, {"Lastwaveletsavetype", "PNG", 5},
                        {"LastDarkFlattype", "FTL", 2}, {"LastResizetype", "JPG", 2}, {"LastSaveMask", "PNG", 2},
                        {"LastloadMask", "BMP", 1}, {"Lasttype", "XYZ", 0}})
    EXPECT_EQ(FilterIndexOfType(c.key, c.type), c.index) << c.key << " " << c.type;
}

TEST_F(SettingsFixture, RecentFilesPutTheNewestFirstOnce) {
  EXPECT_TRUE(LoadRecentFiles(dir.string()).empty());
  for (int i = 0; i < 12; ++i) AddRecentFile(dir.string(), "/rec/" + std::to_string(i) + ".ser");
  AddRecentFile(dir.string(), "/rec/5.ser");
  auto list = LoadRecentFiles(dir.string());
  ASSERT_EQ(list.size(), static_cast<size_t>(kRecentFilesKept));
  EXPECT_EQ(list[0], "/rec/5.ser");
  EXPECT_EQ(list[1], "/rec/11.ser");
  EXPECT_EQ(std::count(list.begin(), list.end(), "/rec/5.ser"), 1);
}

TEST(Startup, CoresRuleColoursAndWindowPlacement) {
  Session s;
  ApplyStartupWorkerCount(s, 4);
  EXPECT_EQ(s.Controls.Int("Cores"), 4);  // a stored 1 becomes the processor count
  s.Controls.SetInt("Cores", 3);
  ApplyStartupWorkerCount(s, 6);
  EXPECT_EQ(s.Controls.Int("Cores"), 3);
  Session one;
  ApplyStartupWorkerCount(one, 1);
  EXPECT_EQ(one.Controls.Int("Cores"), 1);
  EXPECT_EQ(CoresLook(4, 4, true).Colour, 0x008000u);
  EXPECT_EQ(CoresLook(4, 4, true).Hint, "Core-setting equals the number of CPUs");
  EXPECT_EQ(CoresLook(4, 4, false).Hint, "Core-setting equals number of CPUs");
  EXPECT_EQ(CoresLook(8, 4, true).Hint, "Core-setting might not improve processingspeed");
  EXPECT_EQ(CoresLook(8, 4, true).Colour, 0x0000FFu);
  EXPECT_EQ(CoresLook(2, 4, false).Colour, 0xFF0000u);

  auto r = StoredWindowPlacement("1", "100,50,900,650", 800, 600);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Left, 100);
  EXPECT_EQ(r->Top, 50);
  EXPECT_EQ(r->Width, 700);
  EXPECT_EQ(r->Height, 550);
  for (auto [cmd, pos] : {std::pair{"3", "1,2,3,4"}, {"0", "1,2,3,4"}, {"1", "0"}, {"1", "900,10,950,20"},
                          {"1", "a,b,c,d"}, {"1", "1,2,3"}})
    EXPECT_FALSE(StoredWindowPlacement(cmd, pos, 800, 600)) << cmd << " " << pos;
}

TEST(Closing, AskOnlyForAnUnsavedStackAndCancelKeepsWorkRunning) {
  Session s;
  test::TestHost host;
  s.SetHost(&host);
  EXPECT_TRUE(FormCloseQuery(s).Close);  // nothing stacked
  EXPECT_TRUE(host.Messages().empty());
  s.StageReached = 3;
  host.Answer(kResultCancel);
  CloseDecision d = FormCloseQuery(s);
  EXPECT_FALSE(d.Close);
  EXPECT_FALSE(s.CancelRequested);
  EXPECT_EQ(host.Messages().back().Title, "Closing Lumivane");
  EXPECT_EQ(host.Messages().back().Text, "You have not saved your results.\n\rSave before quitting ?");
  EXPECT_EQ(host.Messages().back().Buttons, kButtonsYesNoCancel);
  host.Answer(kResultYes);
  d = FormCloseQuery(s);
  EXPECT_TRUE(d.SaveFirst);
  EXPECT_TRUE(s.CancelRequested);
  s.CancelRequested = false;
  host.Answer(kResultNo);
  EXPECT_TRUE(FormCloseQuery(s).Close);
  EXPECT_TRUE(s.CancelRequested);
  s.ResultSaved = true;
  const size_t asked = host.Messages().size();
  EXPECT_TRUE(FormCloseQuery(s).Close);
  EXPECT_EQ(host.Messages().size(), asked);
}

}  // namespace lumivane
