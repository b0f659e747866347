#include "session/settings_groups.hpp"

#include <algorithm>
#include <filesystem>

#include "platform/error.hpp"
#include "session/controls.hpp"
#include "session/ini_file.hpp"
#include "session/session.hpp"
#include "session/text_format.hpp"

namespace fs = std::filesystem;

namespace lumivane {

namespace {

std::vector<std::string> Numbered(const std::string& first, const std::string& rest, int from, int to) {
  std::vector<std::string> v = {first};
  for (int i = from; i <= to; ++i) v.push_back(rest + std::to_string(i));
  return v;
}

std::vector<SettingsGroup> MakeGroups() {
  std::vector<SettingsGroup> g;
  g.push_back({"FormSettings", "lumivane6.ini", "Form",
               {"LevelStep", "Multiplicant", "CopyConvolveMethod", "HoldWavelets", "HoldContrastBrightness",
                "Colourstack", "AutoDetectColour", "Formmessage", "Checkupdates", "VersionNo.Caption", "PreviewFull",
                "ShowGraphbox1", "Autoprocessbox", "ShowFramelist1", "ShowAPwindow", "Videomode", "AviSizeMode",
                "NewIntensBalance", "ProjectSounds", "CamWhiteBalance", "OptimizeQualitySpin", "RecFITTIFSTRETCH",
                "Processarea", "AligntoWavelet1", "AligntoStack1", "StacktoWavelet1", "UseAdvControls",
                "MaxMultiScalePoints", "MultiScaleLevels", "MultiScaleSearcharea", "blocksize", "LimitNoOfFrames",
                "LimitMethod", "Edgewidth", "Cores", "ResizeRatio", "sensitivity.Tag", "Intensity_selection", "Dist",
                "MatrixEdgesetting", "BlockScan1", "MaxMove", "SaveAVIframerate", "debayergroup", "KeepSerBits",
                "WeakestAlignPoint"},
               true, "", ""});
  g.push_back({"AlignStorage", "ALIGN-SETTING.INI", "ALIGN",
               {"ShowAlign", "MaxMove", "DisqualAp", "BlockScan1", "GravityCentre", "GravityLo"}, true, "Align-",
               "AlignName"});
  g.push_back({"EstimateStorage", "ESTIMATE-SETTING.INI", "ESTIMATE",
               {"Dist", "LowIntensity", "MatrixEdgesetting", "Intensity_selection", "NoOfPoints"}, true, "estimate-",
               "ESTIMATENAME"});
  g.push_back({"LimitStorage", "LIMIT-SETTING.INI", "LIMIT", {"LimitMethod", "OptimizeQualitySpin", "LimitNoOfFrames"},
               true, "limit-", "LIMITNAME"});
  g.push_back({"StackStorage", "STACK-SETTING.INI", "STACK",
               {"Expandstack", "IDWPts", "Histostretch", "NewIntensBalance", "CorrectGeometryCheckbox", "Edgewidth",
                "StackSizeOption"},
               false, "stack-", "STACKNAME"});
  std::vector<std::string> wavelet = {"Waveletscheme", "ConvolveMethod", "LevelStep", "Multiplicant"};
  for (auto& n : Numbered("ShowLayer1", "Showlayer", 2, 6)) wavelet.push_back(n);
  for (auto& n : Numbered("BlurLayer1", "Blurlayer", 2, 6)) wavelet.push_back(n);
  for (auto& n : Numbered("Gausslayer1", "Gausslayer", 2, 6)) wavelet.push_back(n);
  for (const char* n : {"Layer1Slider", "Layer2slider", "Layer3slider", "layer4slider", "Layer5slider", "Layer6slider",
                        "LinkLayers1"})
    wavelet.push_back(n);
  g.push_back({"WAVELETSTORAGE", "WAVELET-SETTING.INI", "WAVELET", wavelet, false, "wavelet-", "WAVELETNAME"});
  // The mask radius is stored by its value (the design stores a layout property there).
  g.push_back({"maskstorage", "MASK-SETTING.INI", "MASK", {"LoClip", "HiClip", "MaskRadius", "FeatherClip", "Mask_mode"},
               false, "", ""});
  g.push_back({"HistoStorage", "HISTO-setting.ini", "HISTO", {"LovalSpin", "Hivalspin", "GammaHisto", "HistoChannel.Text"},
               false, "", ""});
  g.push_back({"contraststorage", "CONTRAST-setting.ini", "CONTRAST", {"Contrastlevel", "Brightnesslevel"}, false, "", ""});
  std::vector<std::string> filter;
  for (int i = 0; i < 5; ++i)
    for (int j = 0; j < 5; ++j) filter.push_back("Filter" + std::to_string(i) + std::to_string(j));
  g.push_back({"Filterstorage", "", "", filter, false, "", ""});
  // Batch definitions are presets only; the batch stage reads them itself.
  g.push_back({"MacroStorage", "", "MACRO", {}, false, "macro-", "MACRONAME"});
  return g;
}

std::string BareName(const std::string& qualified) {
  auto dot = qualified.find('.');
  return dot == std::string::npos ? qualified : qualified.substr(0, dot);
}

// Only the values of registered controls take part (later stages register theirs).
std::vector<std::string> Registered(const Controls& c, const SettingsGroup& g) {
  std::vector<std::string> out;
  for (const auto& v : g.Values)
    if (c.Has(BareName(v))) out.push_back(v);
  return out;
}

}  // namespace

const std::vector<SettingsGroup>& PersistenceGroups() {
  static const std::vector<SettingsGroup> groups = MakeGroups();
  return groups;
}

const SettingsGroup& FindGroup(const std::string& name) {
  for (const auto& g : PersistenceGroups())
    if (EqualsNoCase(g.Name, name)) return g;
  throw Error("Unknown settings group \"" + name + "\"");
}

std::string GroupOfControl(const std::string& control) {
  for (const auto& g : PersistenceGroups())
    for (const auto& v : g.Values)
      if (EqualsNoCase(BareName(v), control)) return g.Name;
  return "-";
}

bool RestoreGroup(Controls& c, const SettingsGroup& g, const std::string& path) {
  IniFile ini(path);
  if (!ini.Load()) return false;
  c.LoadFromIni(ini, g.Section, Registered(c, g), Origin::Replay);
  return true;
}

void StoreGroup(const Controls& c, const SettingsGroup& g, const std::string& path) {
  IniFile ini(path);
  ini.Load();  // keep what else the file holds
  c.SaveToIni(ini, g.Section, Registered(c, g));
  ini.Save();
}

std::string FindFileNoCase(const std::string& dir, const std::string& name) {
  std::error_code ec;
  const fs::path exact = fs::path(dir) / name;
  if (fs::is_regular_file(exact, ec)) return exact.string();
  for (const auto& e : fs::directory_iterator(dir, ec))
    if (e.is_regular_file(ec) && EqualsNoCase(e.path().filename().string(), name)) return e.path().string();
  return "";
}

std::vector<std::string> ListPresets(const std::string& dir, const std::string& prefix) {
  std::vector<std::string> out;
  if (prefix.empty()) return out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) {
    if (!e.is_regular_file(ec)) continue;
    const std::string n = e.path().filename().string();
    if (n.size() <= prefix.size() + 4) continue;
    if (!EqualsNoCase(n.substr(0, prefix.size()), prefix) || !EqualsNoCase(n.substr(n.size() - 4), ".ini")) continue;
    out.push_back(n.substr(prefix.size(), n.size() - prefix.size() - 4));
  }
  std::sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) { return ToLower(a) < ToLower(b); });
  return out;
}

