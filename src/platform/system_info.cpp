#include "platform/system_info.hpp"

#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace lumivane::platform {

namespace {
constexpr int kMaxWorkers = 16;

int ClampWorkers(long long n) { return static_cast<int>(std::clamp<long long>(n, 1, kMaxWorkers)); }
}  // namespace

int ProcessorCountFrom(const char* environmentValue, unsigned hardwareThreads) {
  if (environmentValue != nullptr) {
    const char* end = environmentValue + std::strlen(environmentValue);
    long long value = 0;
    auto [ptr, ec] = std::from_chars(environmentValue, end, value);
    if (ec == std::errc() && ptr == end && value > 0) return ClampWorkers(value);
  }
  return ClampWorkers(hardwareThreads == 0 ? 1 : hardwareThreads);
}

int ProcessorCount() {
  return ProcessorCountFrom(std::getenv("NUMBER_OF_PROCESSORS"), std::thread::hardware_concurrency());
}

int LogicalProcessorCount() {
  unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(n);
}

MemoryStatus ParseMemInfo(const std::string& meminfo) {
  std::uint64_t total = 0, available = 0, swapTotal = 0, swapFree = 0;
  std::istringstream in(meminfo);
  std::string key;
  std::uint64_t kb = 0;
  std::string unit;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    if (!(fields >> key >> kb)) continue;
    if (key == "MemTotal:") total = kb;
    else if (key == "MemAvailable:") available = kb;
    else if (key == "SwapTotal:") swapTotal = kb;
    else if (key == "SwapFree:") swapFree = kb;
  }
  MemoryStatus s;
  s.totalPhysicalBytes = total * 1024;
  s.freePhysicalBytes = available * 1024;
  s.totalVirtualBytes = (total + swapTotal) * 1024;
  s.freeVirtualBytes = (available + swapFree) * 1024;
  return s;
}

MemoryStatus ReadMemoryStatus() {
  std::ifstream file("/proc/meminfo");
  std::stringstream text;
  text << file.rdbuf();
  MemoryStatus s = ParseMemInfo(text.str());
  std::ifstream statm("/proc/self/statm");
  std::uint64_t size = 0, resident = 0;
  if (statm >> size >> resident) {
    s.workingSetBytes = resident * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
  }
  return s;
}

std::string OperatingSystemLine() {
  std::string name;
  std::ifstream release("/etc/os-release");
  std::string line;
  while (std::getline(release, line))
    if (line.rfind("PRETTY_NAME=", 0) == 0) {
      name = line.substr(12);
      if (name.size() >= 2 && name.front() == '"' && name.back() == '"') name = name.substr(1, name.size() - 2);
    }
  utsname u{};
  if (uname(&u) != 0) return name.empty() ? "unknown" : name;
  const std::string kernel = std::string(u.sysname) + " " + u.release + " (" + u.machine + ")";
  return name.empty() ? kernel : name + ", " + kernel;
}

}  // namespace lumivane::platform
