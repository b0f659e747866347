#include "input/video_reader.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "avi_writer.hpp"
#include "platform/error.hpp"

namespace lumivane::input {
namespace {

using testavi::AviContent;
using testavi::Fcc;

// Files made by the tests; removed when the test program ends.
struct TempFiles {
  std::vector<std::string> paths;
  ~TempFiles() {
    for (const std::string& p : paths) std::remove(p.c_str());
  }
};

std::string TempPath(const std::string& name) {
  static TempFiles files;
  std::string path = ::testing::TempDir() + "lumivane_vr_" + std::to_string(getpid()) + "_" + name;
  files.paths.push_back(path);
  return path;
}

std::string WriteAvi(const std::string& name, const AviContent& content) {
  const std::string path = TempPath(name);
  testavi::WriteFile(path, testavi::MakeAvi(content));
  return path;
}

// The message of the Error `f` throws ("" when it throws nothing).
template <class F>
std::string ErrorOf(F&& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

std::uint8_t Grey(int x, int y, int frame) { return static_cast<std::uint8_t>(x * 7 + y * 13 + frame * 29); }

// Stored 8-bit frame (rows top to bottom, no padding) of the grey test pattern.
std::vector<std::uint8_t> GreyFrame(int w, int h, int frame) {
  std::vector<std::uint8_t> f(static_cast<std::size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) f[static_cast<std::size_t>(y) * w + x] = Grey(x, y, frame);
  return f;
}

// The same frame as padded DIB rows, bottom to top.
std::vector<std::uint8_t> GreyDib(int w, int h, int frame) {
  const int stride = (w + 3) / 4 * 4;
  std::vector<std::uint8_t> f(static_cast<std::size_t>(stride) * h, 0);
  for (int r = 0; r < h; ++r)
    for (int x = 0; x < w; ++x) f[static_cast<std::size_t>(r) * stride + x] = Grey(x, h - 1 - r, frame);
  return f;
}

std::vector<std::uint8_t> GreyPaletteBytes() {
  std::vector<std::uint8_t> p;
  for (int i = 0; i < 256; ++i) p.insert(p.end(), {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});
  return p;
}

void ExpectGreyPattern(const Bitmap24& pic, int w, int h, int frame) {
  ASSERT_EQ(pic.Width(), w);
  ASSERT_EQ(pic.Height(), h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const std::uint8_t* p = pic.Pixel(x, y);
      const std::uint8_t v = Grey(x, y, frame);
      ASSERT_TRUE(p[0] == v && p[1] == v && p[2] == v)
          << "frame " << frame << " pixel " << x << "," << y << ": " << int(p[0]) << " want " << int(v);
    }
}

AviContent GreyDibAvi(int w, int h, int frames) {
  AviContent s;
  s.Width = w;
  s.Height = h;
  s.BitCount = 8;
  s.Palette = GreyPaletteBytes();
  for (int i = 0; i < frames; ++i) s.Frames.push_back(GreyDib(w, h, i));
  return s;
}

const VideoMode kModes[] = {VideoMode::Stream, VideoMode::Indexed};

TEST(VideoReader, Y800IsUprightAndAnEightBitDibIsBottomUp) {
  const std::vector<std::uint8_t> bytes = {10, 20, 30, 40, 50, 60, 70, 80};
  AviContent y800;
  y800.Compression = Fcc("Y800");
  y800.Frames = {bytes};
  AviContent dib;
  dib.Palette = GreyPaletteBytes();
  dib.Frames = {bytes};
  struct Case {
    AviContent content;
    const char* codecText;
    bool topDownGrey;
    std::uint8_t row0[4];
  };
  const Case cases[] = {
      {y800, "vidsY800", true, {10, 20, 30, 40}},
      {dib, "vidsDIB ", false, {50, 60, 70, 80}},
  };
  for (const Case& c : cases) {
    const std::string path = WriteAvi("orient.avi", c.content);
    VideoReader r;
    r.Open(path, VideoMode::Stream);
    EXPECT_EQ(r.Info().CodecText, c.codecText);
    EXPECT_EQ(r.Info().RawCodec, c.topDownGrey);
    EXPECT_EQ(r.Info().TopDownGrey, c.topDownGrey);
    EXPECT_EQ(r.Info().BitCount, 8);
    EXPECT_FALSE(r.Info().HiVideo);
    EXPECT_EQ(r.Info().Width, 4);
    EXPECT_EQ(r.Info().Height, 2);
    Bitmap24 pic;
    r.ReadFrame(0, pic, nullptr);
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(pic.Pixel(x, 0)[0], c.row0[x]) << c.codecText;
      EXPECT_EQ(pic.Pixel(x, 0)[2], c.row0[x]) << c.codecText;
    }
  }
}

TEST(VideoReader, EightBitDibHonoursItsColourTable) {
  AviContent s;
  s.Width = 3;
  s.Height = 1;
  for (int i = 0; i < 256; ++i) s.Palette.insert(s.Palette.end(), {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i / 2), 0});
  s.Frames = {{0, 100, 255, 0}};
  VideoReader r;
  r.Open(WriteAvi("pal.avi", s), VideoMode::Stream);
  Bitmap24 pic;
  r.ReadFrame(0, pic, nullptr);
  const int values[] = {0, 100, 255};
  for (int x = 0; x < 3; ++x) {
    EXPECT_EQ(pic.Pixel(x, 0)[0], values[x]);
    EXPECT_EQ(pic.Pixel(x, 0)[1], 255 - values[x]);
    EXPECT_EQ(pic.Pixel(x, 0)[2], values[x] / 2);
  }
}

TEST(VideoReader, TopDownAndBottomUpDibsGiveTheSamePicture) {
  const int w = 5, h = 3;
  AviContent up, down;
  up.Width = down.Width = w;
  up.Height = down.Height = h;
  up.BitCount = down.BitCount = 24;
  down.NegativeHeight = true;
  const int stride = (w * 3 + 3) / 4 * 4;
  std::vector<std::uint8_t> fu(stride * h), fd(stride * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        const std::uint8_t v = static_cast<std::uint8_t>(x * 40 + y * 9 + c * 3);
        fd[y * stride + x * 3 + c] = v;
        fu[(h - 1 - y) * stride + x * 3 + c] = v;
      }
  up.Frames = {fu};
  down.Frames = {fd};
  Bitmap24 a, b;
  VideoReader r;
  r.Open(WriteAvi("up.avi", up), VideoMode::Stream);
  r.ReadFrame(0, a, nullptr);
  r.Open(WriteAvi("down.avi", down), VideoMode::Indexed);
  r.ReadFrame(0, b, nullptr);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a.Pixel(0, 0)[1], 3);
  EXPECT_EQ(a.Pixel(4, 2)[2], 4 * 40 + 2 * 9 + 6);
}

