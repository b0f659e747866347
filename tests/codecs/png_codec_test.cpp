#include "codecs/png_codec.hpp"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "codec_test_support.hpp"
#include "platform/error.hpp"

namespace lumivane::codecs {
namespace {

using testing::Bytes;

class Png : public testing::ScratchDir {};

std::uint32_t Be32(const Bytes& b, size_t at) {
  return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 | std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

Image16 Sample16() {
  Image16 image(3, 2);
  const std::uint16_t values[] = {0x1234, 0, 65535, 1, 256, 0xFF00, 0xABCD, 7, 8, 9, 10, 11, 0x8000, 0x7FFF, 2, 3, 4, 5};
  std::copy(std::begin(values), std::end(values), image.Data());
  return image;
}

TEST_F(Png, SixteenBitSamplesReadBackExactly) {
  const Image16 image = Sample16();
  const std::string path = Path("round.png");
  WritePNG16(path, image);
  const PngImage back = ReadPNG(path);
  EXPECT_TRUE(back.SixteenBit);
  EXPECT_TRUE(back.Colour);
  EXPECT_EQ(back.Samples, image);
  EXPECT_EQ(back.Samples.Pixel(0, 0)[0], 4660);
  // The picture holds the high bytes, in the order B, G, R.
  EXPECT_EQ(back.Picture.Pixel(0, 0)[2], 0x12);
  EXPECT_EQ(back.Picture.Pixel(0, 0)[0], 0xFF);
  EXPECT_EQ(back.Picture.Pixel(1, 0)[1], 0x01);
}

TEST_F(Png, EightBitPictureIsWrittenAsMultiplesOf255) {
  Bitmap24 picture(2, 1);
  const std::uint8_t bgr[] = {10, 20, 30, 255, 0, 1};
  std::copy(std::begin(bgr), std::end(bgr), picture.Data());
  const std::string path = Path("resized.png");
  WritePNG16(path, picture);
  const PngImage back = ReadPNG(path);
  ASSERT_TRUE(back.SixteenBit);
  const std::uint16_t* p = back.Samples.Data();
  EXPECT_EQ(std::vector<int>(p, p + 6), (std::vector<int>{30 * 255, 20 * 255, 10 * 255, 255, 0, 65025}));
}

TEST_F(Png, FileHasSignatureHeaderSoftwareTextImageAndEnd) {
  const std::string path = Path("layout.png");
  WritePNG16(path, Sample16());
  const Bytes b = Load(path);
  ASSERT_GT(b.size(), 8u);
  EXPECT_EQ(Bytes(b.begin(), b.begin() + 8), (Bytes{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}));
  std::vector<std::string> types;
  Bytes compressed;
  for (size_t at = 8; at + 12 <= b.size();) {
    const std::uint32_t length = Be32(b, at);
    ASSERT_LE(at + 12 + length, b.size());
    const std::string type(b.begin() + at + 4, b.begin() + at + 8);
    const Bytes data(b.begin() + at + 8, b.begin() + at + 8 + length);
    const uLong crc = crc32(0L, b.data() + at + 4, length + 4);
    EXPECT_EQ(Be32(b, at + 8 + length), crc) << type;
    types.push_back(type);
    if (type == "IHDR") {
      EXPECT_EQ(data, (Bytes{0, 0, 0, 3, 0, 0, 0, 2, 16, 2, 0, 0, 0}));
    }
    if (type == "tEXt") {  // keyword, a zero byte, "Lumivane " and the version number
      const std::string text(data.begin(), data.end());
      const std::string start = std::string("Software") + '\0' + "Lumivane ";
      EXPECT_EQ(text.substr(0, start.size()), start);
      EXPECT_TRUE(text.size() > start.size() && std::isdigit(static_cast<unsigned char>(text[start.size()]))) << text;
    }
    if (type == "IDAT") compressed.insert(compressed.end(), data.begin(), data.end());
    at += 12 + length;
  }
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "tEXt", "IDAT", "IEND"}));
  // Each row: filter byte 0, then R G B samples high byte first.
  Bytes raw(2 * (1 + 3 * 6));
  uLongf rawSize = raw.size();
  ASSERT_EQ(uncompress(raw.data(), &rawSize, compressed.data(), compressed.size()), Z_OK);
  ASSERT_EQ(rawSize, raw.size());
  EXPECT_EQ(raw[0], 0);
  EXPECT_EQ(raw[19], 0);
  EXPECT_EQ(raw[1], 0x12);
  EXPECT_EQ(raw[2], 0x34);
}

TEST_F(Png, PngcheckFindsNoErrors) {
  if (!testing::HaveTool("pngcheck")) GTEST_SKIP() << "pngcheck not installed";
  Image16 image(300, 200);
  for (int i = 0; i < 300 * 200 * 3; ++i) image.Data()[i] = static_cast<std::uint16_t>(i * 37);
  const std::string path = Path("check.png");
  WritePNG16(path, image);
  int status = 0;
  const std::string out = testing::Run("pngcheck -vt '" + path + "'", &status);
  EXPECT_EQ(status, 0) << out;
  for (const char* text : {"300 x 200 image, 48-bit RGB, non-interlaced", "keyword: Software\n    Lumivane ",
                           "No errors detected"}) {
    EXPECT_NE(out.find(text), std::string::npos) << text << "\n" << out;
  }
}

TEST_F(Png, FailedWriteLeavesNoFile) {
  EXPECT_THROW(WritePNG16(Path("empty.png"), Image16()), Error);
  EXPECT_THROW(WritePNG16(Path("missing/dir.png"), Sample16()), Error);
  EXPECT_FALSE(std::filesystem::exists(Path("empty.png")));
}

