// Broken, truncated and malicious files: every reader must throw an Error that names the
// file, without reading or writing outside its buffers (run under the sanitizers).
#include <gtest/gtest.h>

#include <functional>

#include "codec_test_support.hpp"
#include "test_jpeg_encoder.hpp"
#include "codecs/bmp_reader.hpp"
#include "codecs/jpeg_reader.hpp"
#include "codecs/png_codec.hpp"
#include "codecs/tiff_codec.hpp"
#include "platform/error.hpp"

namespace lumivane::codecs {
namespace {

using testing::Bytes;
using testing::Put;
using testing::TiffBuilder;

enum class Format { Tiff, Png, Bmp, Jpeg };

void ReadAny(Format format, const std::string& path) {
  switch (format) {
    case Format::Tiff: {
      TiffImage image;
      std::uint16_t scale = 0;
      ReadTIFF(image, path, scale);
      break;
    }
    case Format::Png: ReadPNG(path); break;
    case Format::Bmp: ReadBMP(path); break;
    case Format::Jpeg: ReadJPEG(path); break;
  }
}

struct HostileCase {
  const char* name;
  Format format;
  std::function<Bytes()> make;
  const char* message;  // part of the expected message
};

Bytes Cut(Bytes b, size_t size) {
  b.resize(std::min(size, b.size()));
  return b;
}
Bytes Patch(Bytes b, size_t at, std::initializer_list<std::uint8_t> bytes) {
  for (std::uint8_t v : bytes) b.at(at++) = v;
  return b;
}

// --- TIFF: a 4 x 3 grey image of one uncompressed strip -------------------------------------
TiffBuilder Grey() { return TiffBuilder::Image(4, 3, 1, 8, 1, Bytes(12, 77)); }

// A 16 x 4 grey image compressed by libtiff's LZW encoder (see tiff_codec_test.cpp).
const Bytes kLzw = {0x80, 0x00, 0x20, 0x40, 0xA8, 0x20, 0x52, 0x0C, 0x1E, 0x84, 0x0A, 0x21, 0x43, 0x20, 0x0C,
                    0x34, 0x17, 0x0F, 0x0A, 0xC4, 0x43, 0xF1, 0x31, 0x4C, 0x54, 0x67, 0x02, 0x00, 0x41, 0x01,
                    0x50, 0x60, 0xA4, 0x20, 0x3D, 0x0A, 0x14, 0x43, 0x21, 0xD1, 0x08, 0x94, 0x52, 0x2D, 0x01};
Bytes LzwTiff(Bytes strip) {
  TiffBuilder t = TiffBuilder::Image(16, 4, 1, 8, 1, strip);
  return t.Short(259, 5).Build();
}

// --- PNG: a valid 2 x 2 RGB file; chunk IHDR starts at 8, IDAT at 33 ------------------------
Bytes GoodPng() { return testing::MakePng(2, 2, 8, 2, Bytes{0, 1, 2, 3, 4, 5, 6, 0, 7, 8, 9, 10, 11, 12}); }
Bytes PngWithIdat(const Bytes& idat) {
  Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  Put(ihdr, 2, 4, true);
  Put(ihdr, 2, 4, true);
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
  testing::PutChunk(file, "IHDR", ihdr);
  testing::PutChunk(file, "IDAT", idat);
  testing::PutChunk(file, "IEND", {});
  return file;
}

// --- BMP: a 2 x 2 24-bit file (header 54 bytes, rows of 8 bytes) ----------------------------
Bytes GoodBmp(std::uint16_t bitCount = 24, std::uint32_t compression = 0) {
  Bytes b = {'B', 'M'};
  Put(b, 0, 4, false);
  Put(b, 0, 4, false);
  const std::uint32_t colours = bitCount <= 8 ? 1u << bitCount : 0;
  Put(b, 54 + 4 * colours, 4, false);
  Put(b, 40, 4, false);
  Put(b, 2, 4, false);
  Put(b, 2, 4, false);
  Put(b, 1, 2, false);
  Put(b, bitCount, 2, false);
  Put(b, compression, 4, false);
  for (int i = 0; i < 5; ++i) Put(b, 0, 4, false);  // image size, resolution, colours
  b.resize(b.size() + 4 * colours + 16, 0x55);
  return b;
}

// --- JPEG: a 16 x 16 grey file of libjpeg's encoder ------------------------------------------
Bytes GoodJpeg() {
  Bytes grey(16 * 16);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<std::uint8_t>(i * 7);
  return testing::EncodeJpeg(16, 16, testing::JpegInput::Grey, grey);
}

const HostileCase kCases[] = {
    {"tiff_empty", Format::Tiff, [] { return Bytes{}; }, "Invalid TIFF header"},
    {"tiff_seven_bytes", Format::Tiff, [] { return Cut(Grey().Build(), 7); }, "Invalid TIFF header"},
    {"tiff_not_42", Format::Tiff, [] { return Patch(Grey().Build(), 2, {43}); }, "Invalid TIFF header"},
    {"tiff_unknown_byte_order", Format::Tiff, [] { return Patch(Grey().Build(), 0, {'I', 'M'}); }, "Invalid TIFF header"},
    {"tiff_directory_beyond_end", Format::Tiff, [] { return Patch(Grey().Build(), 4, {0, 0xFF, 0xFF, 0xFF}); }, "truncated"},
    {"tiff_directory_cut", Format::Tiff, [] { return Cut(Grey().Build(), 8 + 12 + 40); }, "truncated"},
    {"tiff_zero_width", Format::Tiff, [] { return Grey().Short(256, 0).Build(); }, "Invalid TIFF header: no dimension"},
    {"tiff_no_width", Format::Tiff, [] { auto t = Grey(); t.fields.erase(256); return t.Build(); },
     "Invalid TIFF header: no dimension"},
    {"tiff_zero_height", Format::Tiff, [] { return Grey().Short(257, 0).Build(); }, "Invalid TIFF header: no dimension"},
    {"tiff_64_bits", Format::Tiff, [] { return Grey().Short(277, 4).Set(258, 3, {16, 16, 16, 16}).Build(); },
     "unsupported TIFF format"},
    {"tiff_2_bits", Format::Tiff, [] { return Grey().Short(258, 2).Build(); }, "unsupported TIFF format"},
    {"tiff_tiled", Format::Tiff, [] { return Grey().Short(322, 16).Build(); }, "unsupported TIFF format"},
    {"tiff_jpeg_compressed", Format::Tiff, [] { return Grey().Short(259, 7).Build(); }, "unsupported TIFF format"},
    {"tiff_huge_dimensions", Format::Tiff, [] { return Grey().Long(256, 65535).Long(257, 65535).Build(); },
     "unsupported TIFF format"},
    {"tiff_strip_beyond_end", Format::Tiff, [] { return Grey().Long(273, 100000).Build(); }, "strip 0 lies outside the file"},
    {"tiff_strip_offset_wraps", Format::Tiff, [] { return Grey().Long(273, 0xFFFFFFF8).Build(); }, "lies outside the file"},
    {"tiff_strip_count_short", Format::Tiff, [] { return Grey().Long(279, 5).Build(); }, "fewer bytes"},
    {"tiff_no_strips", Format::Tiff, [] { auto t = Grey(); t.fields.erase(273); return t.Build(); }, "no strip offsets"},
    {"tiff_too_few_strips", Format::Tiff, [] { return Grey().Short(278, 1).Build(); }, "1 strips for 3"},
    {"tiff_strip_array_outside", Format::Tiff,
     [] { return Cut(Grey().Short(278, 1).Set(273, 4, {8, 12, 16}).Set(279, 4, {4, 4, 4}).Build(), 8 + 12 + 2 + 9 * 12 + 4 + 6); },
     "points outside the file"},
    {"tiff_palette_without_map", Format::Tiff, [] { return Grey().Short(262, 3).Build(); }, "colour map"},
    {"tiff_lzw_truncated", Format::Tiff, [] { return LzwTiff(Bytes(kLzw.begin(), kLzw.begin() + 20)); },
     "LZW data ends early"},
    {"tiff_lzw_garbage", Format::Tiff, [] { return LzwTiff({0x80, 0x3F, 0xF0, 0x00, 0x12, 0x34}); }, "corrupt LZW data"},
    {"tiff_lzw_count_beyond_end", Format::Tiff, [] {
       TiffBuilder t = TiffBuilder::Image(16, 4, 1, 8, 1, kLzw);
       return t.Short(259, 5).Long(279, 1000).Build();
     }, "lies outside the file"},
    {"tiff_deflate_garbage", Format::Tiff, [] { return Grey().Short(259, 8).Build(); }, "corrupt Deflate data"},

    {"png_empty", Format::Png, [] { return Bytes{}; }, "not a PNG file"},
    {"png_signature_only", Format::Png, [] { return Cut(GoodPng(), 8); }, "truncated"},
    {"png_cut_in_idat", Format::Png, [] { return Cut(GoodPng(), 50); }, "truncated"},
    {"png_no_iend", Format::Png, [] { return Cut(GoodPng(), GoodPng().size() - 12); }, "truncated"},
    {"png_ihdr_crc", Format::Png, [] { auto b = GoodPng(); b[29] ^= 1; return b; }, "CRC"},
    {"png_idat_crc", Format::Png, [] { auto b = GoodPng(); b[b.size() - 13] ^= 0x10; return b; }, "CRC"},
    {"png_broken_zlib", Format::Png, [] { return PngWithIdat({0x78, 0x9C, 0xFF, 0xFF, 0xFF, 0x00, 0x12}); }, "broken PNG"},
    {"png_too_little_data", Format::Png, [] { return PngWithIdat(testing::Deflate({0, 1, 2, 3, 4, 5, 6})); }, "broken PNG"},
    {"png_zero_width", Format::Png, [] {
       auto b = GoodPng();
       b = Patch(b, 16, {0, 0, 0, 0});
       const uLong crc = crc32(0L, b.data() + 12, 17);
       return Patch(b, 29, {std::uint8_t(crc >> 24), std::uint8_t(crc >> 16), std::uint8_t(crc >> 8), std::uint8_t(crc)});
     }, "broken PNG"},

    {"bmp_empty", Format::Bmp, [] { return Bytes{}; }, "not a BMP file"},
    {"bmp_header_cut", Format::Bmp, [] { return Cut(GoodBmp(), 30); }, "header is truncated"},
    {"bmp_header_size_huge", Format::Bmp, [] { return Patch(GoodBmp(), 14, {0xFF, 0xFF, 0xFF, 0x7F}); }, "header is truncated"},
    {"bmp_header_size_odd", Format::Bmp, [] { return Patch(GoodBmp(), 14, {20, 0, 0, 0}); }, "header size"},
    {"bmp_huge_width", Format::Bmp, [] { return Patch(GoodBmp(), 18, {0xFF, 0xFF, 0xFF, 0x7F}); }, "too large"},
    {"bmp_negative_width", Format::Bmp, [] { return Patch(GoodBmp(), 18, {0xFE, 0xFF, 0xFF, 0xFF}); }, "no image size"},
    {"bmp_smallest_height", Format::Bmp, [] { return Patch(GoodBmp(), 22, {0, 0, 0, 0x80}); }, "too large"},
    {"bmp_data_beyond_end", Format::Bmp, [] { return Patch(GoodBmp(), 10, {0xF0, 0xFF, 0xFF, 0xFF}); }, "pixel data"},
    {"bmp_pixels_cut", Format::Bmp, [] { return Cut(GoodBmp(), 54 + 12); }, "pixel data"},
    {"bmp_palette_cut", Format::Bmp, [] { return Cut(GoodBmp(8), 54 + 100); }, "colour table"},
    {"bmp_rle8", Format::Bmp, [] { return GoodBmp(8, 1); }, "RLE"},
    {"bmp_bitfields_24", Format::Bmp, [] { return GoodBmp(24, 3); }, "bit fields"},
    {"bmp_depth_7", Format::Bmp, [] { return GoodBmp(7); }, "depth"},

    {"jpeg_empty", Format::Jpeg, [] { return Bytes{}; }, "not a JPEG file"},
    {"jpeg_start_only", Format::Jpeg, [] { return Bytes{0xFF, 0xD8, 0xFF}; }, "broken JPEG"},
    {"jpeg_cut_in_header", Format::Jpeg, [] { return Cut(GoodJpeg(), 100); }, "broken JPEG"},
    {"jpeg_cut_in_data", Format::Jpeg, [] { return Cut(GoodJpeg(), GoodJpeg().size() - 20); }, "broken JPEG"},
    {"jpeg_garbage", Format::Jpeg, [] { return Bytes{0xFF, 0xD8, 0x12, 0x34, 0x56, 0xFF, 0xC0, 0xFF, 0xFF, 0x00}; },
     "broken JPEG"},
};

class HostileFiles : public testing::ScratchDir, public ::testing::WithParamInterface<HostileCase> {};

TEST_P(HostileFiles, ThrowAnErrorNamingTheFile) {
  const HostileCase& c = GetParam();
  const std::string path = Write(std::string(c.name) + ".bin", c.make());
  try {
    ReadAny(c.format, path);
    FAIL() << "no error";
  } catch (const Error& e) {
    const std::string message = e.what();
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_NE(message.find(c.message), std::string::npos) << message;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileFiles, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HostileFilesFixtures, AreReadableBeforeTheyAreBroken) {
  // The cut and patched cases above mean something only if the whole files decode.
  const std::string dir = ::testing::TempDir();
  const std::pair<Format, Bytes> files[] = {{Format::Tiff, Grey().Build()},
                                            {Format::Tiff, LzwTiff(kLzw)},
                                            {Format::Png, GoodPng()},
                                            {Format::Bmp, GoodBmp()},
                                            {Format::Bmp, GoodBmp(8)},
                                            {Format::Jpeg, GoodJpeg()}};
  for (const auto& [format, bytes] : files) {
    const std::string path = dir + "lumivane_fixture.bin";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    EXPECT_NO_THROW(ReadAny(format, path));
    std::remove(path.c_str());
  }
}

class MissingFiles : public testing::ScratchDir, public ::testing::WithParamInterface<Format> {};

TEST_P(MissingFiles, ThrowAnErrorNamingTheFile) {
  const std::string path = Path("absent.file");
  try {
    ReadAny(GetParam(), path);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(Readers, MissingFiles,
                         ::testing::Values(Format::Tiff, Format::Png, Format::Bmp, Format::Jpeg));

}  // namespace
}  // namespace lumivane::codecs