TEST(VideoReader, SixteenBitGreyFillsOnlyTheMiddleDeepSample) {
  AviContent s;
  s.Width = 3;
  s.Height = 2;
  s.BitCount = 16;
  // Rows of 6 bytes padded to 8; every sample 0x1234.
  s.Frames = {{0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0, 0, 0x34, 0x12, 0x34, 0x12, 0x34, 0x12, 0, 0}};
  VideoReader r;
  r.Open(WriteAvi("grey16.avi", s), VideoMode::Stream);
  EXPECT_TRUE(r.Info().HiVideo);
  EXPECT_EQ(r.Info().BitCount, 16);
  Bitmap24 pic;
  Image16 deep;
  r.ReadFrame(0, pic, &deep);
  ASSERT_EQ(deep.Width(), 4);
  ASSERT_EQ(deep.Height(), 3);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(deep.Pixel(x, y)[0], 0);
      EXPECT_EQ(deep.Pixel(x, y)[1], 4660);
      EXPECT_EQ(deep.Pixel(x, y)[2], 0);
      EXPECT_EQ(pic.Pixel(x, y)[0], 0x12);
      EXPECT_EQ(pic.Pixel(x, y)[1], 0x12);
    }
}

TEST(VideoReader, FortyEightBitFramesFillTheDeepFrameBottomUp) {
  AviContent s;
  s.Width = 1;
  s.Height = 2;
  s.BitCount = 48;
  // Stored bottom row first, rows of 6 bytes padded to 8.
  s.Frames = {{1, 0x10, 2, 0x20, 3, 0x30, 0, 0, 4, 0x40, 5, 0x50, 6, 0x60, 0, 0}};
  VideoReader r;
  r.Open(WriteAvi("rgb48.avi", s), VideoMode::Stream);
  EXPECT_TRUE(r.Info().HiVideo);
  Bitmap24 pic;
  Image16 deep;
  r.ReadFrame(0, pic, &deep);
  EXPECT_EQ(deep.Pixel(0, 0)[0], 0x4004);
  EXPECT_EQ(deep.Pixel(0, 0)[2], 0x6006);
  EXPECT_EQ(deep.Pixel(0, 1)[1], 0x2002);
  EXPECT_EQ(pic.Pixel(0, 0)[0], 0x40);
  EXPECT_EQ(pic.Pixel(0, 1)[2], 0x30);
}

