// SER recordings: header checks against hostile files, sample values at every depth and
// byte order, the 8-bit view, the colour set-up, frame count cuts, large offsets, slot
// reads in parallel and the real recordings.
#include "input/ser_reader.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "input/video_reader.hpp"
#include "input_fixture.hpp"
#include "platform/error.hpp"

namespace fs = std::filesystem;

namespace lumivane::input {

namespace {

struct SerFields {
  std::string FileId = "LUCAM-RECORDER";
  std::int32_t ColorId = 0;
  std::int32_t LittleEndian = 0;
  std::int32_t Width = 4, Height = 2, Depth = 8;
  std::int32_t Frames = 1;
};

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::int32_t v) {
  const auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(u >> (8 * i));
}

std::vector<std::uint8_t> Header(const SerFields& f) {
  std::vector<std::uint8_t> b(kSerHeaderBytes, 0);
  std::copy_n(f.FileId.begin(), std::min<std::size_t>(f.FileId.size(), 14), b.begin());
  Put32(b, 18, f.ColorId);
  Put32(b, 22, f.LittleEndian);
  Put32(b, 26, f.Width);
  Put32(b, 30, f.Height);
  Put32(b, 34, f.Depth);
  Put32(b, 38, f.Frames);
  return b;
}

void WriteBytes(const fs::path& p, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good());
}

// A whole file: the header and `data` after it.
std::string WriteSer(const fs::path& p, const SerFields& f, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> bytes = Header(f);
  bytes.insert(bytes.end(), data.begin(), data.end());
  WriteBytes(p, bytes);
  return p.string();
}

// 16-bit words stored low byte first.
void PushWord(std::vector<std::uint8_t>& data, std::uint16_t w) {
  data.push_back(static_cast<std::uint8_t>(w & 0xFF));
  data.push_back(static_cast<std::uint8_t>(w >> 8));
}

// Frames of w x h 8-bit samples, sample (x, y) of frame k = (k * 31 + x * 7 + y * 13) & 0xFF.
std::vector<std::uint8_t> Pattern8(int w, int h, int frames) {
  std::vector<std::uint8_t> d;
  for (int k = 0; k < frames; ++k)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) d.push_back(static_cast<std::uint8_t>((k * 31 + x * 7 + y * 13) & 0xFF));
  return d;
}

std::string Recording(const char* name) {
  const char* d = std::getenv("LUMIVANE_TESTDATA");
  if (!d || !*d) return "";
  return std::string(d) + "/recordings/" + name;
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SerFixture : public InputFixture {
 protected:
  void SetUp() override {
    InputFixture::SetUp();
    RegisterSerControls(s.Controls);
  }
  std::string Path(const char* name) const { return (dir / name).string(); }

  SerReaders r;
};

// --- the worked examples -------------------------------------------------------------

// 4 x 2, 12 bits, 3 frames; frame k holds the words ((32 + 4y + x + k) << 4).
std::string TwelveBit(const fs::path& p) {
  std::vector<std::uint8_t> data;
  for (int k = 0; k < 3; ++k)
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x) PushWord(data, static_cast<std::uint16_t>((32 + 4 * y + x + k - 2) << 4));
  SerFields f;
  f.Depth = 12;
  f.Frames = 3;
  return WriteSer(p, f, data);
}

