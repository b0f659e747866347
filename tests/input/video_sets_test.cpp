// Opening video files: one file, a multi-file set in name or time order, and reading
// frames across the files of a set.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <filesystem>

#include "avi_writer.hpp"
#include "input/frame_reader.hpp"
#include "input/input_controls.hpp"
#include "input/open_recording.hpp"
#include "input/source_kind.hpp"
#include "platform/error.hpp"
#include "input_fixture.hpp"

namespace fs = std::filesystem;

namespace lumivane::input {

namespace {

// An 8-bit grey AVI whose frame f has every sample equal to base + f.
std::string GreyAvi(const fs::path& path, int frames, int base, int w = 8, int h = 6) {
  testavi::AviContent c;
  c.Width = w;
  c.Height = h;
  c.BitCount = 8;
  for (int i = 0; i < 256; ++i) c.Palette.insert(c.Palette.end(), {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});
  const int stride = (w + 3) & ~3;
  for (int f = 0; f < frames; ++f) c.Frames.emplace_back(static_cast<size_t>(stride * h), std::uint8_t(base + f));
  testavi::WriteFile(path.string(), testavi::MakeAvi(c));
  return path.string();
}

void SetTime(const std::string& path, long seconds) {
  utimbuf t{seconds, seconds};
  ::utime(path.c_str(), &t);
}

using VideoSets = InputFixture;

}  // namespace

TEST_F(VideoSets, OneFileOpensWithItsFramesAndCaption) {
  const std::string f = GreyAvi(dir / "moon.avi", 5, 10);
  ASSERT_TRUE(STARTFILESELECTION(s, {{f}, 0}));
  EXPECT_EQ(s.Source, SourceKind::Video);
  EXPECT_FALSE(s.IndexedSource);
  EXPECT_EQ(s.Frames.FrameCount, 5);
  EXPECT_EQ(s.FrameW, 8);
  EXPECT_EQ(s.WindowCaption, "Lumivane processing AVI: moon.avi (vidsDIB ) (8x6)");
  EXPECT_EQ(s.KeyStore.Get("Files", "Lasttype").value_or(""), "AVI");
  EXPECT_EQ(s.Controls.Index("Avi_processing_mode"), 0);
  ReadFrame(s, 4);
  EXPECT_EQ(s.Work.Bitmap.Pixel(3, 2)[1], 14);
  EXPECT_EQ(host.StatusTexts(kStatusActivity).back(), "Loading frame: 5");
  SlotReadLog log;
  ReadFrameToSlot(s, 2, 3, log);
  EXPECT_EQ(s.Slots[2].SlotImage.Pixel(0, 0)[0], 13);
}

TEST_F(VideoSets, MultiFileSetsRunInNameOrTimeOrderWithoutGaps) {
  // Names a, b, c with file dates 2, 1, 3.
  const std::string a = GreyAvi(dir / "a.avi", 3, 100), b = GreyAvi(dir / "b.avi", 2, 50), c = GreyAvi(dir / "c.avi", 4, 200);
  SetTime(a, 2000000);
  SetTime(b, 1000000);
  SetTime(c, 3000000);
  struct Case { bool byTime; std::vector<std::string> order; };
  for (const Case& k : {Case{false, {a, b, c}}, Case{true, {b, a, c}}}) {
    s.Controls.SetChecked("MultipleAVIsortontime", k.byTime);
    ASSERT_TRUE(STARTFILESELECTION(s, {{c, a, b}, 0}));
    EXPECT_EQ(s.Frames.LastAviFile, 2);
    EXPECT_EQ(s.Frames.FrameCount, 9);
    EXPECT_EQ(s.Frames.Entries.size(), 10u);  // FrameCount + 1 for a multi-file set
    EXPECT_EQ(s.FramePointResults.Columns(), 100);
    int next = 0;
    for (int i = 0; i < 3; ++i) {
      const AviFileEntry& e = s.Frames.AviFiles[static_cast<size_t>(i)];
      EXPECT_EQ(e.FileName, k.order[static_cast<size_t>(i)]) << "by time " << k.byTime;
      EXPECT_EQ(e.FirstFrame, next);
      next = e.LastFrame + 1;
    }
  }
  // Time order b(2 frames), a(3), c(4): global frame 4 is a's frame 2, frame 5 is c's frame 0.
  ReadFrame(s, 4);
  EXPECT_EQ(s.Work.Bitmap.Pixel(0, 0)[0], 102);
  ReadFrame(s, 5);
  EXPECT_EQ(s.Work.Bitmap.Pixel(0, 0)[0], 200);
  SlotReadLog log;
  ReadFrameToSlot(s, 1, 8, log);
  EXPECT_EQ(s.Slots[1].SlotImage.Pixel(0, 0)[0], 203);
  EXPECT_THROW(ReadFrame(s, 9), Error);
}

TEST_F(VideoSets, AForcedOrUnreadableStreamGoesToTheIndexedReader) {
  const std::string f = GreyAvi(dir / "m.avi", 4, 0);
  s.Controls.SetChecked("ForceExtendedVideo", true);
  ASSERT_TRUE(STARTFILESELECTION(s, {{f}, 0}));
  EXPECT_TRUE(s.ExtendedVideo);
  EXPECT_TRUE(s.IndexedSource);
  EXPECT_TRUE(s.ActiveOptions[kOptionExtendedAvi]);
  EXPECT_EQ(s.Controls.Index("Avi_processing_mode"), 1);
  EXPECT_EQ(s.WindowCaption, "Lumivane processing Extended:m.avi frame 0 (8x6)");
  ReadFrame(s, 3);
  EXPECT_EQ(s.Work.Bitmap.Pixel(0, 0)[0], 3);
}

}  // namespace lumivane::input

namespace lumivane::input {

TEST_F(VideoSets, ResortingASetByDateRecomputesTheRanges) {
  const std::string a = GreyAvi(dir / "a.avi", 3, 100), b = GreyAvi(dir / "b.avi", 2, 50);
  SetTime(a, 2000000);
  SetTime(b, 1000000);
  ASSERT_TRUE(STARTFILESELECTION(s, {{a, b}, 0}));  // name order: a then b
  ReadFrame(s, 3);
  EXPECT_EQ(s.Work.Bitmap.Pixel(0, 0)[0], 50);
  s.Controls.SetChecked("AviSortRecord", true);
  AviSortClick(s);  // date order: b then a
  EXPECT_EQ(s.Frames.AviFiles[0].FileName, b);
  EXPECT_EQ(s.Frames.AviFiles[1].FirstFrame, 2);
  ReadFrame(s, 3);
  EXPECT_EQ(s.Work.Bitmap.Pixel(0, 0)[0], 101);
}

}  // namespace lumivane::input
