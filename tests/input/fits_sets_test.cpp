// FITS image sets through the frame reader: full-depth samples, the stretch flag, the
// luminance name rule and the format error.
#include <gtest/gtest.h>

#include <fstream>

#include "input/frame_reader.hpp"
#include "input/open_recording.hpp"
#include "input/recording_info.hpp"
#include "input_fixture.hpp"

namespace lumivane::input {

namespace {

// A BITPIX 16 file with BZERO 32768: sample (x, y) = first + x + 10 * y.
std::string WriteFits16(const std::filesystem::path& path, int w, int h, int first, int bitpix = 16) {
  std::string header;
  auto card = [&](const std::string& text) {
    std::string c = text;
    c.resize(80, ' ');
    header += c;
  };
  card("SIMPLE  =                    T");
  card("BITPIX  = " + std::string(20 - std::to_string(bitpix).size(), ' ') + std::to_string(bitpix));
  card("NAXIS   =                    2");
  card("NAXIS1  = " + std::string(20 - std::to_string(w).size(), ' ') + std::to_string(w));
  card("NAXIS2  = " + std::string(20 - std::to_string(h).size(), ' ') + std::to_string(h));
  card("BZERO   =              32768.0");
  card("END");
  header.resize(2880, ' ');
  std::string data;
  const int bytes = bitpix == -64 ? 8 : 2;
  for (int row = 0; row < h; ++row) {  // FITS rows run bottom-up
    const int y = h - 1 - row;
    for (int x = 0; x < w; ++x) {
      const int v = first + x + 10 * y - 32768;
      const auto u = static_cast<std::uint16_t>(static_cast<std::int16_t>(v));
      std::string sample(static_cast<size_t>(bytes), '\0');
      sample[0] = static_cast<char>(u >> 8);
      sample[1] = static_cast<char>(u & 0xFF);
      data += sample;
    }
  }
  data.resize((data.size() + 2879) / 2880 * 2880, '\0');
  std::ofstream(path, std::ios::binary) << header << data;
  return path.string();
}

}  // namespace

using FitsSets = InputFixture;

TEST_F(FitsSets, FramesKeepTheirSamplesAfterBzero) {
  s.Controls.SetIndex("Fittifstretch", 1);  // stretch, without asking
  const std::string a = WriteFits16(dir / "m_00.fit", 6, 4, 40000), b = WriteFits16(dir / "m_01.fit", 6, 4, 50000);
  ASSERT_TRUE(STARTFILESELECTION(s, {{a, b}, 0}));
  EXPECT_EQ(s.Source, SourceKind::Fits);
  EXPECT_EQ(s.Frames.FrameCount, 2);
  EXPECT_TRUE(s.FitsRawStretch);
  EXPECT_TRUE(s.DeepStretch);
  ReadFrame(s, 1);
  EXPECT_EQ(s.Work.RawPlane(0, 0), 50000.0f);  // top-left after the row flip
  EXPECT_EQ(s.Work.RawPlane(5, 3), 50035.0f);
  EXPECT_EQ(s.FitsMin, 50000.0);
  EXPECT_EQ(s.FitsMax, 50035.0);
  FrameSample f = SampleAt(s, 2, 1);
  EXPECT_EQ(f.Raw, std::vector<int>{50012});
  SlotReadLog log;
  ReadFrameToSlot(s, 4, 0, log);
  EXPECT_EQ(s.Slots[4].RawPlane(2, 1), 40012.0f);
}

TEST_F(FitsSets, LuminanceNamedFramesSwitchOnLrgb) {
  s.Controls.SetIndex("Fittifstretch", 2);
  const std::string l = WriteFits16(dir / "jup_L.fit", 4, 4, 1000), r = WriteFits16(dir / "jup_R.fit", 4, 4, 2000);
  ASSERT_TRUE(STARTFILESELECTION(s, {{l, r}, 0}));
  EXPECT_FALSE(s.FitsRawStretch);
  EXPECT_TRUE(s.LuminanceFrameLoaded);
  EXPECT_TRUE(s.Controls.Checked("LRGB"));
  EXPECT_TRUE(s.Controls.Checked("LRGB2"));
  EXPECT_EQ(s.Frames.FrameChannelTag[0], kTagLuminance);
}

TEST_F(FitsSets, UnsupportedBitpixGivesTheFormatError) {
  const std::string f = WriteFits16(dir / "d.fits", 4, 4, 0, -64);
  EXPECT_FALSE(STARTFILESELECTION(s, {{f, f}, 0}));
  EXPECT_EQ(host.Messages().back().Title, "Fits format error");
  EXPECT_EQ(host.Messages().back().Text, "Unsupported fits format");
  EXPECT_EQ(s.AlignState, 0);  // nothing was open, nothing changed
}

}  // namespace lumivane::input