TEST_F(SerFixture, TwelveBitFrameTwoGivesSamplesAndView) {
  SerFile file;
  file.Open(TwelveBit(dir / "twelve.ser"));
  FloatPlane raw;
  Bitmap24 view;
  const SerFrameStats st = file.ReadFrame(2, raw, view, false);
  ASSERT_EQ(raw.Width(), 4);
  ASSERT_EQ(raw.Height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(raw(x, y), 32 + 4 * y + x) << x << "," << y;
  EXPECT_EQ(st.Min, 32);
  EXPECT_EQ(st.Max, 39);
  EXPECT_EQ(SerViewRange(st.Max, 12, false), 64);
  EXPECT_EQ(view.Pixel(0, 0)[0], 126);
  EXPECT_EQ(view.Pixel(3, 1)[0], 153);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(view.Pixel(3, 1)[c], 153);
}

TEST_F(SerFixture, SessionOpensShowsFrameZeroAndReadsOthers) {
  const std::string p = TwelveBit(dir / "twelve.ser");
  ReadSerHeader(s, r, p);
  EXPECT_TRUE(s.IsSer);
  EXPECT_EQ(s.FrameW, 4);
  EXPECT_EQ(s.FrameH, 2);
  EXPECT_EQ(s.SourceBits, 12);
  EXPECT_EQ(r.Main.Header().FrameCount, 3);
  EXPECT_TRUE(SerOpenWarnings(r.Main).empty());
  ASSERT_EQ(s.Work.Bitmap.Width(), 4);
  EXPECT_EQ(s.Work.RawPlane(0, 0), 30);  // frame 0 holds 30 .. 37
  EXPECT_EQ(s.Work.Bitmap.Pixel(0, 0)[1], 118);  // round(30 * 255 / 65)

  ReadSerFrame(s, r, 2);
  EXPECT_EQ(s.Work.RawPlane(3, 1), 39);
  EXPECT_EQ(s.Work.Bitmap.Pixel(3, 1)[2], 153);
}

TEST_F(SerFixture, FrameOutsideTheCountLeavesTheImageAsItWas) {
  ReadSerHeader(s, r, TwelveBit(dir / "twelve.ser"));
  ReadSerFrame(s, r, 1);
  const Bitmap24 before = s.Work.Bitmap;
  const std::vector<float> raw(s.Work.RawPlane.Data(), s.Work.RawPlane.Data() + s.Work.RawPlane.Size());
  for (int n : {3, 4, -1, 50000}) {
    ReadSerFrame(s, r, n);
    EXPECT_EQ(s.Work.Bitmap, before) << n;
    EXPECT_TRUE(std::equal(raw.begin(), raw.end(), s.Work.RawPlane.Data())) << n;
  }
  FloatPlane plane;
  EXPECT_THROW(r.Main.ReadFrame(3, plane), Error);
}

// --- sample values by depth and byte order -----------------------------------------------

struct SampleCase {
  int Depth;
  std::int32_t LittleEndian;
  std::uint8_t First, Second;  // the two stored bytes
  int Expected;
};

TEST_F(SerFixture, SampleValuesFollowDepthAndByteOrder) {
  const SampleCase cases[] = {
      {16, 1, 0x12, 0x34, 0x1234},       // flag 1: the bytes are swapped
      {16, 0, 0x12, 0x34, 0x3412},       // flag 0: taken as stored, low byte first
      {16, 2, 0x12, 0x34, 0x3412},       // any other flag: as stored
      {16, -1, 0x12, 0x34, 0x3412},
      {12, 0, 0xF0, 0xFF, 4095},         // 0xFFF0 >> 4
      {12, 1, 0xFF, 0xF0, 4095},
      {9, 0, 0xFF, 0xFF, 511},
      {10, 0, 0x00, 0x80, 512},          // 0x8000 >> 6
      {11, 0, 0x3F, 0x00, 1},            // 0x003F >> 5
      {13, 0, 0x07, 0x00, 0},            // low bits below the depth are dropped
      {14, 1, 0x80, 0x00, 0x2000},
      {15, 0, 0x02, 0x00, 1},
      {8, 0, 0xC8, 0x00, 200},           // 8 bits: one byte a sample
      {8, 1, 0xC8, 0x00, 200},           // the flag does not touch bytes
  };
  for (const SampleCase& c : cases) {
    SerFields f;
    f.Depth = c.Depth;
    f.LittleEndian = c.LittleEndian;
    f.Width = 2;
    f.Height = 1;
    // Pixel 0 holds the case's bytes; pixel 1 (8-bit) holds the second byte.
    const std::string p = WriteSer(dir / "sample.ser", f, {c.First, c.Second, c.First, c.Second});
    SerFile file;
    file.Open(p);
    FloatPlane raw;
    file.ReadFrame(0, raw);
    EXPECT_EQ(raw(0, 0), c.Expected) << "depth " << c.Depth << " flag " << c.LittleEndian;
    if (c.Depth == 8) {
      EXPECT_EQ(raw(1, 0), c.Second);
    }
  }
}

// --- the 8-bit view -------------------------------------------------------------------

TEST(SerView, RangeIsThePowerOfTwoAtOrAboveTheMaximum) {
  struct Case { int Max, Depth; bool Full; int Range; };
  const Case cases[] = {
      {-5, 8, false, 1}, {0, 8, false, 1}, {1, 8, false, 1}, {2, 8, false, 2}, {3, 8, false, 4},
      {100, 8, false, 128}, {128, 8, false, 128}, {129, 8, false, 256}, {4095, 12, false, 4096},
      {4097, 12, false, 8192}, {65535, 16, false, 65536},
      {3, 12, true, 4096}, {100, 8, true, 256}, {70000, 16, true, 65536}, {0, 9, true, 512},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SerViewRange(c.Max, c.Depth, c.Full), c.Range) << c.Max << " " << c.Depth << " " << c.Full;
}

TEST(SerView, GreyLevelsAreScaledRoundedAndClamped) {
  struct Case { float V; int Range; int Grey; };
  const Case cases[] = {
      {100, 128, 198},    // round(100 * 255 / 129) = round(197.67)
      {4095, 4096, 255},  // 254.88 rounds to 255
      {2048, 4096, 127},  // full-depth view of a 12-bit sample: 127.47
      {1, 1, 128},        // 127.5, halfway: 128
      {0, 1, 0},
      {1, 256, 1},        // 0.99 rounds to 1, which is not below 1
      {128, 256, 127},    // 127.004
      {255, 256, 253},    // 253.02
      {256, 256, 254},    // 254.008: not above 254
      {257, 256, 255},    // 255.0
      {70000, 256, 255},  // far above: 255
      {-5, 4, 0},         // below 1: 0
  };
  for (const Case& c : cases) {
    FloatPlane raw(3, 2);
    raw(2, 1) = c.V;
    Bitmap24 view;
    SerViewBitmap(raw, c.Range, view);
    ASSERT_EQ(view.Width(), 3);
    ASSERT_EQ(view.Height(), 2);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(view.Pixel(2, 1)[k], c.Grey) << c.V << " / " << c.Range;
    EXPECT_EQ(view.Pixel(0, 0)[0], 0);
  }
}

// --- colour set-up ------------------------------------------------------------------------

TEST_F(SerFixture, ColorIdSetsDebayeringAndPattern) {
  struct Case { std::int32_t ColorId; int Pattern; bool Debayer; const char* Caption; };
  const Case cases[] = {
      {0, 2, false, "Colour"}, {7, 2, false, "Colour"}, {-3, 2, false, "Colour"},
      {8, 1, true, "Colour(Debayer_Active)"}, {9, 0, true, "Colour(Debayer_Active)"},
      {10, 3, true, "Colour(Debayer_Active)"}, {11, 2, true, "Colour(Debayer_Active)"},
      {16, 2, true, "Colour(Debayer_Active)"},  // other colour codes keep the pattern
  };
  for (const Case& c : cases) {
    s.Controls.Reset("debayergroup");
    s.Controls.SetChecked("Colourstack", true);
    SerFields f;
    f.ColorId = c.ColorId;
    ReadSerHeader(s, r, WriteSer(dir / "colour.ser", f, Pattern8(4, 2, 1)));
    EXPECT_EQ(s.Controls.Index("debayergroup"), c.Pattern) << c.ColorId;
    EXPECT_EQ(s.Controls.Checked("Avidebay"), c.Debayer) << c.ColorId;
    EXPECT_EQ(s.Controls.Info("Colourstack").Caption, c.Caption) << c.ColorId;
    if (!c.Debayer) {
      EXPECT_FALSE(s.Controls.Checked("Colourstack")) << c.ColorId;
    }
  }
  EXPECT_EQ(s.Controls.Text("debayergroup"), "BG");
}

TEST_F(SerFixture, DebayerHandlerRunsForEveryColourFile) {
  int runs = 0;
  bool lastState = false;
  s.Controls.OnChange("Avidebay", [&](Origin) {
    ++runs;
    lastState = s.Controls.Checked("Avidebay");
  });
  SerFields f;
  f.ColorId = 9;
  const std::string p = WriteSer(dir / "bayer.ser", f, Pattern8(4, 2, 1));
  ReadSerHeader(s, r, p);
  EXPECT_EQ(runs, 1);
  ReadSerHeader(s, r, p);  // ticked already: the handler still runs
  EXPECT_EQ(runs, 2);
  EXPECT_TRUE(lastState);
  f.ColorId = 0;
  ReadSerHeader(s, r, WriteSer(dir / "mono.ser", f, Pattern8(4, 2, 1)));
  EXPECT_EQ(runs, 3);  // unticked: the handler follows
  EXPECT_FALSE(lastState);
}

// --- hostile files ------------------------------------------------------------------------

struct HostileCase {
  const char* Name;
  SerFields Fields;
  std::size_t DataBytes;
  int CutTo;  // the file is cut to this many bytes (-1: not cut)
  const char* Reason;
};

SerFields With(void (*edit)(SerFields&)) {
  SerFields f;
  edit(f);
  return f;
}

TEST_F(SerFixture, HostileHeadersAreRefusedNamingTheFile) {
  const HostileCase cases[] = {
      {"empty", SerFields{}, 0, 0, "too short for a SER header"},
      {"truncated header", SerFields{}, 0, 177, "too short for a SER header"},
      {"no frame", SerFields{}, 0, -1, "ends inside the first SER frame"},
      {"part of a frame", SerFields{}, 7, -1, "ends inside the first SER frame"},
      {"width 0", With([](SerFields& f) { f.Width = 0; }), 8, -1, "no frame size"},
      {"height 0", With([](SerFields& f) { f.Height = 0; }), 8, -1, "no frame size"},
      {"negative width", With([](SerFields& f) { f.Width = -4; }), 8, -1, "no frame size"},
      {"huge width", With([](SerFields& f) { f.Width = 0x7FFFFFFF; }), 8, -1, "wider than 4001"},
      {"width 4002", With([](SerFields& f) { f.Width = 4002; f.Height = 1; }), 4002, -1, "wider than 4001"},
      {"huge height", With([](SerFields& f) { f.Height = 0x40000000; }), 8, -1, "taller than 6216"},
      {"depth 0", With([](SerFields& f) { f.Depth = 0; }), 8, -1, "pixel depth of 0 bits"},
      {"depth 7", With([](SerFields& f) { f.Depth = 7; }), 8, -1, "pixel depth of 7 bits"},
      {"depth 17", With([](SerFields& f) { f.Depth = 17; }), 16, -1, "pixel depth of 17 bits"},
      {"depth 32", With([](SerFields& f) { f.Depth = 32; }), 32, -1, "pixel depth of 32 bits"},
      {"negative depth", With([](SerFields& f) { f.Depth = -8; }), 8, -1, "pixel depth of -8 bits"},
      {"RGB", With([](SerFields& f) { f.ColorId = 100; }), 24, -1, "three samples a pixel (RGB)"},
      {"BGR", With([](SerFields& f) { f.ColorId = 101; }), 24, -1, "three samples a pixel (BGR)"},
      {"no frames announced", With([](SerFields& f) { f.Frames = 0; }), 8, -1, "announces no frames"},
      {"negative count", With([](SerFields& f) { f.Frames = -1; }), 8, -1, "announces no frames"},
      {"16-bit frame short", With([](SerFields& f) { f.Depth = 16; }), 15, -1, "ends inside the first SER frame"},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<std::uint8_t> bytes = Header(c.Fields);
    bytes.resize(bytes.size() + c.DataBytes, 0x5A);
    if (c.CutTo >= 0) bytes.resize(static_cast<std::size_t>(c.CutTo));
    const std::string p = Path("hostile.ser");
    WriteBytes(p, bytes);
    try {
      ParseSerHeader(p);
      ADD_FAILURE() << "accepted";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(p), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.Reason), std::string::npos) << e.what();
    }
    SerFile file;
    EXPECT_THROW(file.Open(p), Error);
    EXPECT_FALSE(file.IsOpen());
  }
}

