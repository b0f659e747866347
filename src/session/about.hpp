// The system description of the about page.
#pragma once
#include <string>
#include <vector>

#include "platform/system_info.hpp"

namespace lumivane {

// "1,234.5" for 1234.5: one decimal, thousands separated, right-aligned to 6 characters.
std::string FormatMegabytes(double mb);

// The operating-system line, then "Current memory load: " + percent + "%" and the free and
// used physical, paging and virtual memory lines in Mbytes.
std::vector<std::string> AboutLines(const std::string& osLine, const platform::MemoryStatus& m);

}  // namespace lumivane