TEST(VideoReader, PackedTwelveBitRowsUnpack) {
  struct Case {
    int width;
    std::vector<std::uint8_t> row;  // one stored row, repeated for both rows
    std::vector<std::uint16_t> want;
  };
  const Case cases[] = {
      {5, {0xAB, 0xCD, 0xEF, 0x12, 0x34, 0x56, 0x78, 0x9A}, {0xABC0, 0xEFD0, 0x1230, 0x5640, 0x9A70}},
      {4, {0xAB, 0xCD, 0xEF, 0x12, 0x34, 0x56, 0, 0}, {0xABC0, 0xEFD0, 0x1230, 0x5640}},
  };
  for (const Case& c : cases) {
    AviContent s;
    s.Width = c.width;
    s.Height = 2;
    s.BitCount = 12;
    std::vector<std::uint8_t> frame = c.row;
    frame.insert(frame.end(), c.row.begin(), c.row.end());
    s.Frames = {frame};
    VideoReader r;
    r.Open(WriteAvi("p12.avi", s), VideoMode::Stream);
    EXPECT_TRUE(r.Info().HiVideo);
    EXPECT_EQ(r.Info().BitCount, 12);
    Bitmap24 pic;
    Image16 deep;
    r.ReadFrame(0, pic, &deep);
    ASSERT_EQ(pic.Width(), c.width);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < c.width; ++x) {
        EXPECT_EQ(deep.Pixel(x, y)[1], c.want[x]) << "width " << c.width << " x " << x;
        EXPECT_EQ(pic.Pixel(x, y)[0], c.want[x] >> 8);
      }
  }
}

TEST(VideoReader, ThirtySixBitStreamsAreRefused) {
  AviContent s;
  s.Width = 2;
  s.Height = 2;
  s.BitCount = 36;
  s.Frames = {std::vector<std::uint8_t>(24, 0)};
  VideoReader r;
  const std::string msg = ErrorOf([&] { r.Open(WriteAvi("b36.avi", s), VideoMode::Stream); });
  EXPECT_NE(msg.find("36-bit video streams are not supported"), std::string::npos) << msg;
  EXPECT_FALSE(r.IsOpen());
}

TEST(VideoReader, FrameNumbersBeyondTheLastAreWrong) {
  for (VideoMode mode : kModes) {
    VideoReader r;
    r.Open(WriteAvi("count.avi", GreyDibAvi(6, 4, 3)), mode);
    EXPECT_EQ(r.Info().FrameCount, 3);
    EXPECT_EQ(r.Info().LastFrame, 2);
    Bitmap24 pic;
    EXPECT_EQ(ErrorOf([&] { r.ReadFrame(3, pic, nullptr); }), " Frame number wrong. ");
    EXPECT_EQ(ErrorOf([&] { r.ReadFrame(-1, pic, nullptr); }), " Frame number wrong. ");
    r.ReadFrame(2, pic, nullptr);
    ExpectGreyPattern(pic, 6, 4, 2);
  }
}

TEST(VideoReader, AStreamStartOffsetKeepsEveryFrameReachable) {
  AviContent s = GreyDibAvi(4, 2, 4);
  s.Start = 3;
  for (VideoMode mode : kModes) {
    VideoReader r;
    r.Open(WriteAvi("start.avi", s), mode);
    EXPECT_EQ(r.Info().FrameCount, 4);
    Bitmap24 pic;
    for (int k = 0; k < 4; ++k) {
      r.ReadFrame(k, pic, nullptr);
      ExpectGreyPattern(pic, 4, 2, k);
    }
  }
}

