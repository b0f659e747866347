#include "input/dib_unpack.hpp"

#include <algorithm>
#include <cstring>

namespace lumivane::input {
namespace {

std::size_t RoundUp4(std::size_t n) { return (n + 3) & ~static_cast<std::size_t>(3); }

inline std::uint16_t Le16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Makes `picture` width x height without clearing it when the size is already right.
void Fit(Bitmap24& picture, int width, int height) {
  if (picture.Width() != width || picture.Height() != height) picture.Allocate(width, height);
}

// Makes `deep` (width + 1) x (height + 1); the margin column and row are cleared here, the
// caller writes every other sample.
void FitDeep(Image16& deep, int width, int height) {
  if (deep.Width() != width + 1 || deep.Height() != height + 1) {
    deep.Allocate(width + 1, height + 1);
    return;
  }
  for (int y = 0; y < height; ++y) {
    std::uint16_t* p = deep.Pixel(width, y);
    p[0] = p[1] = p[2] = 0;
  }
  std::fill(deep.Row(height), deep.Row(height) + static_cast<std::size_t>(width + 1) * 3,
            std::uint16_t{0});
}

// 8-bit rows through the colour table. Each pixel is written as one 4-byte store of
// blue, green, red and a spare byte that the next pixel overwrites; the last pixel of a row
// is written byte by byte so nothing lands past the row.
void Rows8(const SampleLayout& l, const std::uint8_t* data, const DibPalette& pal,
           Bitmap24& picture) {
  std::uint8_t table[256][4];
  for (int i = 0; i < 256; ++i) {
    table[i][0] = pal[i * 4];
    table[i][1] = pal[i * 4 + 1];
    table[i][2] = pal[i * 4 + 2];
    table[i][3] = 0;
  }
  for (int r = 0; r < l.Height; ++r) {
    const std::uint8_t* s = data + static_cast<std::size_t>(r) * l.Stride;
    std::uint8_t* d = picture.Row(l.TopDown ? r : l.Height - 1 - r);
    int x = 0;
    for (; x + 1 < l.Width; ++x, d += 3) std::memcpy(d, table[s[x]], 4);
    for (; x < l.Width; ++x, d += 3) std::memcpy(d, table[s[x]], 3);
  }
}

void RowsBgr(const SampleLayout& l, const std::uint8_t* data, Bitmap24& picture) {
  const int step = l.BitCount / 8;  // 3 or 4
  for (int r = 0; r < l.Height; ++r) {
    const std::uint8_t* s = data + static_cast<std::size_t>(r) * l.Stride;
    std::uint8_t* d = picture.Row(l.TopDown ? r : l.Height - 1 - r);
    if (step == 3) {
      std::memcpy(d, s, static_cast<std::size_t>(l.Width) * 3);
      continue;
    }
    for (int x = 0; x < l.Width; ++x, d += 3, s += step) {
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
    }
  }
}

// One row of grey 16-bit values into the picture row and (when given) the deep row.
void GreyRow(const std::uint16_t* v, int width, std::uint8_t* d, std::uint16_t* deepRow) {
  for (int x = 0; x < width; ++x, d += 3) d[0] = d[1] = d[2] = static_cast<std::uint8_t>(v[x] >> 8);
  if (deepRow) {
    for (int x = 0; x < width; ++x, deepRow += 3) {
      deepRow[0] = 0;
      deepRow[1] = v[x];
      deepRow[2] = 0;
    }
  }
}

}  // namespace

const DibPalette& GreyPalette() {
  static const DibPalette grey = [] {
    DibPalette p{};
    for (int i = 0; i < 256; ++i) {
      p[i * 4] = p[i * 4 + 1] = p[i * 4 + 2] = static_cast<std::uint8_t>(i);
      p[i * 4 + 3] = 0;
    }
    return p;
  }();
  return grey;
}

bool IsStoredSampleBitCount(int bitCount) {
  return bitCount == 8 || bitCount == 12 || bitCount == 16 || bitCount == 24 ||
         bitCount == 32 || bitCount == 48;
}

std::size_t DibRowStride(int width, int bitCount) {
  if (width <= 0 || bitCount <= 0) return 0;
  return RoundUp4(static_cast<std::size_t>(width) * bitCount / 8);
}

std::size_t StoredRowStride(int width, int height, int bitCount, std::size_t size) {
  if (width <= 0 || height <= 0 || bitCount <= 0) return 0;
  const std::size_t bits = static_cast<std::size_t>(width) * bitCount;
  const std::size_t whole = (bits + 7) / 8;  // every sample's bits
  const std::size_t candidates[3] = {RoundUp4(whole), whole, RoundUp4(bits / 8)};
  for (std::size_t stride : candidates) {
    if (stride > 0 && stride <= size / static_cast<std::size_t>(height)) return stride;
  }
  return 0;
}

void UnpackPacked12Row(const std::uint8_t* row, std::size_t rowBytes, int width,
                       std::uint16_t* out) {
  const int pairs = width / 2;
  const std::size_t safePairs = std::min<std::size_t>(pairs, rowBytes / 3);
  const std::uint8_t* s = row;
  for (std::size_t i = 0; i < safePairs; ++i, s += 3) {
    out[2 * i] = static_cast<std::uint16_t>((s[0] << 8) | (s[1] & 0xF0));
    out[2 * i + 1] = static_cast<std::uint16_t>((s[2] << 8) | ((s[1] & 0x0F) << 4));
  }
  auto at = [&](std::size_t i) -> std::uint8_t { return i < rowBytes ? row[i] : 0; };
  for (std::size_t i = safePairs; i < static_cast<std::size_t>(pairs); ++i) {
    const std::size_t o = 3 * i;
    const std::uint8_t b0 = at(o), b1 = at(o + 1), b2 = at(o + 2);
    out[2 * i] = static_cast<std::uint16_t>((b0 << 8) | (b1 & 0xF0));
    out[2 * i + 1] = static_cast<std::uint16_t>((b2 << 8) | ((b1 & 0x0F) << 4));
  }
  if (width % 2 != 0) {
    const std::size_t o = 3 * static_cast<std::size_t>(pairs);
    const std::uint16_t v = static_cast<std::uint16_t>(at(o) | (at(o + 1) << 8));
    out[width - 1] = static_cast<std::uint16_t>(v & 0xFFF0);
  }
}

void UnpackSample(const SampleLayout& l, const std::uint8_t* data, std::size_t size,
                  const DibPalette& palette, Bitmap24& picture, Image16* deep,
                  std::vector<std::uint16_t>& rowScratch) {
  const std::size_t rowNeed = l.BitCount == 12 ? 0 : static_cast<std::size_t>(l.Width) * (l.BitCount / 8);
  if (l.Width <= 0 || l.Height <= 0 || l.Stride < rowNeed ||
      l.Stride > size / static_cast<std::size_t>(l.Height))
    return;  // the caller checks the layout against the sample first
  Fit(picture, l.Width, l.Height);
  switch (l.BitCount) {
    case 8:
      Rows8(l, data, palette, picture);
      return;
    case 24:
    case 32:
      RowsBgr(l, data, picture);
      return;
    default:
      break;
  }
  if (deep) FitDeep(*deep, l.Width, l.Height);
  if (l.BitCount == 12 || l.BitCount == 16) {
    if (rowScratch.size() < static_cast<std::size_t>(l.Width)) rowScratch.resize(l.Width);
    for (int r = 0; r < l.Height; ++r) {
      const std::uint8_t* s = data + static_cast<std::size_t>(r) * l.Stride;
      const int y = l.TopDown ? r : l.Height - 1 - r;
      if (l.BitCount == 12) {
        UnpackPacked12Row(s, l.Stride, l.Width, rowScratch.data());
      } else {
        for (int x = 0; x < l.Width; ++x) rowScratch[x] = Le16(s + 2 * x);
      }
      GreyRow(rowScratch.data(), l.Width, picture.Row(y), deep ? deep->Row(y) : nullptr);
    }
    return;
  }
  if (l.BitCount == 48) {
    for (int r = 0; r < l.Height; ++r) {
      const std::uint8_t* s = data + static_cast<std::size_t>(r) * l.Stride;
      const int y = l.TopDown ? r : l.Height - 1 - r;
      std::uint8_t* d = picture.Row(y);
      std::uint16_t* q = deep ? deep->Row(y) : nullptr;
      for (int x = 0; x < l.Width; ++x, s += 6, d += 3) {
        const std::uint16_t w0 = Le16(s), w1 = Le16(s + 2), w2 = Le16(s + 4);
        d[0] = static_cast<std::uint8_t>(w0 >> 8);
        d[1] = static_cast<std::uint8_t>(w1 >> 8);
        d[2] = static_cast<std::uint8_t>(w2 >> 8);
        if (q) {
          q[0] = w0;
          q[1] = w1;
          q[2] = w2;
          q += 3;
        }
      }
    }
  }
}

}  // namespace lumivane::input
