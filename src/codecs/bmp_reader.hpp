// Windows bitmap files (BMP): 1, 4, 8 bits with colour table, 16 bits (5-5-5 or bit fields),
// 24 and 32 bits (B G R X or bit fields), rows bottom-up or top-down; the 12-byte core
// header and the 40- to 124-byte info headers. Run-length compressed files are refused.
// Every header field is checked against the file.
#pragma once
#include <string>

#include "session/image.hpp"

namespace lumivane::codecs {

// Reads the file into a 24-bit B G R top-down bitmap. Throws Error ("Cannot read "<path>":
// ...") for missing, unsupported, broken or truncated files.
Bitmap24 ReadBMP(const std::string& path);

}  // namespace lumivane::codecs