TEST(VideoReader, UnpaddedEightBitRowsDoNotShear) {
  AviContent s;
  s.Width = 7;
  s.Height = 3;
  s.Compression = Fcc("K3CC");
  // K3CC rows are DIB rows: bottom to top; these are written without padding.
  std::vector<std::uint8_t> f;
  for (int r = 0; r < 3; ++r)
    for (int x = 0; x < 7; ++x) f.push_back(Grey(x, 2 - r, 0));
  s.Frames = {f};
  VideoReader r;
  r.Open(WriteAvi("k3cc.avi", s), VideoMode::Stream);
  EXPECT_TRUE(r.Info().RawCodec);
  EXPECT_FALSE(r.Info().TopDownGrey);
  Bitmap24 pic;
  r.ReadFrame(0, pic, nullptr);
  ExpectGreyPattern(pic, 7, 3, 0);
}

TEST(VideoReader, OpenFailuresUseTheReaderMessages) {
  const std::string text = TempPath("notavideo.avi");
  {
    std::ofstream f(text);
    f << "this is not a video file at all\n";
  }
  AviContent unknown = GreyDibAvi(4, 2, 1);
  unknown.Compression = Fcc("ZZZZ");
  struct Case {
    std::string path;
    std::string want;
  };
  const Case cases[] = {
      {TempPath("missing.avi"), "Failed to open AVI file: FILEOPEN ERROR"},
      {text, "Failed to open AVI file: BADFORMAT ERROR"},
      {WriteAvi("zzzz.avi", unknown), "Failed to start AVI decompression, codec:vidsZZZZ"},
  };
  for (const Case& c : cases) {
    VideoReader r;
    EXPECT_EQ(ErrorOf([&] { r.Open(c.path, VideoMode::Stream); }), c.want) << c.path;
    EXPECT_FALSE(r.IsOpen());
  }
}

TEST(VideoReader, AFileWithoutVideoHasNoStream) {
  AviContent audio = GreyDibAvi(4, 2, 1);
  audio.StreamType = "auds";
  VideoReader r;
  const std::string msg = ErrorOf([&] { r.Open(WriteAvi("auds.avi", audio), VideoMode::Stream); });
  EXPECT_EQ(msg.rfind("Failed to open AVI", 0), 0u) << msg;
}

// Every read of a damaged file either gives the right frame or raises Error.
void ReadAllOrFail(const std::string& path, int w, int h, int frames, int* failures) {
  for (VideoMode mode : kModes) {
    VideoReader r;
    try {
      r.Open(path, mode);
    } catch (const Error&) {
      ++*failures;
      continue;
    }
    Bitmap24 pic;
    for (int k : {0, 1, frames - 1, 2, frames, frames + 1, 0}) {
      try {
        r.ReadFrame(k, pic, nullptr);
        ASSERT_LT(k, frames);
        ExpectGreyPattern(pic, w, h, k);
      } catch (const Error&) {
        ++*failures;
      }
    }
  }
}

