// Decompressors for TIFF strips: LZW (TIFF 6.0 section 13), PackBits and Deflate. Each fills
// `out` with exactly `outSize` bytes from the compressed bytes `in`; data beyond what the
// strip needs is ignored. They never read or write outside the two buffers.
#pragma once
#include <cstddef>
#include <cstdint>

namespace lumivane::codecs::tiff {

enum class DecodeResult {
  Ok,         // out was filled
  Truncated,  // the data (or its end code) ended before out was full
  Corrupt,    // an impossible code or stream
};

DecodeResult DecodeLzw(const std::uint8_t* in, size_t inSize, std::uint8_t* out, size_t outSize);
DecodeResult DecodePackBits(const std::uint8_t* in, size_t inSize, std::uint8_t* out, size_t outSize);
DecodeResult DecodeDeflate(const std::uint8_t* in, size_t inSize, std::uint8_t* out, size_t outSize);

}  // namespace lumivane::codecs::tiff
