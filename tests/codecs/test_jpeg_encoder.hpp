// Makes JPEG fixtures for the tests with libjpeg's encoder.
#pragma once
#include <cstdint>
#include <vector>

namespace lumivane::codecs::testing {

enum class JpegInput { Grey, Rgb, Cmyk };

// `samples`: width x height pixels of 1 (grey), 3 (R G B) or 4 (C M Y K) bytes, row by row.
std::vector<std::uint8_t> EncodeJpeg(int width, int height, JpegInput input, const std::vector<std::uint8_t>& samples);

}  // namespace lumivane::codecs::testing
