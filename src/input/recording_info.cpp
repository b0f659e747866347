#include "input/recording_info.hpp"

#include "input/colour_test.hpp"
#include "input/frame_reader.hpp"
#include "input/source_kind.hpp"
#include "platform/error.hpp"
#include "session/rounding.hpp"
#include "session/text_format.hpp"

namespace lumivane::input {

namespace {
// SER and FITS frames keep their samples in the RawPlane.
bool HasRaw(const Session& s) {
  return (s.Source == SourceKind::Fits || s.Source == SourceKind::Ser) && s.Work.RawPlane.Width() >= s.Work.Bitmap.Width() &&
         s.Work.RawPlane.Height() >= s.Work.Bitmap.Height() && !s.Work.RawPlane.Empty();
}
bool HasDeep(const Session& s) {
  return s.SourceBits > 8 && s.Work.DeepFrame.Width() >= s.Work.Bitmap.Width() &&
         s.Work.DeepFrame.Height() >= s.Work.Bitmap.Height() && !s.Work.DeepFrame.Empty();
}
int DeepVideoBits(Session& s) {
  if (s.Source != SourceKind::Video || !s.HiVideo || !s.Readers || !ReadersOf(s).Main.IsOpen()) return 0;
  return ReadersOf(s).Main.Info().BitCount;
}
// A 16-bit grey video fills only the middle sample.
bool GreyDeepVideo(Session& s) { return DeepVideoBits(s) == 16; }
// A 48-bit video keeps its stored order, blue first.
bool BgrDeepVideo(Session& s) { return DeepVideoBits(s) == 48; }
}  // namespace

RecordingInfo DescribeRecording(const Session& s) {
  RecordingInfo i;
  i.Source = SourceKindName(s.Source);
  i.Frames = s.SingleImage ? 1 : s.Frames.FrameCount;  // a single image counts as one frame here
  i.Width = s.FrameW;
  i.Height = s.FrameH;
  i.Bits = s.SourceBits;
  i.Colour = s.Controls.Checked("Colourstack") || colourimage(s.Work.Bitmap);
  i.Codec = s.Source == SourceKind::Video ? s.CodecText : "";
  if (s.Controls.Has("debayergroup") && s.Controls.Checked("Avidebay")) i.Bayer = s.Controls.Text("debayergroup");
  i.Caption = s.WindowCaption;
  return i;
}

std::string RecordingInfoJson(const RecordingInfo& i) {
  std::string out = "{\"source\": " + JsonQuote(i.Source) + ", \"frames\": " + std::to_string(i.Frames) +
                    ", \"width\": " + std::to_string(i.Width) + ", \"height\": " + std::to_string(i.Height) +
                    ", \"bits\": " + std::to_string(i.Bits) + ", \"colour\": " + (i.Colour ? "true" : "false") +
                    ", \"bayer\": " + (i.Bayer.empty() ? std::string("null") : JsonQuote(i.Bayer));
  if (!i.Codec.empty()) out += ", \"codec\": " + JsonQuote(i.Codec);
  out += "}\n";
  return out;
}

FrameSample SampleAt(Session& s, int x, int y) {
  const Bitmap24& b = s.Work.Bitmap;
  if (x < 0 || y < 0 || x >= b.Width() || y >= b.Height())
    throw Error("Pixel " + std::to_string(x) + "," + std::to_string(y) + " lies outside the " +
                std::to_string(b.Width()) + "x" + std::to_string(b.Height()) + " frame");
  FrameSample f;
  f.X = x;
  f.Y = y;
  const std::uint8_t* p = b.Pixel(x, y);
  f.View = {p[0], p[1], p[2]};
  if (HasRaw(s)) {
    f.Raw = {static_cast<int>(RoundInt64(s.Work.RawPlane(x, y)))};
  } else if (HasDeep(s)) {
    const std::uint16_t* d = s.Work.DeepFrame.Pixel(x, y);
    if (GreyDeepVideo(s)) f.Raw = {d[1]};
    else if (BgrDeepVideo(s)) f.Raw = {d[2], d[1], d[0]};
    else f.Raw = {d[0], d[1], d[2]};
  } else {
    f.Raw = {p[2], p[1], p[0]};
  }
  return f;
}

Image16 FullDepthFrame(Session& s) {
  const Bitmap24& b = s.Work.Bitmap;
  Image16 out(b.Width(), b.Height());
  const bool raw = HasRaw(s) && s.SourceBits > 8;  // 8-bit frames are saved as shown
  const bool deep = !raw && HasDeep(s), grey = deep && GreyDeepVideo(s), bgr = deep && BgrDeepVideo(s);
  for (int y = 0; y < b.Height(); ++y) {
    std::uint16_t* o = out.Row(y);
    const std::uint8_t* p = b.Row(y);
    const std::uint16_t* d = deep ? s.Work.DeepFrame.Row(y) : nullptr;
    for (int x = 0; x < b.Width(); ++x, o += 3, p += 3) {
      if (raw) {
        o[0] = o[1] = o[2] = ClampWord(s.Work.RawPlane(x, y));
      } else if (grey) {
        o[0] = o[1] = o[2] = d[3 * x + 1];
      } else if (bgr) {
        o[0] = d[3 * x + 2];
        o[1] = d[3 * x + 1];
        o[2] = d[3 * x];
      } else if (deep) {
        o[0] = d[3 * x];
        o[1] = d[3 * x + 1];
        o[2] = d[3 * x + 2];
      } else {
        o[0] = static_cast<std::uint16_t>(p[2] * 257);
        o[1] = static_cast<std::uint16_t>(p[1] * 257);
        o[2] = static_cast<std::uint16_t>(p[0] * 257);
      }
    }
  }
  return out;
}

}  // namespace lumivane::input