TEST_F(SerFixture, WidestAcceptedRowIsTheReaderLimitAndTallFramesReadWhole) {
  // 4001 x 100 16-bit samples, two frames: about 800 kB a frame, read in several blocks.
  const int w = kReaderRowSamples, h = 100;
  auto sample = [](int k, int x, int y) { return static_cast<std::uint16_t>((x * 3 + y * 1009 + k * 7919) & 0xFFFF); };
  std::vector<std::uint8_t> data;
  for (int k = 0; k < 2; ++k)
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) PushWord(data, sample(k, x, y));
  SerFile file;
  file.Open(WriteSer(dir / "wide.ser", SerFields{.Width = w, .Height = h, .Depth = 16, .Frames = 2}, data));
  FloatPlane raw;
  for (int k : {1, 0}) {
    file.ReadFrame(k, raw);
    int wrong = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) wrong += raw(x, y) != sample(k, x, y);
    EXPECT_EQ(wrong, 0) << "frame " << k;
  }
}

TEST_F(SerFixture, RefusedFileLeavesTheSessionAndReaderAsTheyWere) {
  const std::string good = TwelveBit(dir / "twelve.ser");
  ReadSerHeader(s, r, good);
  SerFields f;
  f.Depth = 17;
  const std::string bad = WriteSer(dir / "bad.ser", f, std::vector<std::uint8_t>(64, 1));
  const Bitmap24 before = s.Work.Bitmap;
  EXPECT_THROW(ReadSerHeader(s, r, bad), Error);
  EXPECT_EQ(r.Main.Path(), good);
  EXPECT_EQ(s.FrameW, 4);
  EXPECT_EQ(s.Work.Bitmap, before);
  ReadSerFrame(s, r, 2);
  EXPECT_EQ(s.Work.RawPlane(3, 1), 39);
}