std::string PresetPath(const std::string& dir, const SettingsGroup& g, const std::string& name) {
  if (g.PresetPrefix.empty()) return "";
  return FindFileNoCase(dir, g.PresetPrefix + name + ".ini");
}

void RestoreStartGroups(Session& s) {
  for (const auto& g : PersistenceGroups()) {
    if (!g.AtStart) continue;
    const std::string path = FindFileNoCase(s.AppDir, g.File);
    if (!path.empty()) RestoreGroup(s.Controls, g, path);
  }
}

void StoreStartGroups(Session& s) {
  for (const auto& g : PersistenceGroups()) {
    if (!g.AtStart) continue;
    std::string path = FindFileNoCase(s.AppDir, g.File);
    if (path.empty()) path = (fs::path(s.AppDir) / g.File).string();
    StoreGroup(s.Controls, g, path);
  }
}

void RegisterSettingsControls(Session& s) {
  for (const auto& g : PersistenceGroups()) {
    if (g.PresetList.empty() || s.Controls.Has(g.PresetList)) continue;
    s.Controls.AddChoice("settings", g.PresetList, {}, -1);
    if (g.Values.empty()) continue;  // batch definitions are chosen by the batch window
    const std::string list = g.PresetList, group = g.Name;
    s.Controls.OnChange(list, [&s, list, group](Origin o) {
      if (o == Origin::User) ChoosePreset(s, group, s.Controls.Text(list));
    });
  }
}

void FillPresetLists(Session& s) {
  for (const auto& g : PersistenceGroups()) {
    if (g.PresetList.empty() || !s.Controls.Has(g.PresetList)) continue;
    s.Controls.SetItems(g.PresetList, ListPresets(s.AppDir, g.PresetPrefix));
    s.Controls.SetIndex(g.PresetList, 0);
  }
}

bool ChoosePreset(Session& s, const std::string& group, const std::string& name) {
  const SettingsGroup& g = FindGroup(group);
  const std::string path = PresetPath(s.AppDir, g, name);
  if (path.empty()) return false;
  return RestoreGroup(s.Controls, g, path);
}

}  // namespace lumivane
