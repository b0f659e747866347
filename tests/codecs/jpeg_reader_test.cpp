#include "codecs/jpeg_reader.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "codec_test_support.hpp"
#include "test_jpeg_encoder.hpp"
#include "platform/error.hpp"

namespace lumivane::codecs {
namespace {

using testing::Bytes;
using testing::EncodeJpeg;
using testing::JpegInput;

// Smooth content: the fast decoder stays within a few levels of it.
std::uint8_t Level(int x, int y, int c) { return static_cast<std::uint8_t>(40 + 3 * x + 2 * y + 50 * c); }

class Jpeg : public testing::ScratchDir {};

TEST_F(Jpeg, GreyFileGivesEqualBlueGreenRed) {
  Bytes grey;
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 40; ++x) grey.push_back(Level(x, y, 0));
  }
  const Bitmap24 picture = ReadJPEG(Write("grey.jpg", EncodeJpeg(40, 24, JpegInput::Grey, grey)));
  ASSERT_EQ(picture.Width(), 40);
  ASSERT_EQ(picture.Height(), 24);
  for (int y = 0; y < 24; ++y) {
    for (int x = 0; x < 40; ++x) {
      const std::uint8_t* p = picture.Pixel(x, y);
      ASSERT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
      ASSERT_NEAR(p[0], Level(x, y, 0), 4) << x << "," << y;
    }
  }
}

TEST_F(Jpeg, ColourFileGivesBlueGreenRedOrder) {
  Bytes rgb;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 48; ++x) {
      for (int c = 0; c < 3; ++c) rgb.push_back(Level(x, y, c));
    }
  }
  const Bitmap24 picture = ReadJPEG(Write("colour.jpg", EncodeJpeg(48, 32, JpegInput::Rgb, rgb)));
  ASSERT_EQ(picture.Width(), 48);
  double error = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 48; ++x) {
      for (int c = 0; c < 3; ++c) error += std::abs(picture.Pixel(x, y)[2 - c] - Level(x, y, c));
    }
  }
  // Subsampled colour without smoothing stays a few levels off; swapped channels (50 apart)
  // would be far off.
  EXPECT_LT(error / (48 * 32 * 3), 6.0);
}

TEST_F(Jpeg, CmykFileIsRefusedByName) {
  const Bytes cmyk(16 * 8 * 4, 100);
  const std::string path = Write("print.jpg", EncodeJpeg(16, 8, JpegInput::Cmyk, cmyk));
  try {
    ReadJPEG(path);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("CMYK"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

// A real photograph, compressed by FFmpeg, reads close to FFmpeg's own (exact) decoding.
TEST(JpegFromAnotherWriter, IsCloseToItsDecoder) {
  const std::string d = testing::TestData();
  if (d.empty()) GTEST_SKIP() << "LUMIVANE_TESTDATA not set";
  if (!testing::HaveTool("ffmpeg")) GTEST_SKIP() << "ffmpeg not installed";
  for (const char* source : {"skimage_moon.png", "xplanet_mars_disk_512.png"}) {
    SCOPED_TRACE(source);
    const std::string jpg = ::testing::TempDir() + "lumivane_ffmpeg_" + source + ".jpg";
    int status = 0;
    const std::string log = testing::Run("ffmpeg -v error -y -i '" + d + "/images/" + source + "' -q:v 2 '" + jpg + "'", &status);
    ASSERT_EQ(status, 0) << log;
    const Bitmap24 picture = ReadJPEG(jpg);
    const std::string raw = testing::Run("ffmpeg -v error -i '" + jpg + "' -f rawvideo -pix_fmt bgr24 -");
    std::remove(jpg.c_str());
    ASSERT_EQ(raw.size(), picture.Bytes());
    double error = 0;
    for (size_t i = 0; i < raw.size(); ++i) error += std::abs(static_cast<std::uint8_t>(raw[i]) - picture.Data()[i]);
    EXPECT_LT(error / static_cast<double>(raw.size()), 2.0);
  }
}

}  // namespace
}  // namespace lumivane::codecs
