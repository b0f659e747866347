// Writing 24-bit Windows bitmap files: rows bottom-up, each padded to a multiple of 4 bytes.
#pragma once
#include <string>

#include "session/image.hpp"

namespace lumivane::codecs {

// Written to a temporary file and renamed into place; throws Error on failure.
void WriteBMP(const std::string& path, const Bitmap24& picture);

}  // namespace lumivane::codecs