// Decoding of the PNG pixel layouts: one row of two pixels.
struct LayoutCase {
  const char* name;
  int bitDepth, colourType;
  Bytes row;      // after the filter byte
  Bytes palette;  // PLTE payload, if any
  Bytes transparency;  // tRNS payload, if any
  Bytes picture;  // B G R of both pixels
  std::vector<int> samples;  // R G B of both pixels when 16-bit, else empty
  bool colour;
};

class PngLayouts : public Png, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(PngLayouts, DecodeToPictureAndSamples) {
  const LayoutCase& c = GetParam();
  Bytes lines = {0};
  lines.insert(lines.end(), c.row.begin(), c.row.end());
  const std::string path = Write("layout.png", testing::MakePng(2, 1, c.bitDepth, c.colourType, lines, c.palette, c.transparency));
  const PngImage image = ReadPNG(path);
  EXPECT_EQ(image.Colour, c.colour);
  EXPECT_EQ(image.SixteenBit, c.bitDepth == 16);
  EXPECT_EQ(Bytes(image.Picture.Data(), image.Picture.Data() + 6), c.picture);
  if (c.bitDepth == 16) {
    EXPECT_EQ(std::vector<int>(image.Samples.Data(), image.Samples.Data() + 6), c.samples);
  } else {
    EXPECT_TRUE(image.Samples.Empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, PngLayouts,
    ::testing::Values(
        LayoutCase{"grey16", 16, 0, {0x12, 0x34, 0xFF, 0x01}, {}, {}, {0x12, 0x12, 0x12, 0xFF, 0xFF, 0xFF},
                   {4660, 4660, 4660, 0xFF01, 0xFF01, 0xFF01}, false},
        LayoutCase{"grey8", 8, 0, {9, 250}, {}, {}, {9, 9, 9, 250, 250, 250}, {}, false},
        LayoutCase{"grey2", 2, 0, {0b01110000}, {}, {}, {85, 85, 85, 255, 255, 255}, {}, false},
        LayoutCase{"grey_alpha8", 8, 4, {9, 0, 250, 128}, {}, {}, {9, 9, 9, 250, 250, 250}, {}, false},
        LayoutCase{"palette4", 4, 3, {0x10}, {1, 2, 3, 40, 50, 60}, {}, {60, 50, 40, 3, 2, 1}, {}, true},
        LayoutCase{"palette8_transparent", 8, 3, {1, 0}, {1, 2, 3, 40, 50, 60}, {0, 128}, {60, 50, 40, 3, 2, 1}, {}, true},
        LayoutCase{"grey16_transparent", 16, 0, {0x12, 0x34, 0, 9}, {}, {0, 9}, {0x12, 0x12, 0x12, 0, 0, 0},
                   {4660, 4660, 4660, 9, 9, 9}, false},
        LayoutCase{"rgb8", 8, 2, {1, 2, 3, 4, 5, 6}, {}, {}, {3, 2, 1, 6, 5, 4}, {}, true},
        LayoutCase{"rgba16", 16, 6, {0x12, 0x34, 0, 1, 0xAB, 0xCD, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8}, {}, {},
                   {0xAB, 0x00, 0x12, 5, 3, 1}, {0x1234, 1, 0xABCD, 0x0102, 0x0304, 0x0506}, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The real files: what the data folder's list says of them, and the pixels FFmpeg's decoder
// gives for every PNG of images/ and frames/.
TEST(PngRealFiles, MatchTheirDescriptionAndAnotherDecoder) {
  const std::string d = testing::TestData();
  if (d.empty()) GTEST_SKIP() << "LUMIVANE_TESTDATA not set";
  const PngImage moon = ReadPNG(d + "/images/skimage_moon.png");
  EXPECT_EQ(moon.Picture.Width(), 512);
  EXPECT_FALSE(moon.Colour);
  EXPECT_FALSE(moon.SixteenBit);
  const PngImage sun = ReadPNG(d + "/frames/Sun_150729_00000.png");  // RGBA with R = G = B, 0..155
  ASSERT_EQ(sun.Picture.Width(), 1936);
  ASSERT_EQ(sun.Picture.Height(), 1216);
  EXPECT_TRUE(sun.Colour);
  const std::uint8_t* p = sun.Picture.Data();
  EXPECT_TRUE(std::all_of(p, p + sun.Picture.Bytes(), [](std::uint8_t v) { return v <= 155; }));
  for (size_t i = 0; i < sun.Picture.Bytes(); i += 3) ASSERT_TRUE(p[i] == p[i + 1] && p[i + 1] == p[i + 2]) << i;

  if (!testing::HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg not installed";
  int files = 0;
  for (const char* folder : {"/images", "/frames"}) {
    for (const auto& entry : std::filesystem::directory_iterator(d + folder)) {
      if (entry.path().extension() != ".png") continue;
      const std::string path = entry.path().string();
      SCOPED_TRACE(path);
      ++files;
      const PngImage image = ReadPNG(path);
      const std::string raw = testing::Run("ffmpeg -v error -i '" + path + "' -f rawvideo -pix_fmt bgr24 -");
      ASSERT_EQ(raw.size(), image.Picture.Bytes());
      EXPECT_TRUE(std::equal(raw.begin(), raw.end(), image.Picture.Data(),
                             [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; }));
    }
  }
  EXPECT_GE(files, 2);
}

}  // namespace
}  // namespace lumivane::codecs
