#include "codecs/bmp_writer.hpp"

#include <cstdint>
#include <string>

#include "platform/atomic_file.hpp"

namespace lumivane::codecs {

namespace {
void Put16(std::string& b, std::uint16_t v) {
  b += static_cast<char>(v & 0xFF);
  b += static_cast<char>(v >> 8);
}
void Put32(std::string& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}
}  // namespace

void WriteBMP(const std::string& path, const Bitmap24& picture) {
  const std::uint32_t w = static_cast<std::uint32_t>(picture.Width());
  const std::uint32_t h = static_cast<std::uint32_t>(picture.Height());
  const std::uint32_t stride = (w * 3 + 3) & ~3u;
  const std::uint32_t image = stride * h;
  std::string b;
  b.reserve(54 + image);
  b += "BM";
  Put32(b, 54 + image);
  Put32(b, 0);
  Put32(b, 54);
  Put32(b, 40);
  Put32(b, w);
  Put32(b, h);
  Put16(b, 1);
  Put16(b, 24);
  Put32(b, 0);
  Put32(b, image);
  Put32(b, 2835);  // 72 dpi
  Put32(b, 2835);
  Put32(b, 0);
  Put32(b, 0);
  const std::string pad(stride - w * 3, '\0');
  for (std::uint32_t r = 0; r < h; ++r) {
    const std::uint8_t* row = picture.Row(static_cast<int>(h - 1 - r));
    b.append(reinterpret_cast<const char*>(row), w * 3);
    b += pad;
  }
  platform::WriteFileAtomically(path, b);
}

}  // namespace lumivane::codecs