TEST(VideoReader, TruncatedAndCorruptFilesRaiseErrors) {
  const int w = 16, h = 8, n = 6;
  const std::vector<std::uint8_t> good = testavi::MakeAvi(GreyDibAvi(w, h, n));
  const std::size_t moviStart = good.size() - n * (w * h + 8) - (8 + 16 * n) - 4;

  // Cut in the middle of movi: the later frames are gone.
  {
    std::vector<std::uint8_t> cut(good.begin(), good.begin() + moviStart + 2 * (w * h + 8) + 40);
    const std::string path = TempPath("cut.avi");
    testavi::WriteFile(path, cut);
    int failures = 0;
    ReadAllOrFail(path, w, h, n, &failures);
    EXPECT_GT(failures, 0);
    VideoReader r;
    r.Open(path, VideoMode::Stream);
    Bitmap24 pic;
    r.ReadFrame(1, pic, nullptr);
    ExpectGreyPattern(pic, w, h, 1);
    EXPECT_EQ(ErrorOf([&] { r.ReadFrame(n - 1, pic, nullptr); }).empty(),
              r.Info().LastFrame < n - 1);
  }
  // Other cuts, including inside the headers.
  for (std::size_t len : {std::size_t{12}, std::size_t{100}, std::size_t{200}, moviStart,
                          moviStart + 9, good.size() - 20}) {
    std::vector<std::uint8_t> cut(good.begin(), good.begin() + len);
    const std::string path = TempPath("cut2.avi");
    testavi::WriteFile(path, cut);
    int failures = 0;
    ReadAllOrFail(path, w, h, n, &failures);
  }
  // Index entries pointing anywhere, with any sizes.
  std::mt19937 rng(7);
  for (int round = 0; round < 8; ++round) {
    std::vector<std::uint8_t> bad = good;
    const std::size_t idx = good.size() - 16 * n;
    for (int i = 0; i < n; ++i)
      for (int b = 8; b < 16; ++b) bad[idx + 16 * i + b] = static_cast<std::uint8_t>(rng());
    const std::string path = TempPath("badidx.avi");
    testavi::WriteFile(path, bad);
    int failures = 0;
    ReadAllOrFail(path, w, h, n, &failures);
  }
  // Flipped bytes in the headers.
  for (int round = 0; round < 24; ++round) {
    std::vector<std::uint8_t> bad = good;
    bad[12 + rng() % (moviStart - 12)] ^= static_cast<std::uint8_t>(1 + rng() % 255);
    const std::string path = TempPath("flip.avi");
    testavi::WriteFile(path, bad);
    for (VideoMode mode : kModes) {
      VideoReader r;
      try {
        r.Open(path, mode);
        Bitmap24 pic;
        for (int k = 0; k <= r.Info().LastFrame && k < 8; ++k) r.ReadFrame(k, pic, nullptr);
      } catch (const Error&) {
      }
    }
  }
}

// Reads every frame in order, then in a shuffled order with repeats, in both modes.
void ExpectRandomOrderMatchesSequential(const std::string& path) {
  std::vector<Bitmap24> seq;
  {
    VideoReader r;
    r.Open(path, VideoMode::Stream);
    for (int k = 0; k <= r.Info().LastFrame; ++k) {
      Bitmap24 pic;
      r.ReadFrame(k, pic, nullptr);
      seq.push_back(pic);
    }
  }
  ASSERT_FALSE(seq.empty());
  std::vector<int> order;
  for (int k = 0; k < static_cast<int>(seq.size()); ++k) order.push_back(k);
  std::mt19937 rng(11);
  std::shuffle(order.begin(), order.end(), rng);
  order.push_back(order.back());
  order.push_back(static_cast<int>(seq.size()) - 1);
  order.push_back(0);
  for (VideoMode mode : kModes) {
    VideoReader r;
    r.Open(path, mode);
    EXPECT_EQ(r.Info().FrameCount, static_cast<int>(seq.size()));
    Bitmap24 pic;
    for (int k : order) {
      SCOPED_TRACE(k);
      r.ReadFrame(k, pic, nullptr);
      ASSERT_TRUE(pic == seq[k]) << path << " frame " << k << " mode " << static_cast<int>(mode);
    }
  }
}

TEST(VideoReader, RawFramesReadInAnyOrder) {
  ExpectRandomOrderMatchesSequential(WriteAvi("order.avi", GreyDibAvi(10, 6, 9)));
}

// --- Files written by the ffmpeg command-line tool ---

bool HaveFfmpeg() { return access("/usr/bin/ffmpeg", X_OK) == 0; }

// Converts raw grey frames of w x h with ffmpeg into `name`; "" when ffmpeg fails.
std::string EncodeGrey(const std::string& raw, const std::string& name, int w, int h, const std::string& outArgs) {
  const std::string out = TempPath(name);
  const std::string cmd = "/usr/bin/ffmpeg -nostdin -loglevel error -y -f rawvideo -pix_fmt gray -video_size " +
                          std::to_string(w) + "x" + std::to_string(h) + " -framerate 25 -i '" + raw +
                          "' " + outArgs + " '" + out + "'";
  if (std::system(cmd.c_str()) != 0) return "";
  return out;
}

// Writes `frames` frames of the grey pattern as raw bytes and converts them with ffmpeg.
std::string Ffmpeg(const std::string& name, int w, int h, int frames, const std::string& outArgs) {
  const std::string raw = TempPath(name + ".gray");
  {
    std::ofstream f(raw, std::ios::binary);
    for (int i = 0; i < frames; ++i) {
      const std::vector<std::uint8_t> fr = GreyFrame(w, h, i);
      f.write(reinterpret_cast<const char*>(fr.data()), static_cast<std::streamsize>(fr.size()));
    }
  }
  return EncodeGrey(raw, name, w, h, outArgs);
}

