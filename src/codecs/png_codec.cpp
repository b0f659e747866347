// Reading PNG files through libpng. libpng reports errors by a long jump; the decoding runs
// in a function whose every resource lives in a state object owned by the caller, so the
// jump skips no destructor, and the caller turns it into an Error naming the file.
#include "codecs/png_codec.hpp"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "codecs/codec_util.hpp"

namespace lumivane::codecs {

namespace {

struct PngReadState {
  const std::vector<std::uint8_t>* file = nullptr;
  size_t position = 0;
  char message[200] = {};
  png_structp png = nullptr;
  png_infop info = nullptr;
  // Filled by DecodePng.
  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colourType = 0, channels = 0;
  std::vector<std::uint8_t> pixels;
  std::vector<png_bytep> rows;

  ~PngReadState() {
    if (png) png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
  }
};

void OnError(png_structp png, png_const_charp message) {
  auto* state = static_cast<PngReadState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadFromMemory(png_structp png, png_bytep out, size_t length) {
  auto* state = static_cast<PngReadState*>(png_get_io_ptr(png));
  const std::vector<std::uint8_t>& file = *state->file;
  if (length > file.size() - state->position) png_error(png, "the file is truncated");
  std::memcpy(out, file.data() + state->position, length);
  state->position += length;
}

// Runs between setjmp and the possible long jump: no local with a destructor.
void DecodePng(PngReadState& s) {
  png_set_read_fn(s.png, &s, ReadFromMemory);
  png_read_info(s.png, s.info);
  png_get_IHDR(s.png, s.info, &s.width, &s.height, &s.bitDepth, &s.colourType, nullptr, nullptr, nullptr);
  if (std::uint64_t{s.width} * s.height > kMaxPixels) png_error(s.png, "the image is too large");
  // Deliver 8 or 16 bits of grey or R, G, B per pixel: palettes and small grey depths are
  // expanded, interlaced images are assembled.
  if (s.colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s.png);
  if (s.colourType == PNG_COLOR_TYPE_GRAY && s.bitDepth < 8) png_set_expand_gray_1_2_4_to_8(s.png);
  // Transparency is not shown: alpha samples, and those a palette's tRNS chunk would add, go.
  if ((s.colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(s.png, s.info, PNG_INFO_tRNS)) {
    png_set_strip_alpha(s.png);
  }
  png_set_interlace_handling(s.png);
  png_read_update_info(s.png, s.info);
  s.channels = png_get_channels(s.png, s.info);
  s.bitDepth = png_get_bit_depth(s.png, s.info);
  if ((s.channels != 1 && s.channels != 3) || (s.bitDepth != 8 && s.bitDepth != 16)) {
    png_error(s.png, "unexpected pixel layout");
  }
  const size_t rowBytes = png_get_rowbytes(s.png, s.info);
  if (rowBytes != size_t{s.width} * s.channels * (s.bitDepth / 8)) png_error(s.png, "unexpected row size");
  s.pixels.resize(rowBytes * s.height);
  s.rows.resize(s.height);
  for (png_uint_32 y = 0; y < s.height; ++y) s.rows[y] = s.pixels.data() + y * rowBytes;
  png_read_image(s.png, s.rows.data());
  png_read_end(s.png, nullptr);
}

}  // namespace

PngImage ReadPNG(const std::string& path) {
  const std::vector<std::uint8_t> file = ReadFileBytes(path);
  if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0) ThrowReadError(path, "not a PNG file");
  PngReadState s;
  s.file = &file;
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, OnError, OnWarning);
  if (s.png) s.info = png_create_info_struct(s.png);
  if (!s.png || !s.info) ThrowReadError(path, "cannot start the PNG decoder");
  png_set_user_limits(s.png, 1u << 20, 1u << 20);
  if (setjmp(png_jmpbuf(s.png)) != 0) {
    ThrowReadError(path, std::string("broken PNG file (") + s.message + ")");
  }
  DecodePng(s);

  PngImage image;
  const int width = static_cast<int>(s.width), height = static_cast<int>(s.height);
  image.SixteenBit = s.bitDepth == 16;
  image.Colour = (s.colourType & PNG_COLOR_MASK_COLOR) != 0;
  image.Picture.Allocate(width, height);
  if (image.SixteenBit) image.Samples.Allocate(width, height);
  const int bytesPerSample = s.bitDepth / 8;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* in = s.rows[y];
    std::uint8_t* pic = image.Picture.Row(y);
    std::uint16_t* deep = image.SixteenBit ? image.Samples.Row(y) : nullptr;
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) {
        // Grey repeats its one sample; 16-bit samples are stored high byte first.
        const std::uint8_t* sample = in + (static_cast<size_t>(x) * s.channels + (s.channels == 3 ? c : 0)) * bytesPerSample;
        pic[3 * x + 2 - c] = sample[0];
        if (deep) deep[3 * x + c] = static_cast<std::uint16_t>(sample[0] << 8 | sample[1]);
      }
    }
  }
  return image;
}

}  // namespace lumivane::codecs