TEST_F(SerFixture, MissingFileDoesNothing) {
  ReadSerHeader(s, r, Path("absent.ser"));
  EXPECT_FALSE(r.Main.IsOpen());
  EXPECT_FALSE(s.IsSer);
  EXPECT_TRUE(s.Work.Bitmap.Empty());
  ReadSerFrame(s, r, 0);  // nothing open: nothing read
  ReadSerFrameToSlot(s, r, 3, 0);
  EXPECT_TRUE(s.Slots[3].SlotImage.Empty());
}

TEST_F(SerFixture, FileCutAfterOpeningGivesAnErrorNotACrash) {
  const std::string p = WriteSer(dir / "cut.ser", SerFields{.Frames = 4}, Pattern8(4, 2, 4));
  SerFile file;
  file.Open(p);
  fs::resize_file(p, kSerHeaderBytes + 8 + 3);
  FloatPlane raw;
  EXPECT_NO_THROW(file.ReadFrame(0, raw));
  try {
    file.ReadFrame(1, raw);
    ADD_FAILURE() << "read past the end";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("ends inside SER frame 1"), std::string::npos) << e.what();
  }
  EXPECT_THROW(file.ReadFrame(3, raw), Error);
}

// --- frame count cuts ---------------------------------------------------------------------

TEST_F(SerFixture, CountIsCutToTheFramesTheFileHolds) {
  const std::string p = WriteSer(dir / "short.ser", SerFields{.Frames = 10}, Pattern8(4, 2, 3));
  ReadSerHeader(s, r, p);
  const SerHeader& h = r.Main.Header();
  EXPECT_EQ(h.AnnouncedFrames, 10);
  EXPECT_EQ(h.FramesInFile, 3u);
  EXPECT_EQ(h.FrameCount, 3);
  EXPECT_TRUE(h.CutToFileSize());
  EXPECT_FALSE(h.CutToFrameLimit());
  ShowSerOpenWarnings(s, r.Main);
  const auto messages = host.Messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].Title, "File warning");
  EXPECT_EQ(messages[0].Text,
            "The SER file short.ser holds only 3 of the 10 frames its header announces; the missing frames are left out");
  ReadSerFrame(s, r, 2);
  EXPECT_EQ(s.Work.RawPlane(1, 1), (2 * 31 + 7 + 13) & 0xFF);
  const Bitmap24 before = s.Work.Bitmap;
  ReadSerFrame(s, r, 3);
  EXPECT_EQ(s.Work.Bitmap, before);
}

