// Opening image sets and single images, the colour test and the file-name rules.
#include "input/open_recording.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "codecs/bmp_writer.hpp"
#include "codecs/png_codec.hpp"
#include "input/colour_test.hpp"
#include "input/frame_reader.hpp"
#include "input/input_controls.hpp"
#include "input/source_kind.hpp"
#include "input_fixture.hpp"

namespace fs = std::filesystem;

namespace lumivane::input {

namespace {

Bitmap24 Gradient(int w, int h, bool colour) {
  Bitmap24 b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = b.Pixel(x, y);
      p[0] = p[1] = p[2] = static_cast<std::uint8_t>((x + 3 * y) & 0xFF);
      if (colour) p[0] = static_cast<std::uint8_t>(p[0] ^ 0x40);
    }
  return b;
}

class OpenFixture : public InputFixture {
 protected:
  std::string Bmp(const std::string& name, const Bitmap24& b) {
    std::string p = (dir / name).string();
    codecs::WriteBMP(p, b);
    return p;
  }
};

}  // namespace

TEST(FileNames, FilterIndexAndChannelTags) {
  struct Case { const char* name; int filter; int tag; bool accepted; };
  const Case cases[] = {
      {"/a/moon.AVI", kFilterVideo, -1, false},   {"/a/m.mpeg", kFilterVideo, -1, false},
      {"/a/moon_R.fit", kFilterFits, 0, true},    {"/a/x_g.FITS", kFilterFits, 1, true},
      {"/a/jup_B.tiff", kFilterTiff, 2, true},    {"/a/sat_L.png", kFilterPng, 3, true},
      {"/a/capture.ser", kFilterSer, -1, false},  {"/a/list.lfl", kFilterFrameList, -1, false},
      {"/a/img.CR2", kFilterNone, -1, true},      {"/a/notes.txt", kFilterNone, -1, false},
      {"/a/R.bmp", kFilterBmp, -1, true},         {"/a/frame_X.jpg", kFilterJpeg, -1, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FilterIndexFromExtension(c.name), c.filter) << c.name;
    EXPECT_EQ(ChannelTagFromName(c.name), c.tag) << c.name;
    EXPECT_EQ(IsAcceptedStillExtension(c.name), c.accepted) << c.name;
  }
}

TEST(ColourTest, FindsColourOnTheSampleGridOnly) {
  EXPECT_FALSE(colourimage(Gradient(640, 480, false)));
  Bitmap24 b = Gradient(640, 480, false);
  b.Pixel(6 * 10, 4 * 20)[1] = 7;  // on the grid (steps 6 and 4)
  EXPECT_TRUE(colourimage(b));
  Bitmap24 off = Gradient(640, 480, false);
  off.Pixel(6 * 10 + 1, 4 * 20)[1] = 7;  // between grid columns: not seen, as designed
  EXPECT_FALSE(colourimage(off));
  EXPECT_FALSE(colourimage(Bitmap24(1, 1)));
  Bitmap24 small = Gradient(20, 20, false);
  small.Pixel(19, 19)[0] ^= 0x40;
  EXPECT_TRUE(colourimage(small));  // small pictures are looked at whole
}

TEST_F(OpenFixture, ImageSetOpensWithItsFramesAndState) {
  std::vector<std::string> files;
  for (int i = 0; i < 3; ++i) files.push_back(Bmp("f" + std::to_string(2 - i) + ".bmp", Gradient(64, 48, false)));
  files.push_back((dir / "readme.txt").string());
  std::ofstream(files.back()) << "not a frame";
  ASSERT_TRUE(STARTFILESELECTION(s, {files, kFilterBmp}));
  EXPECT_EQ(s.Frames.FrameCount, 3);  // the text file is left out
  EXPECT_EQ(FileNameOf(s.Frames.FrameFileNames[0]), "f0.bmp");  // sorted by name
  EXPECT_EQ(s.FrameW, 64);
  EXPECT_EQ(s.FrameH, 48);
  EXPECT_EQ(s.AlignState, 1);
  EXPECT_EQ(s.ViewState, 1);
  EXPECT_EQ(s.StageReached, 0);
  EXPECT_EQ(s.Source, SourceKind::Bmp);
  EXPECT_TRUE(s.IndexedSource);
  EXPECT_EQ(s.Controls.Slider("PreviewSlider").Max, 2);
  EXPECT_EQ(s.Data.StackSizeW, 64);
  EXPECT_EQ(s.KeyStore.Get("Files", "Lasttype").value_or(""), "BMP");
  EXPECT_EQ(s.KeyStore.Get("Files", "Dir").value_or(""), dir.string());
  const auto summary = host.StatusTexts(kStatusSummary);
  EXPECT_NE(std::find(summary.begin(), summary.end(), "Frames : 3 Imagesize : 64x48"), summary.end());
  EXPECT_EQ(s.WindowCaption, "Lumivane processing BMP: " + (dir / "f0.bmp").string() + " (64x48)");
  EXPECT_EQ(FrameListItemText(s, 1), "f1.bmp");
  ReadFrame(s, 2);
  EXPECT_EQ(s.Work.Bitmap, Gradient(64, 48, false));
}

