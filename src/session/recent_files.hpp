// The recently-used list: "MRU.ini" in the working folder, section "LAST".
#pragma once
#include <string>
#include <vector>

namespace lumivane {

inline constexpr int kRecentFilesKept = 10;

std::vector<std::string> LoadRecentFiles(const std::string& appDir);
// Puts `path` first (once) and stores the list; throws Error when it cannot be written.
void AddRecentFile(const std::string& appDir, const std::string& path);

}  // namespace lumivane
