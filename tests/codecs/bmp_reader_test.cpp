#include "codecs/bmp_reader.hpp"
#include "codecs/bmp_writer.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "codec_test_support.hpp"
#include "platform/error.hpp"

namespace lumivane::codecs {
namespace {

using testing::Bytes;
using testing::Put;

// A BMP file of a 2 x 2 image: `rows` are the stored rows in file order, unpadded.
struct BmpCase {
  const char* name;
  std::uint32_t headerBytes;  // 12, 40, 108 or 124
  std::int32_t height;        // negative: rows stored top-down
  std::uint16_t bitCount;
  std::uint32_t compression;
  std::vector<std::uint32_t> masks;  // R G B for bit fields
  Bytes palette;                     // B G R per entry
  std::vector<Bytes> rows;
  Bytes picture;  // B G R, top row first
};

Bytes MakeBmp(const BmpCase& c) {
  const bool core = c.headerBytes == 12;
  const bool masksAfterHeader = c.headerBytes == 40 && !c.masks.empty();
  const size_t entryBytes = core ? 3 : 4;
  const size_t colours = c.palette.size() / 3;
  const std::uint32_t dataOffset = static_cast<std::uint32_t>(14 + c.headerBytes + (masksAfterHeader ? 12 : 0) +
                                                              colours * entryBytes);
  Bytes out = {'B', 'M'};
  Put(out, 0, 4, false);  // file size: not used by readers
  Put(out, 0, 4, false);
  Put(out, dataOffset, 4, false);
  Put(out, c.headerBytes, 4, false);
  if (core) {
    Put(out, 2, 2, false);
    Put(out, static_cast<std::uint32_t>(c.height), 2, false);
    Put(out, 1, 2, false);
    Put(out, c.bitCount, 2, false);
  } else {
    Put(out, 2, 4, false);
    Put(out, static_cast<std::uint32_t>(c.height), 4, false);
    Put(out, 1, 2, false);
    Put(out, c.bitCount, 2, false);
    Put(out, c.compression, 4, false);
    for (int i = 0; i < 3; ++i) Put(out, 0, 4, false);  // image size, resolution
    Put(out, static_cast<std::uint32_t>(colours), 4, false);
    Put(out, 0, 4, false);
    const size_t extra = c.headerBytes - 40;
    for (size_t i = 0; i < extra; ++i) {
      const size_t mask = i / 4;
      const std::uint32_t v = mask < c.masks.size() && extra >= 12 ? c.masks[mask] : 0;
      out.push_back(static_cast<std::uint8_t>(v >> (8 * (i % 4))));
    }
    if (masksAfterHeader) {
      for (std::uint32_t m : c.masks) Put(out, m, 4, false);
    }
  }
  for (size_t i = 0; i < colours; ++i) {
    out.insert(out.end(), c.palette.begin() + 3 * i, c.palette.begin() + 3 * i + 3);
    if (!core) out.push_back(0);
  }
  for (Bytes row : c.rows) {
    while (row.size() % 4) row.push_back(0xEE);  // padding that must not show
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

class Bmp : public testing::ScratchDir {};
class BmpLayouts : public Bmp, public ::testing::WithParamInterface<BmpCase> {};

TEST_P(BmpLayouts, DecodeToTopDownBgr) {
  const BmpCase& c = GetParam();
  const Bitmap24 picture = ReadBMP(Write("case.bmp", MakeBmp(c)));
  ASSERT_EQ(picture.Width(), 2);
  ASSERT_EQ(picture.Height(), 2);
  EXPECT_EQ(Bytes(picture.Data(), picture.Data() + picture.Bytes()), c.picture);
}

const Bytes kPalette = {0, 0, 0, 30, 20, 10, 50, 100, 200};

INSTANTIATE_TEST_SUITE_P(
    Layouts, BmpLayouts,
    ::testing::Values(
        BmpCase{"rgb24_bottom_up", 40, 2, 24, 0, {}, {},
                {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}, {7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}},
        BmpCase{"rgb24_top_down", 40, -2, 24, 0, {}, {},
                {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        BmpCase{"palette8", 40, 2, 8, 0, {}, kPalette, {{0, 1}, {2, 0}}, {50, 100, 200, 0, 0, 0, 0, 0, 0, 30, 20, 10}},
        BmpCase{"palette4", 40, 2, 4, 0, {}, kPalette, {{0x12}, {0x01}}, {0, 0, 0, 30, 20, 10, 30, 20, 10, 50, 100, 200}},
        BmpCase{"palette1", 40, 2, 1, 0, {}, kPalette, {{0x80}, {0x40}}, {0, 0, 0, 30, 20, 10, 30, 20, 10, 0, 0, 0}},
        BmpCase{"core_header_palette8", 12, 2, 8, 0, {}, kPalette, {{0, 1}, {2, 0}},
                {50, 100, 200, 0, 0, 0, 0, 0, 0, 30, 20, 10}},
        // 5 bits per channel: 16 of 31 -> round(16 x 255 / 31) = 132
        BmpCase{"rgb555", 40, 2, 16, 0, {}, {}, {{0x00, 0x7C, 0xE0, 0x03}, {0x1F, 0x00, 0x10, 0x42}},
                {255, 0, 0, 132, 132, 132, 0, 0, 255, 0, 255, 0}},
        // 5-6-5 bit fields after a 40-byte header: green 32 of 63 -> 130
        BmpCase{"rgb565_bitfields", 40, 2, 16, 3, {0xF800, 0x07E0, 0x001F}, {},
                {{0x00, 0xF8, 0x10, 0x84}, {0xE0, 0x07, 0x1F, 0x00}}, {0, 255, 0, 255, 0, 0, 0, 0, 255, 132, 130, 132}},
        BmpCase{"bgrx32", 108, 2, 32, 0, {}, {}, {{1, 2, 3, 99, 4, 5, 6, 99}, {7, 8, 9, 99, 10, 11, 12, 99}},
                {7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}},
        // Bit fields in a version 5 header, bytes in the order R G B X.
        BmpCase{"rgbx32_bitfields_v5", 124, -2, 32, 3, {0x000000FF, 0x0000FF00, 0x00FF0000}, {},
                {{1, 2, 3, 0, 4, 5, 6, 0}, {7, 8, 9, 0, 10, 11, 12, 0}}, {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10}}),
    [](const auto& info) { return std::string(info.param.name); });

// BMP files written by FFmpeg in its pixel formats read to the pixels FFmpeg reads back.
TEST(BmpFromAnotherWriter, MatchItsDecoder) {
  const std::string d = testing::TestData();
  if (d.empty()) GTEST_SKIP() << "LUMIVANE_TESTDATA not set";
  if (!testing::HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg not installed";
  const std::string dir = ::testing::TempDir();
  for (const char* format : {"bgr24", "bgra", "pal8", "gray", "monob", "rgb565le", "rgb555le"}) {
    SCOPED_TRACE(format);
    const std::string bmp = dir + "lumivane_ffmpeg_" + format + ".bmp";
    int status = 0;
    const std::string log = testing::Run("ffmpeg -v error -y -i '" + d + "/images/xplanet_mars_disk_512.png' -vf scale=123:77 -pix_fmt " +
                                         format + " '" + bmp + "'", &status);
    ASSERT_EQ(status, 0) << log;
    const Bitmap24 picture = ReadBMP(bmp);
    const std::string raw = testing::Run("ffmpeg -v error -i '" + bmp + "' -f rawvideo -pix_fmt bgr24 -");
    std::remove(bmp.c_str());
    ASSERT_EQ(picture.Width(), 123);
    ASSERT_EQ(raw.size(), picture.Bytes());
    // FFmpeg widens 5- and 6-bit channels by bit replication, we by rounding: at most 1 apart.
    const int tolerance = std::string(format).find("rgb5") == 0 ? 1 : 0;
    int worst = 0;
    for (size_t i = 0; i < raw.size(); ++i) {
      worst = std::max(worst, std::abs(static_cast<std::uint8_t>(raw[i]) - picture.Data()[i]));
    }
    EXPECT_LE(worst, tolerance);
  }
}

}  // namespace
}  // namespace lumivane::codecs

namespace lumivane::codecs {

TEST(BmpWriter, RoundTripsThroughTheReaderForOddWidths) {
  for (int w : {1, 3, 4, 7}) {
    Bitmap24 b(w, 5);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < w; ++x) {
        std::uint8_t* p = b.Pixel(x, y);
        p[0] = static_cast<std::uint8_t>(x * 30 + y);
        p[1] = static_cast<std::uint8_t>(200 - y * 7);
        p[2] = static_cast<std::uint8_t>(x ^ y);
      }
    const std::string path = ::testing::TempDir() + "lv_bmp_round_" + std::to_string(w) + ".bmp";
    WriteBMP(path, b);
    EXPECT_EQ(ReadBMP(path), b) << "width " << w;
    std::remove(path.c_str());
  }
}

}  // namespace lumivane::codecs
