// PNG files: reading 1- to 16-bit grey, grey+alpha, palette, RGB and RGBA (libpng; alpha and
// transparency are ignored), and writing 16-bit RGB PNG files with our own encoder on zlib
// (filter 0 on every row, a tEXt chunk "Software" = "Lumivane <version>").
#pragma once
#include <string>

#include "session/image.hpp"

namespace lumivane::codecs {

struct PngImage {
  Bitmap24 Picture;         // 8 bits per channel: the high byte of 16-bit samples
  bool SixteenBit = false;  // the file has 16 bits per sample
  bool Colour = false;      // the file has colour (RGB, RGBA or a palette)
  Image16 Samples;          // width x height, R G B (grey repeated), each high byte x 256 +
                            // low byte; only when SixteenBit
};

// Throws Error ("Cannot read "<path>": ...") for missing, broken or truncated files.
PngImage ReadPNG(const std::string& path);

// Writes a 16-bit RGB PNG of `pixels` (R G B uint16). Written to a temporary file and
// renamed into place; throws Error on failure, leaving an existing file untouched.
void WritePNG16(const std::string& path, const Image16& pixels);
// The same for an 8-bit picture (B G R bytes), as the resized image is saved: each byte b
// becomes the 16-bit sample b x 255, so 255 is written as 65025.
void WritePNG16(const std::string& path, const Bitmap24& picture);

}  // namespace lumivane::codecs
