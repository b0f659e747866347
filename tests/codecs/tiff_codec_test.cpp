#include "codecs/tiff_codec.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "codec_test_support.hpp"
#include "codecs/tiff_decompress.hpp"
#include "platform/error.hpp"

namespace lumivane::codecs {
namespace {

using testing::Bytes;
using testing::TiffBuilder;

class Tiff : public testing::ScratchDir {};

Image16 Ramp16(int width, int height) {
  Image16 image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint16_t* p = image.Pixel(x, y);
      p[0] = static_cast<std::uint16_t>(x * 1000 + y);
      p[1] = static_cast<std::uint16_t>(0x1234 + x + 7 * y);
      p[2] = static_cast<std::uint16_t>(65535 - x * 77 - y * 3);
    }
  }
  return image;
}

std::uint32_t Le(const Bytes& b, size_t at, int size) {
  std::uint32_t v = 0;
  for (int i = size - 1; i >= 0; --i) v = v << 8 | b[at + i];
  return v;
}

TEST_F(Tiff, WriterLaysOutHeaderDirectoryAndData) {
  Image16 image(3, 2);
  image.Pixel(0, 0)[0] = 0x1234;
  image.Pixel(2, 1)[2] = 0xABCD;
  const std::string path = Path("out.tif");
  WriteTIFF(image, path);
  const Bytes b = Load(path);
  ASSERT_EQ(b.size(), 182u + 3 * 2 * 6);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 2), "II");
  EXPECT_EQ(Le(b, 2, 2), 42u);
  EXPECT_EQ(Le(b, 4, 4), 8u);
  EXPECT_EQ(Le(b, 8, 2), 14u);
  const std::uint32_t expected[14][3] = {
      {254, 4, 0},  {256, 3, 3},   {257, 3, 2}, {258, 3, 16},  {259, 3, 1}, {262, 3, 2}, {266, 3, 1},
      {273, 4, 182}, {274, 3, 1},  {277, 3, 3}, {278, 3, 2},   {279, 4, 36}, {284, 3, 1}, {317, 3, 1},
  };
  for (int i = 0; i < 14; ++i) {
    const size_t at = 10 + 12 * i;
    SCOPED_TRACE("entry " + std::to_string(i));
    EXPECT_EQ(Le(b, at, 2), expected[i][0]);
    EXPECT_EQ(Le(b, at + 2, 2), expected[i][1]);
    EXPECT_EQ(Le(b, at + 4, 4), 1u);
    EXPECT_EQ(Le(b, at + 8, 4), expected[i][2]);  // SHORT values in the low bytes, high bytes 0
  }
  EXPECT_EQ(Le(b, 178, 4), 0u);
  EXPECT_EQ(Le(b, 182, 2), 0x1234u);                    // first sample: R of the top-left pixel
  EXPECT_EQ(Le(b, 182 + 2 * (5 * 3 + 2), 2), 0xABCDu);  // B of the last pixel
}

TEST_F(Tiff, WrittenFileReadsBackWithTheSameSamples) {
  const Image16 image = Ramp16(7, 5);
  const std::string path = Path("round.tif");
  WriteTIFF(image, path);
  TiffImage back;
  std::uint16_t scale = 0;
  ReadTIFF(back, path, scale);
  EXPECT_EQ(back.BitsPerPixel, 48);
  EXPECT_EQ(scale, 0);
  EXPECT_EQ(back.Pixels16, image);
  ASSERT_EQ(back.Picture.Width(), 7);
  ASSERT_EQ(back.Picture.Height(), 5);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 7; ++x) {
      for (int c = 0; c < 3; ++c) EXPECT_EQ(back.Picture.Pixel(x, y)[2 - c], image.Pixel(x, y)[c] >> 8);
    }
  }
}

TEST_F(Tiff, ImagesTallerThan8192RowsAreRead) {
  Image16 tall(2, 9000);
  tall.Pixel(1, 8999)[2] = 0xBEEF;
  const std::string path = Path("tall.tif");
  WriteTIFF(tall, path);
  TiffImage back;
  std::uint16_t scale = 0;
  ReadTIFF(back, path, scale);
  EXPECT_EQ(back.Pixels16, tall);
}

TEST_F(Tiff, WriterReplacesAnExistingFile) {
  const std::string path = Path("again.tif");
  WriteTIFF(Ramp16(9, 9), path);
  WriteTIFF(Ramp16(2, 3), path);
  EXPECT_EQ(std::filesystem::file_size(path), 182u + 2 * 3 * 6);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Path("")), {}), 1);
}

