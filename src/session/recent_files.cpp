#include "session/recent_files.hpp"

#include <algorithm>
#include <filesystem>

#include "session/ini_file.hpp"

namespace lumivane {

namespace {
std::string FileOf(const std::string& appDir) { return (std::filesystem::path(appDir) / "MRU.ini").string(); }
}  // namespace

std::vector<std::string> LoadRecentFiles(const std::string& appDir) {
  IniFile ini(FileOf(appDir));
  std::vector<std::string> out;
  if (!ini.Load()) return out;
  for (int i = 0; i < kRecentFilesKept; ++i)
    if (auto v = ini.Get("LAST", "File" + std::to_string(i)); v && !v->empty()) out.push_back(*v);
  return out;
}

void AddRecentFile(const std::string& appDir, const std::string& path) {
  std::vector<std::string> list = LoadRecentFiles(appDir);
  list.erase(std::remove(list.begin(), list.end(), path), list.end());
  list.insert(list.begin(), path);
  if (list.size() > static_cast<size_t>(kRecentFilesKept)) list.resize(kRecentFilesKept);
  IniFile ini(FileOf(appDir));
  ini.Load();
  for (int i = 0; i < kRecentFilesKept; ++i)
    ini.Set("LAST", "File" + std::to_string(i), i < static_cast<int>(list.size()) ? list[static_cast<size_t>(i)] : "");
  ini.Save();
}

}  // namespace lumivane