TEST_F(SerFixture, TrailerBeyondTheFramesIsIgnored) {
  std::vector<std::uint8_t> data = Pattern8(4, 2, 2);
  data.resize(data.size() + 2 * 8, 0xEE);  // two time stamps
  ReadSerHeader(s, r, WriteSer(dir / "stamps.ser", SerFields{.Frames = 2}, data));
  EXPECT_EQ(r.Main.Header().FrameCount, 2);
  EXPECT_FALSE(r.Main.Header().CutToFileSize());
  EXPECT_TRUE(SerOpenWarnings(r.Main).empty());
}

TEST_F(SerFixture, MoreThanTheFrameLimitOpensTheFirstFiftyThousand) {
  // 1 x 1 8-bit frames: frame k holds k & 0xFF.
  const int held = kSerMaxFrames + 7;
  std::vector<std::uint8_t> data(static_cast<std::size_t>(held));
  for (int k = 0; k < held; ++k) data[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k);
  SerFields f{.Width = 1, .Height = 1, .Frames = 60000};
  ReadSerHeader(s, r, WriteSer(dir / "long.ser", f, data));
  const SerHeader& h = r.Main.Header();
  EXPECT_EQ(h.FrameCount, kSerMaxFrames);
  EXPECT_TRUE(h.CutToFrameLimit());
  EXPECT_TRUE(h.CutToFileSize());
  const auto w = SerOpenWarnings(r.Main);
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[1].first, "Too many frames");
  EXPECT_EQ(w[1].second, "Warning : maximum processing limit is 50000 frames ");
  ReadSerFrame(s, r, kSerMaxFrames - 1);
  EXPECT_EQ(s.Work.RawPlane(0, 0), (kSerMaxFrames - 1) & 0xFF);

  // Announced beyond the limit but held within it: only the file warning.
  data.resize(100);
  ReadSerHeader(s, r, WriteSer(dir / "long2.ser", f, data));
  EXPECT_EQ(r.Main.Header().FrameCount, 100);
  const auto w2 = SerOpenWarnings(r.Main);
  ASSERT_EQ(w2.size(), 1u);
  EXPECT_EQ(w2[0].first, "File warning");
}