TEST_F(Tiff, WriterRefusesImagesTheFormatCannotHold) {
  for (const auto& [w, h] : {std::pair{0, 0}, std::pair{65536, 1}}) {
    EXPECT_THROW(WriteTIFF(Image16(w, h), Path("no.tif")), Error) << w << " x " << h;
  }
  EXPECT_FALSE(std::filesystem::exists(Path("no.tif")));
}

TEST_F(Tiff, TiffinfoReadsTheWrittenFileAs16BitRgb) {
  if (!testing::HaveTool("tiffinfo")) GTEST_SKIP() << "tiffinfo not installed";
  const std::string path = Path("big.tif");
  WriteTIFF(Image16(640, 480), path);
  EXPECT_EQ(std::filesystem::file_size(path), 182u + 1843200u);
  int status = 0;
  const std::string info = testing::Run("tiffinfo -s '" + path + "'", &status);
  EXPECT_EQ(status, 0) << info;
  for (const char* line : {"Image Width: 640 Image Length: 480", "Bits/Sample: 16", "Samples/Pixel: 3",
                           "Compression Scheme: None", "Photometric Interpretation: RGB color",
                           "Planar Configuration: single image plane", "Rows/Strip: 480", "1 Strips:",
                           "0: [     182,  1843200]"}) {
    EXPECT_NE(info.find(line), std::string::npos) << line << "\n" << info;
  }
  // libtiff knows the Predictor field only for compressed files and warns about it; nothing
  // else may be reported.
  std::string rest;
  std::istringstream lines(info);
  for (std::string line; std::getline(lines, line);) {
    if (line.find("Unknown field with tag 317 ") == std::string::npos) rest += line + "\n";
  }
  EXPECT_EQ(rest.find("Warning"), std::string::npos) << info;
  EXPECT_EQ(rest.find("rror"), std::string::npos) << info;
}

// One row of a conversion case: the file's pixel bytes and what the reader must make of them.
struct DepthCase {
  const char* name;
  std::uint32_t samples, bits, photometric;
  bool bigEndian;
  Bytes pixels;               // 2 pixels wide, 1 row, in file order
  Bytes picture;              // B G R of both pixels
  std::vector<int> deep;      // R G B of both pixels
  std::uint16_t largest;
  int bitsPerPixel;
};

class TiffDepths : public Tiff, public ::testing::WithParamInterface<DepthCase> {};

TEST_P(TiffDepths, ConvertEachDepthToPictureAnd16BitImage) {
  const DepthCase& c = GetParam();
  TiffBuilder t = TiffBuilder::Image(2, 1, c.samples, c.bits, c.photometric, c.pixels, c.bigEndian);
  if (c.photometric == 3) {
    std::vector<std::uint32_t> map(3u << c.bits, 0);
    const std::uint32_t n = 1u << c.bits;
    map[1] = 65535;          // entry 1: red
    map[n + 2] = 32768;      // entry 2: half green
    map[2 * n + 2] = 0x4000;  // and a quarter blue
    t.Set(320, 3, map);
  }
  const std::string path = Write("depth.tif", t.Build());
  TiffImage image;
  std::uint16_t scale = 0;
  ReadTIFF(image, path, scale);
  EXPECT_EQ(image.BitsPerPixel, c.bitsPerPixel);
  EXPECT_EQ(scale, c.largest);
  EXPECT_EQ(Bytes(image.Picture.Data(), image.Picture.Data() + 6), c.picture);
  EXPECT_EQ(std::vector<int>(image.Pixels16.Data(), image.Pixels16.Data() + 6), c.deep);
}

