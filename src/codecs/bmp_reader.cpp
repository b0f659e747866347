#include "codecs/bmp_reader.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <new>
#include <vector>

#include "codecs/codec_util.hpp"

namespace lumivane::codecs {

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr std::uint32_t kCoreHeaderBytes = 12;
constexpr std::uint32_t kInfoHeaderBytes = 40;

enum : std::uint32_t {
  kBiRgb = 0,
  kBiRle8 = 1,
  kBiRle4 = 2,
  kBiBitfields = 3,
  kBiJpeg = 4,
  kBiPng = 5,
  kBiAlphaBitfields = 6,
};

// One colour channel of a 16- or 32-bit pixel selected by a bit mask, scaled to 0..255.
struct Channel {
  std::uint32_t mask = 0, shift = 0, max = 0;
  explicit Channel(std::uint32_t m) : mask(m) {
    if (m != 0) {
      shift = static_cast<std::uint32_t>(std::countr_zero(m));
      max = m >> shift;
    }
  }
  std::uint8_t operator()(std::uint32_t pixel) const {
    if (max == 0) return 0;
    const std::uint64_t v = (pixel & mask) >> shift;
    return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
  }
};

Bitmap24 Decode(const std::string& path, const std::vector<std::uint8_t>& file) {
  const size_t size = file.size();
  const std::uint8_t* b = file.data();
  if (size < kFileHeaderBytes + 4 || b[0] != 'B' || b[1] != 'M') ThrowReadError(path, "not a BMP file");
  const std::uint32_t dataOffset = Get32(b + 10, false);
  const std::uint32_t headerBytes = Get32(b + 14, false);
  const bool core = headerBytes == kCoreHeaderBytes;
  if (!core && headerBytes < kInfoHeaderBytes) ThrowReadError(path, "unsupported BMP header size " + std::to_string(headerBytes));
  if (!InBounds(kFileHeaderBytes, headerBytes, size)) {
    ThrowReadError(path, "the BMP header is truncated");
  }

  std::int64_t width, height;
  std::uint32_t bitCount, compression = kBiRgb, coloursUsed = 0;
  if (core) {
    width = Get16(b + 18, false);
    height = Get16(b + 20, false);
    bitCount = Get16(b + 24, false);
  } else {
    width = static_cast<std::int32_t>(Get32(b + 18, false));
    height = static_cast<std::int32_t>(Get32(b + 22, false));
    bitCount = Get16(b + 28, false);
    compression = Get32(b + 30, false);
    coloursUsed = Get32(b + 46, false);
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height == 0) ThrowReadError(path, "the BMP header gives no image size");
  if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxPixels) {
    ThrowReadError(path, "the BMP image is too large");
  }
  switch (compression) {
    case kBiRgb:
    case kBiBitfields:
    case kBiAlphaBitfields: break;
    case kBiRle8:
    case kBiRle4: ThrowReadError(path, "run-length compressed (RLE) BMP files are not supported");
    case kBiJpeg:
    case kBiPng: ThrowReadError(path, "BMP files holding JPEG or PNG data are not supported");
    default: ThrowReadError(path, "unsupported BMP compression " + std::to_string(compression));
  }
  const bool bitfields = compression != kBiRgb;
  const bool known = bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
                     bitCount == 32;
  if (!known) ThrowReadError(path, "unsupported BMP depth of " + std::to_string(bitCount) + " bits");
  if (bitfields && bitCount != 16 && bitCount != 32) ThrowReadError(path, "BMP bit fields need 16 or 32 bits per pixel");

  // Bit masks: inside headers of 52 bytes and more, else right after the 40-byte header.
  size_t tablePos = kFileHeaderBytes + headerBytes;
  std::uint32_t masks[3] = {0x7C00, 0x03E0, 0x001F};  // 16 bits: 5 5 5
  if (bitCount == 32) masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  if (bitfields) {
    size_t maskPos = kFileHeaderBytes + kInfoHeaderBytes;
    if (headerBytes == kInfoHeaderBytes) tablePos += compression == kBiAlphaBitfields ? 16 : 12;
    if (!InBounds(maskPos, 12, size)) ThrowReadError(path, "the BMP bit masks are truncated");
    for (int c = 0; c < 3; ++c) masks[c] = Get32(b + maskPos + 4 * c, false);
  }
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]);

  // Colour table of up to 256 entries (B, G, R, and a fourth byte except in core headers).
  std::array<std::array<std::uint8_t, 3>, 256> palette{};
  if (bitCount <= 8) {
    const std::uint32_t maxColours = 1u << bitCount;
    std::uint32_t colours = coloursUsed == 0 || coloursUsed > maxColours ? maxColours : coloursUsed;
    const size_t entryBytes = core ? 3 : 4;
    // Some writers store fewer entries than the depth allows: the table ends where the
    // pixels begin. Indices beyond the table show black.
    if (dataOffset > tablePos) colours = std::min<std::uint32_t>(colours, (dataOffset - tablePos) / entryBytes);
    if (!InBounds(tablePos, colours * entryBytes, size)) ThrowReadError(path, "the BMP colour table is truncated");
    for (std::uint32_t i = 0; i < colours; ++i) {
      const std::uint8_t* e = b + tablePos + i * entryBytes;
      palette[i] = {e[0], e[1], e[2]};
    }
  }

  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
  if (!InBounds(dataOffset, stride * static_cast<std::uint64_t>(height), size)) {
    ThrowReadError(path, "the BMP pixel data is truncated or lies outside the file");
  }
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  Bitmap24 picture(w, h);
  for (int row = 0; row < h; ++row) {
    const std::uint8_t* in = b + dataOffset + static_cast<size_t>(row) * stride;
    std::uint8_t* out = picture.Row(topDown ? row : h - 1 - row);
    for (int x = 0; x < w; ++x, out += 3) {
      switch (bitCount) {
        case 1:
        case 4:
        case 8: {
          const unsigned bitPos = static_cast<unsigned>(x) * bitCount;
          const unsigned index = (in[bitPos / 8] >> (8 - bitCount - bitPos % 8)) & ((1u << bitCount) - 1);
          out[0] = palette[index][0];
          out[1] = palette[index][1];
          out[2] = palette[index][2];
          break;
        }
        case 16:
        case 32: {
          const std::uint32_t pixel = bitCount == 16 ? Get16(in + 2 * x, false) : Get32(in + 4 * x, false);
          out[0] = blue(pixel);
          out[1] = green(pixel);
          out[2] = red(pixel);
          break;
        }
        default:  // 24
          out[0] = in[3 * x];
          out[1] = in[3 * x + 1];
          out[2] = in[3 * x + 2];
          break;
      }
    }
  }
  return picture;
}

}  // namespace

Bitmap24 ReadBMP(const std::string& path) {
  const std::vector<std::uint8_t> file = ReadFileBytes(path);
  try {
    return Decode(path, file);
  } catch (const std::bad_alloc&) {
    ThrowReadError(path, "not enough memory for the image");
  }
}

}  // namespace lumivane::codecs