TEST_F(OpenFixture, MissingOrBrokenFilesLeaveTheSessionAsItWas) {
  std::vector<std::string> good = {Bmp("a.bmp", Gradient(32, 32, false)), Bmp("b.bmp", Gradient(32, 32, false))};
  ASSERT_TRUE(STARTFILESELECTION(s, {good, 0}));
  const std::string broken = (dir / "broken.bmp").string();
  std::ofstream(broken, std::ios::binary) << "BM\x10\x00";
  struct Case { std::vector<std::string> files; const char* title; };
  const Case cases[] = {
      {{(dir / "gone.bmp").string()}, "Missing file"},
      {{broken}, "Open error"},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(STARTFILESELECTION(s, {c.files, 0}));
    const Message m = host.Messages().back();
    EXPECT_EQ(m.Title, c.title);
    EXPECT_NE(m.Text.find(c.files.front()), std::string::npos) << m.Text;
    EXPECT_EQ(s.Frames.FrameCount, 2);
    EXPECT_EQ(s.AlignState, 1);
    EXPECT_EQ(s.FrameW, 32);
  }
  EXPECT_EQ(host.Messages()[0].Text, "non existing file :" + (dir / "gone.bmp").string());
}

TEST_F(OpenFixture, ColourQuestionsFollowTheColourTest) {
  std::vector<std::string> colour = {Bmp("c1.bmp", Gradient(200, 200, true)), Bmp("c2.bmp", Gradient(200, 200, true))};
  host.Answer(kResultYes, true);
  ASSERT_TRUE(STARTFILESELECTION(s, {colour, 0}));
  Message m = host.Messages().back();
  EXPECT_EQ(m.Title, "Colourimage");
  EXPECT_EQ(m.Text, "Image seems to be in colour, process in colour ?");
  EXPECT_EQ(m.CheckText, "Do not ask this again, autodetect colour/B-W ");
  EXPECT_TRUE(s.Controls.Checked("Colourstack"));
  EXPECT_TRUE(s.Controls.Checked("Colourprocess2"));
  EXPECT_TRUE(s.Controls.Checked("AutoDetectColour"));  // the box was ticked
  // Autodetecting now: a grey set unchecks colour without asking.
  const size_t asked = host.Messages().size();
  std::vector<std::string> grey = {Bmp("g1.bmp", Gradient(200, 200, false)), Bmp("g2.bmp", Gradient(200, 200, false))};
  ASSERT_TRUE(STARTFILESELECTION(s, {grey, 0}));
  EXPECT_EQ(host.Messages().size(), asked);
  EXPECT_FALSE(s.Controls.Checked("Colourstack"));
}

TEST_F(OpenFixture, ASingleImageIsTwoIdenticalFrames) {
  const std::string one = Bmp("single.bmp", Gradient(40, 30, false));
  bool stacked = false;
  s.StackSingleImage = [&](Session& x) {
    stacked = true;
    x.StageReached = 3;
  };
  ASSERT_TRUE(STARTFILESELECTION(s, {{one}, 0}));
  EXPECT_TRUE(s.SingleImage);
  EXPECT_TRUE(stacked);
  EXPECT_EQ(s.Frames.FrameCount, 2);
  EXPECT_EQ(s.Frames.FrameFileNames[1], one);
  EXPECT_EQ(s.Frames.QualityOrder[1].Quality, 1.0f);
  EXPECT_EQ(s.ViewState, 7);  // 5, then the wavelet tab
  EXPECT_EQ(s.SelectedTab, 2);
}