// --- 64-bit offsets -----------------------------------------------------------------------

TEST_F(SerFixture, FrameBeyondFourGigabytesIsAddressedExactly) {
  SerFields f{.Width = 640, .Height = 480, .Depth = 16, .Frames = 10001};
  const std::string p = Path("sparse.ser");
  WriteBytes(p, Header(f));
  const std::uint64_t at = 178 + 10000ull * 614400ull;
  ASSERT_EQ(at, 6144000178ull);
  {
    const int fd = ::open(p.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const bool sized = ::ftruncate(fd, static_cast<off_t>(at + 614400)) == 0;
    const std::uint8_t marker[4] = {0x34, 0x12, 0x78, 0x56};
    const bool written = sized && ::pwrite(fd, marker, 4, static_cast<off_t>(at)) == 4;
    ::close(fd);
    if (!written) GTEST_SKIP() << "no sparse files in " << dir;
  }
  ReadSerHeader(s, r, p);
  EXPECT_EQ(r.Main.Header().FrameCount, 10001);
  EXPECT_EQ(r.Main.Header().FrameOffset(10000), at);
  ReadSerFrame(s, r, 10000);
  EXPECT_EQ(s.Work.RawPlane(0, 0), 0x1234);
  EXPECT_EQ(s.Work.RawPlane(1, 0), 0x5678);
  EXPECT_EQ(s.Work.RawPlane(2, 0), 0);
  ReadSerFrame(s, r, 9999);
  EXPECT_EQ(s.Work.RawPlane(0, 0), 0);
}

// --- worker slots -------------------------------------------------------------------------

TEST_F(SerFixture, SlotReadsInParallelMatchMainReads) {
  const int w = 37, h = 23, frames = 12;
  std::vector<std::uint8_t> data;
  for (int k = 0; k < frames; ++k)
    for (int i = 0; i < w * h; ++i) PushWord(data, static_cast<std::uint16_t>(((k * 977 + i * 131) % 4096) << 4));
  SerFields f{.Width = w, .Height = h, .Depth = 12, .Frames = frames};
  ReadSerHeader(s, r, WriteSer(dir / "slots.ser", f, data));

  std::vector<Bitmap24> views(frames);
  std::vector<std::vector<float>> raws(frames);
  for (int k = 0; k < frames; ++k) {
    ReadSerFrame(s, r, k);
    views[static_cast<std::size_t>(k)] = s.Work.Bitmap;
    raws[static_cast<std::size_t>(k)].assign(s.Work.RawPlane.Data(), s.Work.RawPlane.Data() + s.Work.RawPlane.Size());
  }

  ConnectSerSlot(s, r, 0, r.Main.Path());  // the driver's connection; the others open on first read
  const int threads = 8;
  std::vector<int> mismatches(threads, 0);
  std::vector<std::thread> pool;
  for (int t = 0; t < threads; ++t)
    pool.emplace_back([&, t] {
      for (int round = 0; round < 3; ++round)
        for (int i = 0; i < frames; ++i) {
          const int k = (i * 5 + t) % frames;
          ReadSerFrameToSlot(s, r, t, k);
          const WorkerSlot& ws = s.Slots[static_cast<std::size_t>(t)];
          const auto& expect = raws[static_cast<std::size_t>(k)];
          if (!(ws.SlotImage == views[static_cast<std::size_t>(k)]) || ws.RawPlane.Size() != expect.size() ||
              !std::equal(expect.begin(), expect.end(), ws.RawPlane.Data()))
            ++mismatches[static_cast<std::size_t>(t)];
        }
    });
  for (auto& th : pool) th.join();
  for (int t = 0; t < threads; ++t) EXPECT_EQ(mismatches[static_cast<std::size_t>(t)], 0) << "slot " << t;
  for (int t = 0; t < threads; ++t) EXPECT_EQ(r.Slots[static_cast<std::size_t>(t)].Path(), r.Main.Path());
  EXPECT_THROW(ReadSerFrameToSlot(s, r, kWorkerSlots, 0), Error);
}

TEST_F(SerFixture, SlotViewKeepsTheDepthWhileStackingWithKeepSerBits) {
  // 12-bit samples 2048 and 100 on one row.
  std::vector<std::uint8_t> data;
  PushWord(data, 2048 << 4);
  PushWord(data, 100 << 4);
  SerFields f{.Width = 2, .Height = 1, .Depth = 12};
  ReadSerHeader(s, r, WriteSer(dir / "keep.ser", f, data));
  struct Case { bool Stacking, Keep; int Grey0, Grey1; };
  const Case cases[] = {
      {false, false, 255, 12},  // range 2048: 254.88 and 12.44
      {true, false, 255, 12},
      {false, true, 255, 12},
      {true, true, 127, 6},     // range 4096: 127.47 and 6.22
  };
  for (const Case& c : cases) {
    s.StackingActive = c.Stacking;
    s.Controls.SetChecked("KeepSerBits", c.Keep);
    ReadSerFrameToSlot(s, r, 5, 0);
    EXPECT_EQ(s.Slots[5].SlotImage.Pixel(0, 0)[0], c.Grey0) << c.Stacking << c.Keep;
    EXPECT_EQ(s.Slots[5].SlotImage.Pixel(1, 0)[0], c.Grey1) << c.Stacking << c.Keep;
    EXPECT_EQ(s.Slots[5].RawPlane(0, 0), 2048);
  }
  ReadSerFrame(s, r, 0);  // the main view never keeps the depth
  EXPECT_EQ(s.Work.Bitmap.Pixel(0, 0)[0], 255);
}

TEST_F(SerFixture, SlotZeroConnectionSetsColourAndFrameSize) {
  SerFields f{.ColorId = 10, .Width = 6, .Height = 4};
  const std::string p = WriteSer(dir / "conn.ser", f, Pattern8(6, 4, 2));
  ConnectSerSlot(s, r, 3, p);
  EXPECT_EQ(s.FrameW, 0);  // other slots leave the session alone
  EXPECT_FALSE(s.Controls.Checked("Avidebay"));
  EXPECT_EQ(s.Slots[3].RawPlane(5, 3), (5 * 7 + 3 * 13) & 0xFF);
  ConnectSerSlot(s, r, 0, p);
  EXPECT_EQ(s.FrameW, 6);
  EXPECT_EQ(s.FrameH, 4);
  EXPECT_TRUE(s.Controls.Checked("Avidebay"));
  EXPECT_EQ(s.Controls.Index("debayergroup"), 3);
  EXPECT_THROW(ConnectSerSlot(s, r, 1, Path("absent.ser")), Error);
}

TEST_F(SerFixture, OpeningAnotherFileClosesTheSlotReaders) {
  const std::string a = WriteSer(dir / "a.ser", SerFields{.Frames = 2}, Pattern8(4, 2, 2));
  const std::string b = WriteSer(dir / "b.ser", SerFields{.Width = 3, .Height = 3}, std::vector<std::uint8_t>(9, 77));
  ReadSerHeader(s, r, a);
  ReadSerFrameToSlot(s, r, 2, 1);
  EXPECT_EQ(r.Slots[2].Path(), a);
  ReadSerHeader(s, r, b);
  EXPECT_FALSE(r.Slots[2].IsOpen());
  ReadSerFrameToSlot(s, r, 2, 1);  // b has one frame: nothing read
  EXPECT_EQ(s.Slots[2].RawPlane.Width(), 4);
  ReadSerFrameToSlot(s, r, 2, 0);
  ASSERT_EQ(s.Slots[2].RawPlane.Width(), 3);
  ASSERT_EQ(s.Slots[2].RawPlane.Height(), 3);
  EXPECT_EQ(s.Slots[2].RawPlane(2, 2), 77);
}

// --- real recordings ----------------------------------------------------------------------

TEST_F(SerFixture, RealMoonRecordingMatchesItsBytesAndTheAvi) {
  const std::string p = Recording("moon_crop256_mono8.ser");
  if (p.empty()) GTEST_SKIP() << "LUMIVANE_TESTDATA not set";
  const std::vector<std::uint8_t> bytes = ReadAll(p);
  ReadSerHeader(s, r, p);
  const SerHeader& h = r.Main.Header();
  EXPECT_EQ(h.FileId, "LUCAM-RECORDER");
  ASSERT_EQ(h.Width, 256);
  ASSERT_EQ(h.Height, 256);
  ASSERT_EQ(h.PixelDepth, 8);
  ASSERT_EQ(h.FrameCount, 101);
  EXPECT_FALSE(h.CutToFileSize());
  EXPECT_FALSE(s.Controls.Checked("Avidebay"));

  VideoReader avi;
  avi.Open(Recording("moon_crop256_y800_ffmpeg.avi"), VideoMode::Stream);
  Bitmap24 aviFrame;
  for (int n : {0, 1, 50, 100}) {
    ReadSerFrame(s, r, n);
    int wrong = 0, max = 0;
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        const int v = bytes[178 + static_cast<std::size_t>(n) * 65536 + static_cast<std::size_t>(y) * 256 + x];
        wrong += s.Work.RawPlane(x, y) != static_cast<float>(v);
        max = std::max(max, v);
      }
    EXPECT_EQ(wrong, 0) << "frame " << n;
    avi.ReadFrame(n, aviFrame, nullptr);
    int greyWrong = 0;
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) greyWrong += s.Work.RawPlane(x, y) != aviFrame.Pixel(x, y)[0];
    EXPECT_EQ(greyWrong, 0) << "frame " << n;
    // The view spreads the power of two at or above the frame's maximum.
    int range = 1;
    while (range < max) range *= 2;
    const int v = static_cast<int>(s.Work.RawPlane(10, 20));
    int g = static_cast<int>(std::nearbyint(v * 255.0 / (range + 1)));
    g = g > 254 ? 255 : g < 1 ? 0 : g;
    EXPECT_EQ(s.Work.Bitmap.Pixel(10, 20)[0], g);
  }
}

