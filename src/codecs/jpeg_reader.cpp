// Reading JPEG files through libjpeg-turbo with its fastest settings (integer fast DCT, no
// fancy upsampling). libjpeg reports fatal errors by calling error_exit, which must not
// return: ours jumps back to the caller, which throws an Error naming the file. The decoding
// keeps every resource in a state object owned by the caller, so the jump skips no destructor.
#include "codecs/jpeg_reader.hpp"

// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>

#include <jerror.h>
#include <jpeglib.h>

#include <csetjmp>
#include <vector>

#include "codecs/codec_util.hpp"

namespace lumivane::codecs {

namespace {

struct JpegErrorManager {
  jpeg_error_mgr base;  // first member: libjpeg hands out a pointer to it
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
  bool refused;  // the file is sound but of a kind this reader does not take
};

struct JpegReadState {
  jpeg_decompress_struct info{};
  JpegErrorManager error{};
  bool created = false;
  Bitmap24 picture;
  std::vector<std::uint8_t> greyRow;
  ~JpegReadState() {
    if (created) jpeg_destroy_decompress(&info);
  }
};

[[noreturn]] void OnError(j_common_ptr info) {
  auto* error = reinterpret_cast<JpegErrorManager*>(info->err);
  (*info->err->format_message)(info, error->message);
  std::longjmp(error->jump, 1);
}

// Warnings are not printed. A stream that ends early is an error: libjpeg would otherwise
// pad the missing part of the picture with grey.
void OnMessage(j_common_ptr info, int level) {
  if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) OnError(info);
}

// Runs between setjmp and the possible long jump: no local with a destructor.
void DecodeJpeg(JpegReadState& s, const std::vector<std::uint8_t>& file) {
  jpeg_mem_src(&s.info, file.data(), static_cast<unsigned long>(file.size()));
  jpeg_read_header(&s.info, TRUE);
  if (s.info.jpeg_color_space == JCS_CMYK || s.info.jpeg_color_space == JCS_YCCK) {
    std::snprintf(s.error.message, sizeof s.error.message, "CMYK JPEG files are not supported");
    s.error.refused = true;
    std::longjmp(s.error.jump, 1);
  }
  const bool grey = s.info.num_components == 1;
  s.info.out_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
  s.info.dct_method = JDCT_IFAST;
  s.info.do_fancy_upsampling = FALSE;
  jpeg_start_decompress(&s.info);
  const JDIMENSION width = s.info.output_width, height = s.info.output_height;
  if (std::uint64_t{width} * height > kMaxPixels) {
    std::snprintf(s.error.message, sizeof s.error.message, "the image is too large");
    s.error.refused = true;
    std::longjmp(s.error.jump, 1);
  }
  s.picture.Allocate(static_cast<int>(width), static_cast<int>(height));
  if (grey) s.greyRow.resize(width);
  while (s.info.output_scanline < height) {
    const int y = static_cast<int>(s.info.output_scanline);
    JSAMPROW row = grey ? s.greyRow.data() : s.picture.Row(y);
    if (jpeg_read_scanlines(&s.info, &row, 1) != 1) break;
    if (grey) {
      std::uint8_t* out = s.picture.Row(y);
      for (JDIMENSION x = 0; x < width; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = s.greyRow[x];
    }
  }
  jpeg_finish_decompress(&s.info);
}

}  // namespace

Bitmap24 ReadJPEG(const std::string& path) {
  const std::vector<std::uint8_t> file = ReadFileBytes(path);
  if (file.size() < 3 || file[0] != 0xFF || file[1] != 0xD8) ThrowReadError(path, "not a JPEG file");
  JpegReadState s;
  s.info.err = jpeg_std_error(&s.error.base);
  s.error.base.error_exit = OnError;
  s.error.base.emit_message = OnMessage;
  if (setjmp(s.error.jump) != 0) {
    if (s.error.refused) ThrowReadError(path, s.error.message);
    ThrowReadError(path, std::string("broken JPEG file (") + s.error.message + ")");
  }
  jpeg_create_decompress(&s.info);
  s.created = true;
  DecodeJpeg(s, file);
  return std::move(s.picture);
}

}  // namespace lumivane::codecs
