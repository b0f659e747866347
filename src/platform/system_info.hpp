// Processor count and memory figures of the machine we run on.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace lumivane::platform {

// Number of worker threads a pool starts. "NUMBER_OF_PROCESSORS" wins when it holds a
// positive decimal integer; otherwise the hardware thread count. Always 1..16.
int ProcessorCountFrom(const char* environmentValue, unsigned hardwareThreads);
int ProcessorCount();

// Logical processors the system reports (at least 1).
int LogicalProcessorCount();

struct MemoryStatus {
  std::uint64_t workingSetBytes = 0;     // resident size of this process
  std::uint64_t freeVirtualBytes = 0;    // MemAvailable + SwapFree
  std::uint64_t totalVirtualBytes = 0;   // MemTotal + SwapTotal
  std::uint64_t totalPhysicalBytes = 0;  // MemTotal
  std::uint64_t freePhysicalBytes = 0;   // MemAvailable
};

// Parses /proc/meminfo text; missing fields stay 0.
MemoryStatus ParseMemInfo(const std::string& meminfo);
MemoryStatus ReadMemoryStatus();

// One line naming the operating system, e.g. "Linux 6.1.0 (x86_64)".
std::string OperatingSystemLine();

}  // namespace lumivane::platform