TEST_F(SerFixture, RealSixteenBitRecordingFromAnotherCaptureProgram) {
  const std::string p = Recording("indi199_sim_mono16_160x120x6.ser");
  if (p.empty()) GTEST_SKIP() << "LUMIVANE_TESTDATA not set";
  const std::vector<std::uint8_t> bytes = ReadAll(p);
  ReadSerHeader(s, r, p);
  const SerHeader& h = r.Main.Header();
  EXPECT_EQ(h.FileId, "INDI-RECORDER");
  EXPECT_EQ(h.LittleEndian, 0);
  ASSERT_EQ(h.Width, 160);
  ASSERT_EQ(h.Height, 120);
  ASSERT_EQ(h.PixelDepth, 16);
  ASSERT_EQ(h.FrameCount, 6);
  EXPECT_FALSE(h.CutToFileSize());
  EXPECT_TRUE(SerOpenWarnings(r.Main).empty());
  for (int n = 0; n < 6; ++n) {
    ReadSerFrame(s, r, n);
    int wrong = 0, max = 0;
    for (int y = 0; y < 120; ++y)
      for (int x = 0; x < 160; ++x) {
        const std::size_t at = 178 + (static_cast<std::size_t>(n) * 19200 + static_cast<std::size_t>(y) * 160 + x) * 2;
        const int v = bytes[at] | bytes[at + 1] << 8;
        wrong += s.Work.RawPlane(x, y) != static_cast<float>(v);
        max = std::max(max, v);
      }
    EXPECT_EQ(wrong, 0) << "frame " << n;
    EXPECT_LE(max, 199) << "frame " << n;  // the simulator's noise: taken low byte first
    EXPECT_GT(max, 100) << "frame " << n;
  }
  // Slots read the same frames.
  ReadSerFrameToSlot(s, r, 7, 5);
  EXPECT_EQ(s.Slots[7].SlotImage, s.Work.Bitmap);
}

}  // namespace

}  // namespace lumivane::input
