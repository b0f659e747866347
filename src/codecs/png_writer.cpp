// The 16-bit PNG encoder: signature, IHDR (16 bits, RGB), a tEXt "Software" chunk, the
// image in IDAT chunks (every row with filter type 0, samples big-endian), IEND.
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "codecs/codec_util.hpp"
#include "codecs/png_codec.hpp"
#include "lumivane_version.hpp"
#include "platform/atomic_file.hpp"

namespace lumivane::codecs {

namespace {

// Deflating dominates the save; level 3 is several times faster than zlib's default and
// compresses camera images almost as well.
constexpr int kCompressionLevel = 3;
constexpr size_t kIdatChunkBytes = size_t{1} << 20;

void AppendChunk(std::string& file, const char type[4], const char* data, size_t size) {
  Put32BE(file, static_cast<std::uint32_t>(size));
  const size_t start = file.size();
  file.append(type, 4);
  file.append(data, size);
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32_z(crc, reinterpret_cast<const Bytef*>(file.data() + start), size + 4);
  Put32BE(file, static_cast<std::uint32_t>(crc));
}

[[noreturn]] void Fail(const std::string& path, const std::string& why) {
  throw Error("Cannot write \"" + path + "\": " + why);
}

// `fillRow(y, out)` writes row y as width x 3 big-endian 16-bit samples (R, G, B).
template <typename FillRow>
void WritePng(const std::string& path, int width, int height, FillRow fillRow) {
  if (width <= 0 || height <= 0) Fail(path, "the image is empty");
  std::string file("\x89PNG\r\n\x1a\n", 8);
  std::string header;
  Put32BE(header, static_cast<std::uint32_t>(width));
  Put32BE(header, static_cast<std::uint32_t>(height));
  header += std::string("\x10\x02\x00\x00\x00", 5);  // 16 bits, RGB, deflate, filter set 0, no interlace
  AppendChunk(file, "IHDR", header.data(), header.size());
  const std::string text = std::string("Software") + '\0' + "Lumivane " + LUMIVANE_VERSION;
  AppendChunk(file, "tEXt", text.data(), text.size());

  z_stream z{};
  if (deflateInit(&z, kCompressionLevel) != Z_OK) Fail(path, "cannot start compression");
  const size_t rowBytes = 1 + static_cast<size_t>(width) * 6;
  std::vector<std::uint8_t> row(rowBytes);
  std::string compressed;
  std::vector<std::uint8_t> buffer(1 << 16);
  auto drain = [&](int flush) {
    int rc;
    do {
      z.next_out = buffer.data();
      z.avail_out = static_cast<uInt>(buffer.size());
      rc = deflate(&z, flush);
      compressed.append(reinterpret_cast<const char*>(buffer.data()), buffer.size() - z.avail_out);
    } while (z.avail_out == 0 || (flush == Z_FINISH && rc == Z_OK));
    return rc;
  };
  int rc = Z_OK;
  for (int y = 0; y < height && rc != Z_STREAM_ERROR; ++y) {
    row[0] = 0;  // filter type None
    fillRow(y, row.data() + 1);
    z.next_in = row.data();
    z.avail_in = static_cast<uInt>(rowBytes);
    rc = drain(Z_NO_FLUSH);
  }
  if (rc != Z_STREAM_ERROR) rc = drain(Z_FINISH);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) Fail(path, "compression failed");

  for (size_t at = 0; at < compressed.size(); at += kIdatChunkBytes) {
    AppendChunk(file, "IDAT", compressed.data() + at, std::min(kIdatChunkBytes, compressed.size() - at));
  }
  AppendChunk(file, "IEND", nullptr, 0);
  platform::WriteFileAtomically(path, file);
}

inline void PutSample(std::uint8_t* out, std::uint16_t v) {
  out[0] = static_cast<std::uint8_t>(v >> 8);
  out[1] = static_cast<std::uint8_t>(v & 0xFF);
}

}  // namespace

void WritePNG16(const std::string& path, const Image16& pixels) {
  WritePng(path, pixels.Width(), pixels.Height(), [&](int y, std::uint8_t* out) {
    const std::uint16_t* in = pixels.Row(y);
    for (int i = 0; i < pixels.Width() * 3; ++i) PutSample(out + 2 * i, in[i]);
  });
}

void WritePNG16(const std::string& path, const Bitmap24& picture) {
  // Each byte b becomes the sample b x 255, so the samples are multiples of 255 (255 -> 65025).
  WritePng(path, picture.Width(), picture.Height(), [&](int y, std::uint8_t* out) {
    const std::uint8_t* in = picture.Row(y);
    for (int x = 0; x < picture.Width(); ++x, in += 3, out += 6) {
      PutSample(out, static_cast<std::uint16_t>(in[2] * 255));
      PutSample(out + 2, static_cast<std::uint16_t>(in[1] * 255));
      PutSample(out + 4, static_cast<std::uint16_t>(in[0] * 255));
    }
  });
}

}  // namespace lumivane::codecs
