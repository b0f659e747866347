#include "session/key_store.hpp"

#include <cstdlib>
#include <filesystem>
#include <utility>
#include <vector>

#include "session/ini_file.hpp"
#include "session/session.hpp"
#include "session/text_format.hpp"

namespace fs = std::filesystem;

namespace lumivane {

namespace {
const char* const kSection = "Files";

struct TypeMap {
  const char* key;
  std::vector<std::pair<const char*, int>> types;
};

const std::vector<TypeMap>& TypeMaps() {
  static const std::vector<TypeMap> maps = {
      {"Lasttype", {{"AVI", 1}, {"MPG", 1}, {"MPEG", 1}, {"BMP", 2}, {"FIT", 3}, {"JPG", 4}, {"TIF", 5}, {"PNG", 6}, {"SER", 7}}},
      {"Laststacksavetype", {{"BMP", 1}, {"JPG", 2}, {"FIT", 4}, {"TIF", 6}, {"PNG", 7}}},
      {"Lastwaveletsavetype", {{"BMP", 1}, {"JPG", 2}, {"FIT", 3}, {"TIF", 4}, {"PNG", 5}}},
      {"LastDarkFlattype", {{"BMP", 1}, {"FTL", 2}, {"FIT", 3}, {"PNG", 4}}},
      {"LastReferencetype", {{"BMP", 1}, {"PNG", 2}, {"JPG", 3}}},
      {"LastResizetype", {{"BMP", 1}, {"JPG", 2}, {"PNG", 3}}},
  };
  return maps;
}
}  // namespace

std::string KeyStorePath() {
  fs::path dir;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) dir = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home) dir = fs::path(home) / ".config";
  else dir = fs::temp_directory_path();
  return (dir / "lumivane" / "lumivane.ini").string();
}

void LoadKeyStore(Session& s, bool writeDefaults) {
  const std::string path = KeyStorePath();
  IniFile loaded(path);
  loaded.Load();
  // Keys the session already set (an open recording) win over the file's.
  for (const auto& key : s.KeyStore.Keys(kSection)) loaded.Set(kSection, key, *s.KeyStore.Get(kSection, key));
  s.KeyStore = loaded;
  s.KeyStore.SetPath(path);
  if (!writeDefaults) return;
  bool changed = false;
  auto def = [&](const char* key, const std::string& value) {
    if (!s.KeyStore.Get(kSection, key)) {
      s.KeyStore.Set(kSection, key, value);
      changed = true;
    }
  };
  def("Dir", s.AppDir);
  def("Lasttype", "AVI");
  def("Laststacksavetype", "BMP");
  def("Lastwaveletsavetype", "BMP");
  def("LastDarkFlattype", "BMP");
  def("LastReferencetype", "BMP");
  def("LastResizetype", "BMP");
  def("SaveDir", s.AppDir);
  if (changed) {
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    s.KeyStore.Save();
  }
}

void SaveKeyStore(const Session& s) {
  std::error_code ec;
  fs::create_directories(fs::path(s.KeyStore.Path()).parent_path(), ec);
  s.KeyStore.Save();
}

int FilterIndexOfType(const std::string& key, const std::string& type) {
  if (EqualsNoCase(key, "LastSaveMask") || EqualsNoCase(key, "LastloadMask")) return EqualsNoCase(type, "BMP") ? 1 : 2;
  for (const auto& m : TypeMaps())
    if (EqualsNoCase(m.key, key))
      for (const auto& [t, index] : m.types)
        if (EqualsNoCase(t, type)) return index;
  return 0;
}

int FilterIndexOfKey(const IniFile& keys, const std::string& key) {
  auto v = keys.Get(kSection, key);
  return v ? FilterIndexOfType(key, *v) : 0;
}

}  // namespace lumivane