INSTANTIATE_TEST_SUITE_P(
    Depths, TiffDepths,
    ::testing::Values(
        DepthCase{"grey1", 1, 1, 1, false, {0b01000000}, {0, 0, 0, 255, 255, 255}, {0, 0, 0, 255, 255, 255}, 255, 1},
        DepthCase{"grey4_white_is_zero", 1, 4, 0, false, {0x0F}, {255, 255, 255, 0, 0, 0}, {255, 255, 255, 0, 0, 0}, 255, 4},
        DepthCase{"grey8", 1, 8, 1, false, {7, 200}, {7, 7, 7, 200, 200, 200}, {7, 7, 7, 200, 200, 200}, 200, 8},
        DepthCase{"grey8_white_is_zero", 1, 8, 0, false, {7, 200}, {248, 248, 248, 55, 55, 55}, {248, 248, 248, 55, 55, 55}, 248, 8},
        DepthCase{"palette8", 1, 8, 3, false, {1, 2}, {0, 0, 255, 64, 128, 0}, {255, 0, 0, 0, 128, 64}, 255, 8},
        DepthCase{"palette4", 1, 4, 3, false, {0x12}, {0, 0, 255, 64, 128, 0}, {255, 0, 0, 0, 128, 64}, 255, 4},
        // 4000 x 255 / 65535 = 15.56 -> 16; 0x1234 = 4660 -> 18.13 -> 18
        DepthCase{"grey16", 1, 16, 1, false, {0xA0, 0x0F, 0x34, 0x12}, {16, 16, 16, 18, 18, 18},
                  {4000, 4000, 4000, 4660, 4660, 4660}, 4660, 16},
        DepthCase{"grey16_big_endian", 1, 16, 1, true, {0x0F, 0xA0, 0x12, 0x34}, {16, 16, 16, 18, 18, 18},
                  {4000, 4000, 4000, 4660, 4660, 4660}, 4660, 16},
        DepthCase{"rgb24", 3, 8, 2, false, {1, 2, 3, 255, 128, 0}, {3, 2, 1, 0, 128, 255},
                  {256, 512, 768, 65280, 32768, 0}, 0, 24},
        DepthCase{"rgba32", 4, 8, 2, false, {1, 2, 3, 99, 255, 128, 0, 99}, {3, 2, 1, 0, 128, 255},
                  {256, 512, 768, 65280, 32768, 0}, 0, 32},
        DepthCase{"rgb48", 3, 16, 2, false, {0x34, 0x12, 0xFF, 0x00, 0x00, 0xFF, 1, 0, 2, 0, 3, 0},
                  {0xFF, 0x00, 0x12, 0, 0, 0}, {0x1234, 0x00FF, 0xFF00, 1, 2, 3}, 0, 48},
        DepthCase{"rgb48_big_endian", 3, 16, 2, true, {0x12, 0x34, 0x00, 0xFF, 0xFF, 0x00, 0, 1, 0, 2, 0, 3},
                  {0xFF, 0x00, 0x12, 0, 0, 0}, {0x1234, 0x00FF, 0xFF00, 1, 2, 3}, 0, 48}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Tiff, ScaleMaxStretches16BitGreyToFullRange) {
  // The brightest sample 4000 is shown as 16 with the full scale and as 255 with scale 4000.
  Bytes pixels;
  for (std::uint16_t v : {0, 2000, 4000}) testing::Put(pixels, v, 2, false);
  const std::string path = Write("grey16.tif", TiffBuilder::Image(3, 1, 1, 16, 1, pixels).Build());
  TiffImage image;
  std::uint16_t scale = 0;
  ReadTIFF(image, path, scale);
  ASSERT_EQ(scale, 4000);
  EXPECT_EQ(image.Picture.Pixel(2, 0)[0], 16);
  ReadTIFF(image, path, scale);
  EXPECT_EQ(scale, 4000);
  EXPECT_EQ(image.Picture.Pixel(2, 0)[1], 255);
  EXPECT_EQ(image.Picture.Pixel(1, 0)[2], 128);  // 2000 x 255 / 4000 = 127.5 -> 128 (half to even)
  EXPECT_EQ(image.Pixels16.Pixel(2, 0)[0], 4000);
  scale = 1000;  // a scale below the samples saturates rather than wrapping
  ReadTIFF(image, path, scale);
  EXPECT_EQ(image.Picture.Pixel(2, 0)[0], 255);
}

// A 16 x 4 grey image (value (x / 3) x 10 + y mod 2) compressed by libtiff's LZW encoder.
const Bytes kLzwStrip = {0x80, 0x00, 0x20, 0x40, 0xA8, 0x20, 0x52, 0x0C, 0x1E, 0x84, 0x0A, 0x21, 0x43, 0x20, 0x0C,
                         0x34, 0x17, 0x0F, 0x0A, 0xC4, 0x43, 0xF1, 0x31, 0x4C, 0x54, 0x67, 0x02, 0x00, 0x41, 0x01,
                         0x50, 0x60, 0xA4, 0x20, 0x3D, 0x0A, 0x14, 0x43, 0x21, 0xD1, 0x08, 0x94, 0x52, 0x2D, 0x01};

std::uint8_t LzwFixtureValue(int x, int y) { return static_cast<std::uint8_t>(x / 3 * 10 + y % 2); }

TEST(TiffLzw, DecodesAStreamOfAnotherEncoder) {
  Bytes out(64);
  ASSERT_EQ(tiff::DecodeLzw(kLzwStrip.data(), kLzwStrip.size(), out.data(), out.size()), tiff::DecodeResult::Ok);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(out[i], LzwFixtureValue(i % 16, i / 16)) << i;
}

TEST(TiffLzw, ReportsShortAndBrokenStreamsAndNeverWritesPastTheOutput) {
  Bytes out(64);
  // Cut before the end: the end code is missing and the rows are not complete.
  EXPECT_EQ(tiff::DecodeLzw(kLzwStrip.data(), 20, out.data(), out.size()), tiff::DecodeResult::Truncated);
  // More output asked than the stream holds: it ends with the end code first.
  Bytes more(65);
  EXPECT_EQ(tiff::DecodeLzw(kLzwStrip.data(), kLzwStrip.size(), more.data(), more.size()),
            tiff::DecodeResult::Truncated);
  // Less asked: the output is filled and nothing beyond it is written (the sanitizer checks).
  std::vector<std::uint8_t> small(10);
  EXPECT_EQ(tiff::DecodeLzw(kLzwStrip.data(), kLzwStrip.size(), small.data(), small.size()), tiff::DecodeResult::Ok);
  // Clear, a literal, then a code that is not yet in the table.
  const Bytes bad = {0x80, 0x3F, 0xF0, 0x00};
  EXPECT_EQ(tiff::DecodeLzw(bad.data(), bad.size(), out.data(), out.size()), tiff::DecodeResult::Corrupt);
}

TEST(TiffLzw, RandomInputNeverOverrunsAndEndsWithAVerdict) {
  std::mt19937 random(7);
  Bytes in(300), out(500);
  for (int round = 0; round < 200; ++round) {
    for (auto& b : in) b = static_cast<std::uint8_t>(random());
    in[0] = 0x80;  // start with a Clear code
    const auto result = tiff::DecodeLzw(in.data(), in.size(), out.data(), out.size());
    EXPECT_TRUE(result == tiff::DecodeResult::Corrupt || result == tiff::DecodeResult::Truncated ||
                result == tiff::DecodeResult::Ok);
  }
}

TEST_F(Tiff, LzwStripsWithPredictorAndSeveralStripsDecode) {
  // The fixture stream twice: two strips of 4 rows each.
  TiffBuilder t = TiffBuilder::Image(16, 8, 1, 8, 1, {});
  t.data = kLzwStrip;
  t.data.insert(t.data.end(), kLzwStrip.begin(), kLzwStrip.end());
  t.Short(259, 5).Short(278, 4);
  const std::uint32_t n = static_cast<std::uint32_t>(kLzwStrip.size());
  t.Set(273, 4, {8, 8 + n}).Set(279, 4, {n, n});
  const std::string path = Write("lzw.tif", t.Build());
  TiffImage image;
  std::uint16_t scale = 0;
  ReadTIFF(image, path, scale);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) EXPECT_EQ(image.Picture.Pixel(x, y)[1], LzwFixtureValue(x, y % 4)) << x << "," << y;
  }
  // With predictor 2 every byte is a difference to its left neighbour: row sums.
  t.Short(317, 2);
  const std::string predicted = Write("lzw2.tif", t.Build());
  ReadTIFF(image, predicted, scale);
  for (int y = 0; y < 8; ++y) {
    std::uint8_t sum = 0;
    for (int x = 0; x < 16; ++x) {
      sum = static_cast<std::uint8_t>(sum + LzwFixtureValue(x, y % 4));
      EXPECT_EQ(image.Pixels16.Pixel(x, y)[0], sum) << x << "," << y;
    }
  }
}

