// SER recordings through the opening path: frame names, caption, Bayer set-up, warnings.
#include <gtest/gtest.h>

#include <fstream>

#include "input/frame_reader.hpp"
#include "input/open_recording.hpp"
#include "input/recording_info.hpp"
#include "input_fixture.hpp"

namespace lumivane::input {

namespace {

// An 8-bit SER of `frames` frames of w x h, frame f filled with 10 + f; `announced` frames
// in the header.
std::string WriteSer(const std::filesystem::path& path, int w, int h, int frames, int announced, int colorId) {
  std::string b(178, '\0');
  const std::string id = "LUCAM-RECORDER";
  std::copy(id.begin(), id.end(), b.begin());
  auto put = [&](int offset, std::int32_t v) {
    for (int i = 0; i < 4; ++i) b[static_cast<size_t>(offset + i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  put(18, colorId);
  put(22, 0);
  put(26, w);
  put(30, h);
  put(34, 8);
  put(38, announced);
  for (int f = 0; f < frames; ++f) b += std::string(static_cast<size_t>(w * h), static_cast<char>(10 + f));
  std::ofstream(path, std::ios::binary) << b;
  return path.string();
}

}  // namespace

using SerOpen = InputFixture;

TEST_F(SerOpen, OpensAsOneRecordingWithNamedFrames) {
  const std::string f = WriteSer(dir / "jup.ser", 12, 8, 4, 4, 0);
  ASSERT_TRUE(STARTFILESELECTION(s, {{f}, 0}));
  EXPECT_EQ(s.Source, SourceKind::Ser);
  EXPECT_FALSE(s.SingleImage);
  EXPECT_EQ(s.Frames.FrameCount, 4);
  EXPECT_EQ(s.Frames.FrameFileNames[3], "Frame 3");
  EXPECT_EQ(s.WindowCaption, "Lumivane processing SER: jup.ser 0 (12x8)");
  EXPECT_EQ(FrameListItemText(s, 0), "Frame00001");
  for (const Message& m : host.Messages()) EXPECT_NE(m.Title, "Colourimage");  // never asked for SER
  ReadFrame(s, 2);
  EXPECT_EQ(s.Work.RawPlane(5, 5), 12.0f);
  SlotReadLog log;
  ReadFrameToSlot(s, 6, 3, log);
  EXPECT_EQ(s.Slots[6].RawPlane(0, 0), 13.0f);
  EXPECT_TRUE(DescribeRecording(s).Bayer.empty());
}

TEST_F(SerOpen, BayerColourAndAShortFileAreReported) {
  const std::string f = WriteSer(dir / "sun.ser", 8, 8, 3, 5, 8);  // RGGB, 5 announced, 3 held
  ASSERT_TRUE(STARTFILESELECTION(s, {{f}, 0}));
  EXPECT_EQ(s.Frames.FrameCount, 3);
  EXPECT_TRUE(s.Controls.Checked("Avidebay"));
  EXPECT_FALSE(DescribeRecording(s).Bayer.empty());
  bool warned = false;
  for (const Message& m : host.Messages()) warned |= m.Title == "File warning";
  EXPECT_TRUE(warned);
}

TEST_F(SerOpen, RefusedHeadersLeaveTheSessionAlone) {
  const std::string rgb = WriteSer(dir / "rgb.ser", 8, 8, 2, 2, 100);
  EXPECT_FALSE(STARTFILESELECTION(s, {{rgb}, 0}));
  EXPECT_EQ(host.Messages().back().Title, "Open error");
  EXPECT_NE(host.Messages().back().Text.find("rgb.ser"), std::string::npos);
  EXPECT_EQ(s.AlignState, 0);
}

}  // namespace lumivane::input