TEST(VideoReaderFfmpeg, Y800RowsAreTopDownAndUnpadded) {
  if (!HaveFfmpeg()) { GTEST_SKIP() << "ffmpeg missing"; }
  const int w = 30, h = 20, n = 5;
  const std::string path = Ffmpeg("y800.avi", w, h, n, "-c:v rawvideo -pix_fmt gray");
  ASSERT_FALSE(path.empty());
  for (VideoMode mode : kModes) {
    VideoReader r;
    r.Open(path, mode);
    EXPECT_EQ(r.Info().CodecText, "vidsY800");
    EXPECT_TRUE(r.Info().TopDownGrey);
    EXPECT_EQ(r.Info().FrameCount, n);
    Bitmap24 pic;
    for (int k : {0, 3, 4, 1}) {
      r.ReadFrame(k, pic, nullptr);
      ExpectGreyPattern(pic, w, h, k);
    }
  }
  ExpectRandomOrderMatchesSequential(path);
}

TEST(VideoReaderFfmpeg, LosslessCompressedFramesDecodeExactly) {
  if (!HaveFfmpeg()) { GTEST_SKIP() << "ffmpeg missing"; }
  const int w = 32, h = 24, n = 14;
  const std::string path = Ffmpeg("ffv1.avi", w, h, n, "-c:v ffv1 -g 5 -pix_fmt gray");
  ASSERT_FALSE(path.empty());
  for (VideoMode mode : kModes) {
    VideoReader r;
    r.Open(path, mode);
    EXPECT_EQ(r.Info().CodecText, "vidsFFV1");
    EXPECT_FALSE(r.Info().RawCodec);
    EXPECT_EQ(r.Info().BitCount, 0);
    EXPECT_EQ(r.Info().FrameCount, n);
    Bitmap24 pic;
    for (int k : {0, 1, 2, 9, 4, 13, 12, 7}) {
      r.ReadFrame(k, pic, nullptr);
      ExpectGreyPattern(pic, w, h, k);
    }
    EXPECT_EQ(ErrorOf([&] { r.ReadFrame(n, pic, nullptr); }), " Frame number wrong. ");
  }
  ExpectRandomOrderMatchesSequential(path);
}

// Frames with a distinct brightness each, recognisable after lossy compression.
double Mean(const Bitmap24& pic) {
  double s = 0;
  for (std::size_t i = 0; i < pic.Bytes(); ++i) s += pic.Data()[i];
  return s / static_cast<double>(pic.Bytes());
}

std::string FfmpegLevels(const std::string& name, int w, int h, int frames, const std::string& outArgs) {
  const std::string raw = TempPath(name + ".gray");
  {
    std::ofstream f(raw, std::ios::binary);
    for (int i = 0; i < frames; ++i)
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) f.put(static_cast<char>(20 + 8 * i + (((x / 8 + y / 8) % 2) ? 30 : 0)));
  }
  return EncodeGrey(raw, name, w, h, outArgs);
}

TEST(VideoReaderFfmpeg, LossyStreamsFindEveryFrame) {
  if (!HaveFfmpeg()) { GTEST_SKIP() << "ffmpeg missing"; }
  const int w = 64, h = 48, n = 24;
  struct Case {
    const char* name;
    const char* args;
    const char* codecText;  // nullptr: not checked
  };
  const Case cases[] = {
      {"mjpeg.avi", "-c:v mjpeg -q:v 2 -pix_fmt yuvj420p", "vidsMJPG"},
      {"mpeg4.avi", "-c:v mpeg4 -q:v 2 -g 7 -bf 0", nullptr},
      {"mpeg2.mpg", "-c:v mpeg2video -q:v 2 -g 6 -bf 2 -f mpeg", nullptr},
      {"mpeg1.mpeg", "-c:v mpeg1video -q:v 2 -g 5 -f mpeg", nullptr},
  };
  for (const Case& c : cases) {
    const std::string path = FfmpegLevels(c.name, w, h, n, c.args);
    ASSERT_FALSE(path.empty()) << c.name;
    SCOPED_TRACE(c.name);
    for (VideoMode mode : kModes) {
      SCOPED_TRACE(static_cast<int>(mode));
      VideoReader r;
      r.Open(path, mode);
      if (c.codecText) {
        EXPECT_EQ(r.Info().CodecText, c.codecText);
      }
      EXPECT_EQ(r.Info().FrameCount, n) << c.name;
      Bitmap24 pic;
      for (int k : {0, 1, 17, 5, 23, 22, 6, 0, 12}) {
        r.ReadFrame(k, pic, nullptr);
        ASSERT_EQ(pic.Width(), w);
        EXPECT_NEAR(Mean(pic), 20 + 8 * k + 15, 2.5) << c.name << " frame " << k;
      }
      EXPECT_EQ(ErrorOf([&] { r.ReadFrame(n, pic, nullptr); }), " Frame number wrong. ");
    }
    ExpectRandomOrderMatchesSequential(path);
  }
}

