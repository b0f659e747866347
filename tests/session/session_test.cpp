#include "session/session.hpp"

#include <gtest/gtest.h>

#include "session/plane_mat.hpp"
#include "session/rounding.hpp"
#include "support/test_host.hpp"

namespace lumivane {

TEST(Rounding, TiesGoToEven) {
  struct Case { double in; int out; };
  for (Case c : {Case{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {2.4999, 2}, {12.5, 12}})
    EXPECT_EQ(RoundInt(c.in), c.out) << c.in;
  EXPECT_EQ(ClampByte(255.5), 255);
  EXPECT_EQ(ClampByte(-3), 0);
  EXPECT_EQ(ClampByte(127.5), 128);
  EXPECT_EQ(ClampWord(70000), 65535);
}

TEST(Plane, RowsAreContiguousAndWrapAsMatWithoutCopy) {
  FloatPlane p(4, 3, 10);
  EXPECT_EQ(p.AllocatedWidth(), 14);
  EXPECT_EQ(p.AllocatedHeight(), 13);
  p(3, 2) = 7.5f;
  p(13, 12) = 1.0f;  // the last margin element
  cv::Mat m = AsMat(p);
  EXPECT_EQ(m.cols, 4);
  EXPECT_EQ(m.rows, 3);
  EXPECT_EQ(m.at<float>(2, 3), 7.5f);
  m.at<float>(0, 1) = 2.0f;
  EXPECT_EQ(p(1, 0), 2.0f);
  EXPECT_EQ(AsMatWithMargin(p).at<float>(12, 13), 1.0f);
  Bitmap24 b(3, 2);
  b.Pixel(2, 1)[0] = 200;  // blue
  EXPECT_EQ(AsMat(b).at<cv::Vec3b>(1, 2)[0], 200);
}

TEST(ImageDataSection, SizesFromTheStackSize) {
  Session s;
  test::TestHost host;
  s.SetHost(&host);
  struct Case { int w, h; };
  for (Case c : {Case{1, 1}, {640, 480}, {3, 1000}}) {
    s.SetupImageDataSection(c.w, c.h);
    const ImageDataSection& d = s.Data;
    EXPECT_EQ(d.StackSizeW, c.w);
    EXPECT_EQ(d.StackSizeH, c.h);
    for (const FloatPlane* p : {&d.StackPlanes[0], &d.StackPlanes[2], &d.AuxPlane, &d.WaveletPlanes[1],
                                &d.WaveletScratch, &d.Coverage, &d.FurtherStack}) {
      EXPECT_EQ(p->AllocatedWidth(), c.w + 10);
      EXPECT_EQ(p->AllocatedHeight(), c.h + 10);
    }
    EXPECT_EQ(d.Stack16.Width(), c.w);
    EXPECT_EQ(d.Processed16.Height(), c.h);
  }
  EXPECT_EQ(host.StatusTexts(kStatusSummary),
            (std::vector<std::string>{"Clearing old image datasection", "Setup new Image datasection",
                                      "Clearing old image datasection", "Setup new Image datasection",
                                      "Clearing old image datasection", "Setup new Image datasection"}));
  EXPECT_EQ(host.Memory().rfind(" Memory Used/Free/Total: ", 0), 0u);
  EXPECT_EQ(host.Memory().substr(host.Memory().size() - 2), "Mb");
}

TEST(ImageDataSection, ClearKeepsSizesAndNewSectionsAreZero) {
  Session s;
  s.SetupImageDataSection(5, 4);
  s.Data.StackPlanes[1](2, 2) = 3.0f;
  s.Data.Coverage(14, 13) = 1.0f;
  s.ClearImageDataSection();
  EXPECT_EQ(s.Data.StackPlanes[1](2, 2), 0.0f);
  EXPECT_EQ(s.Data.Coverage(14, 13), 0.0f);
  EXPECT_EQ(s.Data.Coverage.AllocatedWidth(), 15);
  s.Data.Stack16.Pixel(4, 3)[2] = 9;
  s.SetupImageDataSection(5, 4);
  EXPECT_EQ(s.Data.Stack16.Pixel(4, 3)[2], 0);
}

TEST(ImageDataSection, ProcessingAreaAndScrollPositions) {
  Session s;
  s.AreaSize = 512;
  s.FrameW = 2000;
  s.FrameH = 600;
  s.CentreX = 1000;
  s.CentreY = 300;
  s.SetupImageDataSection(2000, 600);
  EXPECT_EQ(s.Area.Width, 512);
  EXPECT_EQ(s.Area.Height, 512);
  EXPECT_EQ(s.Area.OriginX, (2000 - 512) / 2);
  EXPECT_EQ(s.Area.OriginY, (600 - 512) / 2);
  EXPECT_EQ(s.Scroll.RangeW, 2000);
  EXPECT_EQ(s.Scroll.PosX, 1000 - 408);
  EXPECT_EQ(s.Scroll.PosY, -1);  // 600 rows fit: not moved
  s.Controls.SetChecked("Drizzling", true);
  s.SetupImageDataSection(300, 200);
  EXPECT_EQ(s.Area.Width, 300);
  EXPECT_EQ(s.Area.OriginX, 0);
  EXPECT_EQ(s.Scroll.PosX, 2000 - 408);
}

TEST(FrameList, ResetClearsEverythingOpeningResets) {
  FrameList f;
  EXPECT_EQ(f.FrameFileNames.size(), 50001u);
  EXPECT_EQ(f.FrameChannelTag.size(), 50004u);
  EXPECT_EQ(f.AviFiles.size(), 101u);
  EXPECT_FALSE(f.AnyChannelTagged());
  f.FrameChannelTag[7] = kTagRed;
  f.FrameFileNames[3] = "x.png";
  f.ResizeEntries(10);
  f.Entries[2].Excluded = 1;
  EXPECT_TRUE(f.AnyChannelTagged());
  f.Reset();
  EXPECT_FALSE(f.AnyChannelTagged());
  EXPECT_TRUE(f.FrameFileNames[3].empty());
  EXPECT_TRUE(f.Entries.empty());
}

}  // namespace lumivane

#include "session/about.hpp"

namespace lumivane {

TEST(About, MemoryLinesInMegabytes) {
  EXPECT_EQ(FormatMegabytes(5.25), "   5.2");  // ties to even
  EXPECT_EQ(FormatMegabytes(1234.56), "1,234.6");
  EXPECT_EQ(FormatMegabytes(1234567.0), "1,234,567.0");
  platform::MemoryStatus m;
  m.totalPhysicalBytes = 4096ull << 20;
  m.freePhysicalBytes = 1024ull << 20;
  m.totalVirtualBytes = m.totalPhysicalBytes + (512ull << 20);
  m.freeVirtualBytes = m.freePhysicalBytes + (256ull << 20);
  m.workingSetBytes = 100ull << 20;
  auto lines = AboutLines("Linux 6.1 (x86_64)", m);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[1], "Current memory load: 75%");
  EXPECT_EQ(lines[2], "Free physical memory: 1,024.0 Mbytes");
  EXPECT_EQ(lines[3], "Used physical memory: 3,072.0 Mbytes");
  EXPECT_EQ(lines[4], "Used paging file memory:  256.0 Mbytes");
  EXPECT_EQ(lines[5], "Used virtual memory:  100.0 Mbytes");
}

}  // namespace lumivane
