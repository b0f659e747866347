#include "session/about.hpp"

#include <cstdio>

#include "session/rounding.hpp"

namespace lumivane {

std::string FormatMegabytes(double mb) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.1f", mb);
  std::string s = buf;
  auto dot = s.find('.');
  std::string intPart = s.substr(0, dot), frac = s.substr(dot);
  bool negative = !intPart.empty() && intPart[0] == '-';
  if (negative) intPart.erase(0, 1);
  std::string grouped;
  for (size_t i = 0; i < intPart.size(); ++i) {
    if (i > 0 && (intPart.size() - i) % 3 == 0) grouped += ',';
    grouped += intPart[i];
  }
  std::string out = (negative ? "-" : "") + grouped + frac;
  if (out.size() < 6) out.insert(0, 6 - out.size(), ' ');
  return out;
}

std::vector<std::string> AboutLines(const std::string& osLine, const platform::MemoryStatus& m) {
  const double mb = 1048576.0;
  const double total = static_cast<double>(m.totalPhysicalBytes);
  const double freePhys = static_cast<double>(m.freePhysicalBytes);
  const double usedPhys = total - freePhys;
  const double swapTotal = static_cast<double>(m.totalVirtualBytes) - total;
  const double swapFree = static_cast<double>(m.freeVirtualBytes) - freePhys;
  const int load = total > 0 ? RoundInt(usedPhys / total * 100.0) : 0;
  return {
      osLine,
      "Current memory load: " + std::to_string(load) + "%",
      "Free physical memory: " + FormatMegabytes(freePhys / mb) + " Mbytes",
      "Used physical memory: " + FormatMegabytes(usedPhys / mb) + " Mbytes",
      "Used paging file memory: " + FormatMegabytes((swapTotal - swapFree) / mb) + " Mbytes",
      "Used virtual memory: " + FormatMegabytes(static_cast<double>(m.workingSetBytes) / mb) + " Mbytes",
  };
}

}  // namespace lumivane