// --- Real recordings ---

std::string Recording(const char* name) {
  const char* d = std::getenv("LUMIVANE_TESTDATA");
  if (!d || !*d) return "";
  return std::string(d) + "/recordings/" + name;
}

TEST(VideoReaderRecordings, Y800MoonCrop) {
  const std::string path = Recording("moon_crop256_y800_ffmpeg.avi");
  if (path.empty()) { GTEST_SKIP() << "LUMIVANE_TESTDATA not set"; }
  for (VideoMode mode : kModes) {
    VideoReader r;
    r.Open(path, mode);
    EXPECT_EQ(r.Info().CodecText, "vidsY800");
    EXPECT_EQ(r.Info().Width, 256);
    EXPECT_EQ(r.Info().Height, 256);
    EXPECT_EQ(r.Info().FrameCount, 101);
    EXPECT_EQ(r.Info().LastFrame, 100);
    Bitmap24 pic;
    r.ReadFrame(100, pic, nullptr);
    EXPECT_EQ(ErrorOf([&] { r.ReadFrame(101, pic, nullptr); }), " Frame number wrong. ");
  }
  ExpectRandomOrderMatchesSequential(path);
}

TEST(VideoReaderRecordings, TopDownAndBottomUpCropsReadAlike) {
  const std::string down = Recording("moon_crop128_bgr24_topdown_ffmpeg.avi");
  if (down.empty()) { GTEST_SKIP() << "LUMIVANE_TESTDATA not set"; }
  const std::string up = Recording("moon_crop128_bgr24_bottomup_ffmpeg.avi");
  VideoReader a, b;
  a.Open(down, VideoMode::Stream);
  b.Open(up, VideoMode::Indexed);
  ASSERT_EQ(a.Info().FrameCount, 16);
  ASSERT_EQ(b.Info().FrameCount, 16);
  EXPECT_EQ(a.Info().BitCount, 24);
  Bitmap24 pa, pb;
  for (int k = 0; k < 16; ++k) {
    a.ReadFrame(k, pa, nullptr);
    b.ReadFrame(k, pb, nullptr);
    ASSERT_EQ(pa.Width(), 128);
    ASSERT_TRUE(pa == pb) << "frame " << k;
  }
}

TEST(VideoReaderRecordings, CompressedMoonVideoDecodes) {
  const std::string path = Recording("pss_short_video_moon_divx.avi");
  if (path.empty()) { GTEST_SKIP() << "LUMIVANE_TESTDATA not set"; }
  Bitmap24 seq50;
  {
    VideoReader r;
    r.Open(path, VideoMode::Stream);
    EXPECT_EQ(r.Info().Width, 1280);
    EXPECT_EQ(r.Info().Height, 960);
    EXPECT_EQ(r.Info().FrameCount, 101);
    EXPECT_FALSE(r.Info().RawCodec);
    Bitmap24 pic;
    for (int k = 0; k <= 50; ++k) r.ReadFrame(k, k == 50 ? seq50 : pic, nullptr);
    EXPECT_GT(Mean(seq50), 5.0);
  }
  for (VideoMode mode : kModes) {
    VideoReader r;
    r.Open(path, mode);
    Bitmap24 pic;
    r.ReadFrame(100, pic, nullptr);
    r.ReadFrame(50, pic, nullptr);
    EXPECT_TRUE(pic == seq50);
  }
}

}  // namespace
}  // namespace lumivane::input