// Files rewritten by libtiff's tiffcp (another compressor, byte order or strip layout) must
// read to exactly the pixels of the plain original.
struct TiffcpCase {
  const char* name;
  std::uint32_t samples, bits;
  const char* options;
  const char* scheme;  // as tiffinfo names the compression of the copy
};

class TiffcpVariants : public Tiff, public ::testing::WithParamInterface<TiffcpCase> {};

TEST_P(TiffcpVariants, ReadToThePixelsOfTheOriginal) {
  if (!testing::HaveTool("tiffcp")) GTEST_SKIP() << "tiffcp not installed";
  const TiffcpCase& c = GetParam();
  // Noise with smooth parts: the LZW table fills and restarts, widths 9 to 12 all occur.
  const std::uint32_t width = 211, height = 67;
  std::mt19937 random(42);
  Bytes pixels;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width * c.samples * c.bits / 8; ++x) {
      pixels.push_back(static_cast<std::uint8_t>(x < 200 ? random() : y));
    }
  }
  const std::string original = Write("original.tif",
                                     TiffBuilder::Image(width, height, c.samples, c.bits, c.samples == 1 ? 1 : 2, pixels).Build());
  const std::string copy = Path("copy.tif");
  int status = 0;
  const std::string log = testing::Run(std::string("tiffcp ") + c.options + " '" + original + "' '" + copy + "'", &status);
  ASSERT_EQ(status, 0) << log;
  if (testing::HaveTool("tiffinfo")) {
    const std::string info = testing::Run("tiffinfo '" + copy + "'");
    ASSERT_NE(info.find(std::string("Compression Scheme: ") + c.scheme), std::string::npos) << info;
  }
  TiffImage a, b;
  std::uint16_t scaleA = 0, scaleB = 0;
  ReadTIFF(a, original, scaleA);
  ReadTIFF(b, copy, scaleB);
  EXPECT_EQ(a.Pixels16, b.Pixels16);
  EXPECT_EQ(a.Picture, b.Picture);
  EXPECT_EQ(scaleA, scaleB);
  EXPECT_EQ(a.BitsPerPixel, b.BitsPerPixel);
}

