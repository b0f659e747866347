// Persistence groups: named lists of control values kept in one settings file and section
// of the working folder, and the named presets beside them ("Align-" + name + ".ini", ...).
// File names are matched without regard to case, as users of the program expect.
#pragma once
#include <string>
#include <vector>

namespace lumivane {

class Controls;
class Session;

struct SettingsGroup {
  std::string Name;       // "FormSettings", "AlignStorage", ...
  std::string File;       // default file in the working folder, e.g. "ALIGN-SETTING.INI"
  std::string Section;    // e.g. "ALIGN"
  std::vector<std::string> Values;  // control names, "Name.Property" for another property
  bool AtStart = false;   // restored at start and saved at close
  std::string PresetPrefix;  // "Align-", "estimate-", ... (empty: no presets)
  std::string PresetList;    // the combo listing the presets, e.g. "AlignName"
};

const std::vector<SettingsGroup>& PersistenceGroups();
// Throws Error for an unknown group name.
const SettingsGroup& FindGroup(const std::string& name);
// The group that stores a control ("-" when none does).
std::string GroupOfControl(const std::string& control);

// Restores a group from `path`; a missing or unreadable file leaves every value as it is,
// values a control cannot take are skipped, numbers out of range are clamped. Returns
// whether the file was read.
bool RestoreGroup(Controls& c, const SettingsGroup& g, const std::string& path);
// Saves a group into `path` (other sections and keys of the file are kept). Written to a
// temporary file and renamed; throws Error on failure.
void StoreGroup(const Controls& c, const SettingsGroup& g, const std::string& path);

// The file of `dir` whose name equals `name` without regard to case ("" when none);
// an exact match wins.
std::string FindFileNoCase(const std::string& dir, const std::string& name);
// Names of the presets with `prefix` in `dir` (file name without prefix and ".ini"),
// sorted without regard to case.
std::vector<std::string> ListPresets(const std::string& dir, const std::string& prefix);
// The path of preset `name` of a group in `dir` ("" when it does not exist).
std::string PresetPath(const std::string& dir, const SettingsGroup& g, const std::string& name);

// Registers the preset lists (AlignName, ESTIMATENAME, LIMITNAME, STACKNAME, WAVELETNAME,
// MACRONAME); choosing an entry as the user restores its group.
void RegisterSettingsControls(Session& s);

// Restores the groups that are restored at start from the working folder.
void RestoreStartGroups(Session& s);
// Saves them (at close).
void StoreStartGroups(Session& s);
// Fills the preset lists (AlignName, ESTIMATENAME, ...) from the working folder and
// selects item 0; call it after the working folder is final.
void FillPresetLists(Session& s);
// Chooses preset `name` of a group: restores the group from it. Returns false when it
// does not exist.
bool ChoosePreset(Session& s, const std::string& group, const std::string& name);

}  // namespace lumivane
