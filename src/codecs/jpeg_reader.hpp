// JPEG files through libjpeg-turbo (fastest decoding: fast integer DCT, plain upsampling);
// grey pictures give B = G = R; CMYK files are refused.
#pragma once
#include <string>

#include "session/image.hpp"

namespace lumivane::codecs {

// Throws Error ("Cannot read "<path>": ...") for missing, refused, broken or truncated files.
Bitmap24 ReadJPEG(const std::string& path);

}  // namespace lumivane::codecs