TEST_F(OpenFixture, DroppedFilesOfAnotherKindAreSkipped) {
  Image16 px(16, 8);
  px.Pixel(3, 2)[0] = 0x1234;
  const std::string png = (dir / "a.png").string();
  codecs::WritePNG16(png, px);
  const std::string bmp = Bmp("b.bmp", Gradient(16, 8, false));
  ASSERT_TRUE(PJFormDropFiles1DropFiles(s, {png, bmp}));
  EXPECT_EQ(s.Source, SourceKind::Png);
  EXPECT_TRUE(s.SingleImage);  // only the PNG: one frame
  EXPECT_TRUE(s.DeepPng);
  EXPECT_EQ(s.Work.DeepFrame.Pixel(3, 2)[0], 0x1234);
  EXPECT_EQ(s.Work.DeepFrame.Width(), 17);  // (w + 1) x (h + 1)

  EXPECT_FALSE(PJFormDropFiles1DropFiles(s, {(dir / "x.txt").string()}));
  EXPECT_EQ(host.Messages().back().Title, "Warning");
  EXPECT_EQ(host.Messages().back().Text, "Used File-format not available for drag&drop");
}

TEST_F(OpenFixture, StretchPolicyAsksOnlyWhenSetToAsk) {
  host.Answer(kResultYes, true);
  EXPECT_TRUE(DecideStretch(s, "Tiff format"));
  EXPECT_EQ(host.Messages().back().Text, "Stretch intensity-levels ");
  EXPECT_EQ(host.Messages().back().CheckText, "Make my choice the default for TIF/FITS");
  EXPECT_EQ(s.Controls.Index("Fittifstretch"), 1);  // made the default
  EXPECT_EQ(s.Controls.Index("RecFITTIFSTRETCH"), 1);
  const size_t asked = host.Messages().size();
  EXPECT_TRUE(DecideStretch(s, "Fit format"));
  s.Controls.SetIndex("Fittifstretch", 2);
  EXPECT_FALSE(DecideStretch(s, "Fit format"));
  EXPECT_EQ(host.Messages().size(), asked);
}

TEST_F(OpenFixture, SlotReadsReportWhatTheySawWithoutTouchingTheSession) {
  std::vector<std::string> files = {Bmp("m_R.bmp", Gradient(8, 8, false)), Bmp("m_G.bmp", Gradient(8, 8, false))};
  ASSERT_TRUE(STARTFILESELECTION(s, {files, 0}));
  s.Controls.SetChecked("Colourstack", false);
  s.Frames.FrameChannelTag[1] = kTagNone;
  SlotReadLog log;
  ReadFrameToSlot(s, 3, 1, log);
  EXPECT_EQ(s.Slots[3].SlotImage, Gradient(8, 8, false));
  EXPECT_EQ(s.Frames.FrameChannelTag[1], kTagNone);  // not yet
  EXPECT_FALSE(s.Controls.Checked("Colourstack"));
  MergeSlotLog(s, log);
  EXPECT_EQ(s.Frames.FrameChannelTag[1], kTagRed);  // m_G sorts first, m_R is frame 1
  EXPECT_TRUE(s.Controls.Checked("Colourstack"));
}

}  // namespace lumivane::input

namespace lumivane::input {

TEST_F(OpenFixture, AClipboardPictureIsASingleImageKeptInTheWorkingFolder) {
  const Bitmap24 picture = Gradient(30, 20, false);
  ASSERT_TRUE(ClipboardFrontClick(s, picture));
  const std::string kept = (dir / "cliplumivane.bmp").string();
  EXPECT_EQ(s.Frames.FrameFileNames[0], kept);
  EXPECT_EQ(s.Frames.FrameFileNames[1], kept);
  EXPECT_TRUE(s.SingleImage);
  EXPECT_EQ(s.Source, SourceKind::Bmp);
  EXPECT_EQ(s.Data.StackSizeW, 30);
  ReadFrame(s, 1);
  EXPECT_EQ(s.Work.Bitmap, picture);
  EXPECT_FALSE(ClipboardFrontClick(s, Bitmap24()));
}

}  // namespace lumivane::input
