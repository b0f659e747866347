#include "input/dib_unpack.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace lumivane::input {
namespace {

TEST(PackedTwelveBit, WidthFiveGivesFiveSamplesTheLastFromTheNextBytePair) {
  const std::vector<std::uint8_t> row = {0xAB, 0xCD, 0xEF, 0x12, 0x34, 0x56, 0x78, 0x9A};
  std::vector<std::uint16_t> out(5);
  UnpackPacked12Row(row.data(), row.size(), 5, out.data());
  EXPECT_EQ(out, (std::vector<std::uint16_t>{0xABC0, 0xEFD0, 0x1230, 0x5640, 0x9A70}));
}

TEST(PackedTwelveBit, NeverReadsPastTheRow) {
  struct Case {
    int width;
    std::vector<std::uint8_t> row;  // exactly the bytes the row holds
    std::vector<std::uint16_t> want;
  };
  const Case cases[] = {
      {2, {0xAB, 0xCD, 0xEF}, {0xABC0, 0xEFD0}},
      {1, {0x78, 0x9A}, {0x9A70}},
      // Width 3 in a 4-byte row: the last sample has only its low byte in the row.
      {3, {0xAB, 0xCD, 0xEF, 0x78}, {0xABC0, 0xEFD0, 0x0070}},
      // A row shorter than its samples: the missing bytes count as 0.
      {4, {0xAB, 0xCD, 0xEF, 0x12}, {0xABC0, 0xEFD0, 0x1200, 0x0000}},
  };
  for (const Case& c : cases) {
    // A heap copy of exactly the row's size, so the address checker sees any overrun.
    std::vector<std::uint8_t> row(c.row);
    std::vector<std::uint16_t> out(c.width, 0xFFFF);
    UnpackPacked12Row(row.data(), row.size(), c.width, out.data());
    EXPECT_EQ(out, c.want) << "width " << c.width;
  }
}

TEST(StoredRowStride, PicksPaddedThenUnpaddedRows) {
  struct Case {
    int width, height, bits;
    std::size_t size, want;
  };
  const Case cases[] = {
      {638, 2, 8, 640 * 2, 640},  // DIB rows padded to 4 bytes
      {638, 2, 8, 638 * 2, 638},  // rows written without padding
      {638, 2, 8, 638 * 2 - 1, 0},
      {5, 3, 12, 8 * 3, 8},
      {3, 2, 12, 8 * 2, 8},
      {3, 2, 12, 5 * 2, 5},
      {3, 2, 12, 4 * 2, 4},  // the whole-byte part of the row, padded
      {3, 2, 24, 12 * 2, 12},
      {3, 2, 24, 9 * 2, 9},
      {2, 2, 48, 12 * 2, 12},
      {0, 2, 8, 100, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(StoredRowStride(c.width, c.height, c.bits, c.size), c.want)
        << c.width << "x" << c.height << " bits " << c.bits << " size " << c.size;
}

TEST(DibRowStride, RoundsTheWholeBytesUpToFour) {
  EXPECT_EQ(DibRowStride(5, 12), 8u);
  EXPECT_EQ(DibRowStride(3, 12), 4u);
  EXPECT_EQ(DibRowStride(638, 8), 640u);
  EXPECT_EQ(DibRowStride(4, 24), 12u);
}

TEST(UnpackSample, SixteenBitGreyFillsTheMiddleDeepSampleAndShowsTheHighByte) {
  // 2 x 2, bottom-up: stored row 0 is the bottom row.
  const std::vector<std::uint8_t> data = {0x34, 0x12, 0x00, 0xFF,   // bottom
                                          0x01, 0x80, 0xFF, 0x00};  // top
  SampleLayout l{2, 2, 16, false, 4};
  Bitmap24 pic;
  Image16 deep(7, 7);  // wrong size: replaced
  std::vector<std::uint16_t> scratch;
  UnpackSample(l, data.data(), data.size(), GreyPalette(), pic, &deep, scratch);
  ASSERT_EQ(deep.Width(), 3);
  ASSERT_EQ(deep.Height(), 3);
  const std::uint16_t* p = deep.Pixel(0, 1);
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(p[1], 0x1234);
  EXPECT_EQ(p[2], 0);
  EXPECT_EQ(deep.Pixel(1, 1)[1], 0xFF00);
  EXPECT_EQ(deep.Pixel(0, 0)[1], 0x8001);
  EXPECT_EQ(pic.Pixel(0, 1)[0], 0x12);
  EXPECT_EQ(pic.Pixel(0, 1)[2], 0x12);
  EXPECT_EQ(pic.Pixel(1, 1)[1], 0xFF);
  EXPECT_EQ(pic.Pixel(0, 0)[0], 0x80);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(deep.Pixel(2, i)[1], 0) << "margin column";
    EXPECT_EQ(deep.Pixel(i, 2)[1], 0) << "margin row";
  }
  // A second frame of the same size clears stale margins written by someone else.
  deep.Pixel(2, 0)[0] = 7;
  deep.Pixel(1, 2)[2] = 7;
  UnpackSample(l, data.data(), data.size(), GreyPalette(), pic, &deep, scratch);
  EXPECT_EQ(deep.Pixel(2, 0)[0], 0);
  EXPECT_EQ(deep.Pixel(1, 2)[2], 0);
}

TEST(UnpackSample, FortyEightBitWordsKeepTheirStoredOrder) {
  const std::vector<std::uint8_t> data = {0x11, 0xA0, 0x22, 0xB0, 0x33, 0xC0, 0, 0};  // 1 x 1
  SampleLayout l{1, 1, 48, true, 8};
  Bitmap24 pic;
  Image16 deep;
  std::vector<std::uint16_t> scratch;
  UnpackSample(l, data.data(), data.size(), GreyPalette(), pic, &deep, scratch);
  EXPECT_EQ(deep.Pixel(0, 0)[0], 0xA011);
  EXPECT_EQ(deep.Pixel(0, 0)[1], 0xB022);
  EXPECT_EQ(deep.Pixel(0, 0)[2], 0xC033);
  EXPECT_EQ(pic.Pixel(0, 0)[0], 0xA0);
  EXPECT_EQ(pic.Pixel(0, 0)[1], 0xB0);
  EXPECT_EQ(pic.Pixel(0, 0)[2], 0xC0);
}

TEST(UnpackSample, EightBitUsesTheColourTableAndRowOrder) {
  DibPalette pal = GreyPalette();
  pal[4 * 7 + 0] = 1;  // entry 7 = blue 1, green 2, red 3
  pal[4 * 7 + 1] = 2;
  pal[4 * 7 + 2] = 3;
  const std::vector<std::uint8_t> data = {7, 9, 0, 0, 5, 6, 0, 0};  // 2 x 2, rows of 4 bytes
  for (bool topDown : {false, true}) {
    SampleLayout l{2, 2, 8, topDown, 4};
    Bitmap24 pic;
    std::vector<std::uint16_t> scratch;
    UnpackSample(l, data.data(), data.size(), pal, pic, nullptr, scratch);
    const int first = topDown ? 0 : 1;  // picture row of the first stored row
    const std::uint8_t* p = pic.Pixel(0, first);
    EXPECT_EQ(p[0], 1);
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(p[2], 3);
    EXPECT_EQ(pic.Pixel(1, first)[2], 9);
    EXPECT_EQ(pic.Pixel(0, 1 - first)[0], 5);
  }
}

}  // namespace
}  // namespace lumivane::input
