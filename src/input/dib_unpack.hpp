// Stored video samples as device-independent bitmap rows: 8-bit with a colour table, 16-bit
// grey, 24- and 32-bit B G R, 48-bit (three 16-bit words a pixel) and packed 12-bit grey.
// Rows are stored bottom to top unless the layout says otherwise; a DIB row is padded to a
// multiple of 4 bytes, but rows written without padding are recognised by the sample size.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "session/image.hpp"

namespace lumivane::input {

// 256 colour table entries, each the bytes blue, green, red, reserved.
using DibPalette = std::array<std::uint8_t, 1024>;

// The grey table: entry i = (i, i, i, 0).
const DibPalette& GreyPalette();

// True for the bit counts whose stored samples are taken as they are.
bool IsStoredSampleBitCount(int bitCount);

// Bytes of one DIB row: (width x bit count) div 8, rounded up to a multiple of 4.
std::size_t DibRowStride(int width, int bitCount);

struct SampleLayout {
  int Width = 0, Height = 0;
  int BitCount = 0;         // stored bits per pixel: 8, 12, 16, 24, 32 or 48
  bool TopDown = false;     // first stored row is the top row
  std::size_t Stride = 0;   // bytes from one stored row to the next
};

// The row stride of a stored sample of `size` bytes: the padded DIB row when the sample
// holds it, else the unpadded row (rows written without padding), else the DIB row of the
// whole-byte part (packed 12-bit rows of odd width). 0 when the sample is too small.
std::size_t StoredRowStride(int width, int height, int bitCount, std::size_t size);

// Unpacks one row of packed 12-bit samples (two samples in three bytes) into 16-bit values
// with the 12 bits at the top. The last sample of an odd width is the little-endian word at
// the next byte pair with its low 4 bits cleared. Bytes past `rowBytes` are never read; a
// missing byte counts as 0.
void UnpackPacked12Row(const std::uint8_t* row, std::size_t rowBytes, int width,
                       std::uint16_t* out);

// Turns one stored sample (`size` bytes, at least Stride x Height) into `picture` (B G R,
// top to bottom). For 12-, 16- and 48-bit samples `deep` (when given) becomes the
// (width + 1) x (height + 1) frame of full-depth samples: grey samples go to the middle
// sample of each pixel, 48-bit words in their stored order to the three samples; the picture
// holds every sample's high byte. `rowScratch` is working memory kept by the caller.
// The images are only reallocated when their size changes.
void UnpackSample(const SampleLayout& layout, const std::uint8_t* data, std::size_t size,
                  const DibPalette& palette, Bitmap24& picture, Image16* deep,
                  std::vector<std::uint16_t>& rowScratch);

}  // namespace lumivane::input
