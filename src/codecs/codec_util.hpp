// Helpers shared by the image codecs: reading a whole file, the error text that names the
// file, and bounds-checked little- and big-endian number access over a byte buffer.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.hpp"

namespace lumivane::codecs {

// Largest picture any reader accepts (pixels); a header asking for more is refused before
// anything is allocated. 2^28 pixels are 1.5 GiB as a 16-bit RGB image.
inline constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 28;

// The error every reader throws: Cannot read "<path>": <reason>.
[[noreturn]] void ThrowReadError(const std::string& path, std::string_view reason);

// Reads the whole file; throws Error naming the file when it cannot be opened or read.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// Unsigned numbers of 16 and 32 bits at a position that the caller has checked.
inline std::uint16_t Get16(const std::uint8_t* p, bool bigEndian) {
  return bigEndian ? static_cast<std::uint16_t>(p[0] << 8 | p[1])
                   : static_cast<std::uint16_t>(p[1] << 8 | p[0]);
}
inline std::uint32_t Get32(const std::uint8_t* p, bool bigEndian) {
  return bigEndian ? (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3])
                   : (std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0]);
}

// Appends little- or big-endian numbers to a byte string (the writers build files in memory).
inline void Put16LE(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Put32LE(std::string& out, std::uint32_t v) {
  Put16LE(out, v & 0xFFFF);
  Put16LE(out, v >> 16);
}
inline void Put32BE(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

// True when [offset, offset + length) lies inside a buffer of `size` bytes (no overflow).
inline bool InBounds(std::uint64_t offset, std::uint64_t length, std::uint64_t size) {
  return offset <= size && length <= size - offset;
}

}  // namespace lumivane::codecs
