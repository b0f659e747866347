// The TIFF codec: reads baseline TIFF (either byte order, strips, uncompressed, LZW, Deflate
// or PackBits, predictor 2) of 1, 4 or 8 bits grey or palette, 16 bits grey, 24 or 32 bits
// RGB(A) and 48 bits RGB into an 8-bit picture and a 16-bit RGB image, and writes 16-bit RGB
// TIFF files.
#pragma once
#include <cstdint>
#include <string>

#include "session/image.hpp"

namespace lumivane::codecs {

struct TiffImage {
  Bitmap24 Picture;      // 8 bits per channel
  Image16 Pixels16;      // width x height, R G B
  int BitsPerPixel = 0;  // of the file read
};

// Reads the first image of the file. On entry `scaleMax` is the sample value that maps to
// 255 for 16-bit grey files (0 means 65535); on return the largest sample value met in
// files of 1, 4, 8 bits and 16-bit grey (0 for colour files).
// The 16-bit image holds: the shown levels 0..255 for 1, 4 and 8 bits (grey or palette,
// not x 256); the samples of 16-bit grey (white-is-zero inverted); byte x 256 for 24 and
// 32 bits; the samples of 48 bits. The picture shows 16-bit grey as round(v x 255 / scale),
// at most 255, and 48 bits as the high bytes.
// Errors (lumivane::Error "Cannot read "<path>": <reason>"): "Invalid TIFF header",
// "Invalid TIFF header: no dimension", "unsupported TIFF format" (with the reason in
// brackets for layouts other than too many bits per pixel), and a clear reason for
// truncated or inconsistent files. On error `image` and `scaleMax` are left as they were.
void ReadTIFF(TiffImage& image, const std::string& path, std::uint16_t& scaleMax);

// Writes `pixels` as an uncompressed 16-bit RGB little-endian TIFF: a fixed directory of 14
// entries at offset 8 and the samples from offset 182, top row first (temporary file, then
// rename). Width and height are at most 65535. Throws Error ("Cannot write "<path>": ...")
// on failure, leaving an existing file untouched.
void WriteTIFF(const Image16& pixels, const std::string& path);

}  // namespace lumivane::codecs
