// The per-user key store "lumivane", section "Files": last folders and the file types last
// chosen in each dialog. It is an INI file in $XDG_CONFIG_HOME/lumivane/ (or
// ~/.config/lumivane/); keys match without regard to case.
#pragma once
#include <string>

namespace lumivane {

class IniFile;
class Session;

// The key store's file ("lumivane.ini" in the folder above).
std::string KeyStorePath();

// Loads the key store into the session; with `writeDefaults`, every missing key of the
// table gets its default ("Lasttype" "AVI", "Laststacksavetype" "BMP", ..., "Dir" and
// "SaveDir" the working folder) and the file is saved.
void LoadKeyStore(Session& s, bool writeDefaults);
// Saves the session's key store (temporary file, then rename).
void SaveKeyStore(const Session& s);

// The dialog filter entry a stored type selects (1-based; 0 when the key or type is
// unknown): "Lasttype", "Laststacksavetype", "Lastwaveletsavetype", "LastDarkFlattype",
// "LastReferencetype", "LastResizetype", "LastSaveMask", "LastloadMask".
int FilterIndexOfKey(const IniFile& keys, const std::string& key);
int FilterIndexOfType(const std::string& key, const std::string& type);

}  // namespace lumivane