INSTANTIATE_TEST_SUITE_P(
    Tiffcp, TiffcpVariants,
    ::testing::Values(TiffcpCase{"grey8_lzw", 1, 8, "-c lzw", "LZW"},
                      TiffcpCase{"grey8_lzw_predictor", 1, 8, "-c lzw:2 -r 5", "LZW"},
                      TiffcpCase{"rgb24_lzw_predictor", 3, 8, "-c lzw:2", "LZW"},
                      TiffcpCase{"rgba32_lzw_predictor", 4, 8, "-c lzw:2", "LZW"},
                      TiffcpCase{"grey16_lzw_predictor_big_endian", 1, 16, "-c lzw:2 -B", "LZW"},
                      TiffcpCase{"rgb48_lzw_predictor", 3, 16, "-c lzw:2 -r 3", "LZW"},
                      TiffcpCase{"rgb48_big_endian_strips", 3, 16, "-B -r 4", "None"},
                      TiffcpCase{"rgb24_deflate_predictor", 3, 8, "-c zip:2", "AdobeDeflate"},
                      TiffcpCase{"grey8_packbits", 1, 8, "-c packbits -r 10", "PackBits"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TiffRealFiles, LittleAndBigEndianChessboardsReadAlike) {
  const std::string d = testing::TestData();
  if (d.empty()) GTEST_SKIP() << "LUMIVANE_TESTDATA not set";
  TiffImage little, big;
  std::uint16_t maxLittle = 0, maxBig = 0;
  ReadTIFF(little, d + "/tiff/skimage_chessboard_GRAY_U16.tif", maxLittle);
  ReadTIFF(big, d + "/tiff/skimage_chessboard_GRAY_U16B.tif", maxBig);
  EXPECT_EQ(little.BitsPerPixel, 16);
  EXPECT_EQ(little.Pixels16.Width(), 200);
  EXPECT_EQ(little.Pixels16.Height(), 200);
  EXPECT_EQ(little.Pixels16, big.Pixels16);
  EXPECT_EQ(little.Picture, big.Picture);
  EXPECT_EQ(maxLittle, maxBig);
  // The board holds 8-bit levels (0..255) in 16-bit samples: a second read with the returned
  // largest value stretches the picture to exactly those levels.
  EXPECT_EQ(maxLittle, 255);
  ReadTIFF(little, d + "/tiff/skimage_chessboard_GRAY_U16.tif", maxLittle);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 200; ++x) {
      const std::uint16_t* p = little.Pixels16.Pixel(x, y);
      ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]);
      ASSERT_EQ(little.Picture.Pixel(x, y)[0], p[0]);
    }
  }
  // Another decoder (FFmpeg's) gives the same samples.
  if (!testing::HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg not installed";
  const std::string raw = testing::Run("ffmpeg -v error -i '" + d +
                                       "/tiff/skimage_chessboard_GRAY_U16B.tif' -f rawvideo -pix_fmt gray16le -");
  ASSERT_EQ(raw.size(), 200u * 200 * 2);
  for (int i = 0; i < 200 * 200; ++i) {
    const int v = static_cast<std::uint8_t>(raw[2 * i]) | static_cast<std::uint8_t>(raw[2 * i + 1]) << 8;
    ASSERT_EQ(big.Pixels16.Data()[3 * i], v) << i;
  }
}

}  // namespace
}  // namespace lumivane::codecs
