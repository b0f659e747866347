// The seeing simulator: the same seed makes the same recording, the truth it reports is
// where the frames really sample the reference, the SER files read back sample for sample
// and wider blur gives softer frames.
#include <cmath>
#include <filesystem>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>
#include <opencv2/imgproc.hpp>

#include "input/ser_reader.hpp"
#include "seeing.hpp"

namespace lumivane::simulate {
namespace {

// A smooth scene with details a few pixels across, so that a displacement shows.
cv::Mat SmoothScene(int w, int h) {
  cv::Mat m(h, w, CV_32F);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      m.at<float>(y, x) = static_cast<float>(0.5 + 0.2 * std::sin(x / 7.0) * std::cos(y / 9.0) +
                                             0.1 * std::sin((x + 2.0 * y) / 13.0));
  return m;
}

double Bilinear(const cv::Mat& m, double x, double y) {
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  const auto at = [&](int xx, int yy) { return static_cast<double>(m.at<float>(yy, xx)); };
  return (1 - fy) * ((1 - fx) * at(x0, y0) + fx * at(x0 + 1, y0)) +
         fy * ((1 - fx) * at(x0, y0 + 1) + fx * at(x0 + 1, y0 + 1));
}

double GradientEnergy(const cv::Mat& m) {
  cv::Mat gx, gy;
  cv::Sobel(m, gx, CV_32F, 1, 0);
  cv::Sobel(m, gy, CV_32F, 0, 1);
  return cv::sum(gx.mul(gx) + gy.mul(gy))[0];
}

SimParams Quiet() {
  SimParams p;
  p.PhotonsAtFullScale = 0;
  p.ReadNoise = 0;
  p.BlurSigmaMinPx = p.BlurSigmaMaxPx = 0;
  return p;
}

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("lumivane_sim_" + std::to_string(::getpid()) + "_" + name))
      .string();
}

TEST(SeeingSimulator, SameSeedSameRecordingOtherSeedOther) {
  const cv::Mat ref = SmoothScene(96, 80);
  const cv::Mat fine = MakeFine(ref, 2);
  SimParams p;
  p.Frames = 5;
  p.RotationMaxDeg = 1.0;
  SimParams other = p;
  other.Seed = p.Seed + 1;
  const auto a = MakeTruth(p, ref.cols, ref.rows), b = MakeTruth(p, ref.cols, ref.rows);
  const auto c = MakeTruth(other, ref.cols, ref.rows);
  ASSERT_EQ(a.size(), 5u);
  for (std::size_t n = 0; n < a.size(); ++n) {
    EXPECT_EQ(a[n].ShiftX, b[n].ShiftX);
    EXPECT_EQ(a[n].ShiftY, b[n].ShiftY);
    EXPECT_EQ(a[n].BlurSigma, b[n].BlurSigma);
    EXPECT_EQ(a[n].RotationDeg, b[n].RotationDeg);
    ASSERT_EQ(a[n].Field.size(), b[n].Field.size());
    for (std::size_t k = 0; k < a[n].Field.size(); ++k) {
      EXPECT_EQ(a[n].Field[k].PhaseRad, b[n].Field[k].PhaseRad);
      EXPECT_EQ(a[n].Field[k].AmplitudePx, b[n].Field[k].AmplitudePx);
    }
    EXPECT_NE(a[n].ShiftX, c[n].ShiftX);
    EXPECT_GE(a[n].BlurSigma, p.BlurSigmaMinPx);
    EXPECT_LE(a[n].BlurSigma, p.BlurSigmaMaxPx);
    EXPECT_LE(std::abs(a[n].RotationDeg), p.RotationMaxDeg);

    const cv::Mat f1 = RenderFrame(ref, fine, 2, a[n], p, FrameNoiseSeed(p.Seed, static_cast<int>(n)));
    const cv::Mat f2 = RenderFrame(ref, fine, 2, b[n], p, FrameNoiseSeed(p.Seed, static_cast<int>(n)));
    const cv::Mat f3 = RenderFrame(ref, fine, 2, c[n], other, FrameNoiseSeed(other.Seed, static_cast<int>(n)));
    EXPECT_EQ(cv::norm(f1, f2, cv::NORM_INF), 0.0) << "frame " << n;
    EXPECT_GT(cv::norm(f1, f3, cv::NORM_L1) / f1.total(), 1e-3) << "frame " << n;
  }
  EXPECT_NE(FrameNoiseSeed(7, 0), FrameNoiseSeed(7, 1));
  EXPECT_NE(FrameNoiseSeed(7, 0), FrameNoiseSeed(8, 0));
}

TEST(SeeingSimulator, FieldHasTheAskedStrength) {
  SimParams p;
  p.Frames = 20;
  for (const FrameTruth& t : MakeTruth(p, 256, 256)) {
    FrameTruth fieldOnly = t;
    fieldOnly.ShiftX = fieldOnly.ShiftY = 0;
    double sum = 0;
    int count = 0;
    for (int y = 0; y < 1200; y += 15)
      for (int x = 0; x < 1200; x += 15) {
        const cv::Point2d d = TrueDisplacement(fieldOnly, x, y, 256, 256);
        sum += d.x * d.x + d.y * d.y;
        ++count;
      }
    const double rms = std::sqrt(sum / count);
    EXPECT_GT(rms, 0.5 * 0.75);
    EXPECT_LT(rms, 1.5 * 1.25);
  }
}

struct GeometryCase {
  const char* name;
  double rotationMaxDeg;
  int oversample;
};

class TruthMatchesRendering : public ::testing::TestWithParam<GeometryCase> {};

TEST_P(TruthMatchesRendering, FrameShowsTheReferenceWhereTheTruthSays) {
  const GeometryCase& g = GetParam();
  const int w = 160, h = 128, border = 20;
  const cv::Mat ref = SmoothScene(w, h);
  const cv::Mat fine = MakeFine(ref, g.oversample);
  SimParams p = Quiet();
  p.Frames = 4;
  p.ShiftStepPx = 1.5;
  p.RotationMaxDeg = g.rotationMaxDeg;
  p.Oversample = g.oversample;
  const auto truth = MakeTruth(p, w, h);
  for (int n = 0; n < p.Frames; ++n) {
    const cv::Mat f = RenderFrame(ref, fine, g.oversample, truth[n], p, FrameNoiseSeed(p.Seed, n));
    double diffTruth = 0, diffStill = 0;
    int count = 0;
    for (int y = border; y < h - border; ++y)
      for (int x = border; x < w - border; ++x) {
        const cv::Point2d d = TrueDisplacement(truth[n], x, y, w, h);
        const double v = f.at<float>(y, x);
        diffTruth += std::abs(v - Bilinear(ref, x + d.x, y + d.y));
        diffStill += std::abs(v - ref.at<float>(y, x));
        ++count;
      }
    diffTruth /= count;
    diffStill /= count;
    EXPECT_LT(diffTruth, 0.5 / 255.0) << "frame " << n;
    // The frame really is displaced: the truth explains it far better than no movement.
    EXPECT_GT(diffStill, 10 * diffTruth) << "frame " << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, TruthMatchesRendering,
                         ::testing::Values(GeometryCase{"NoRotation", 0.0, 4}, GeometryCase{"Rotated", 3.0, 4},
                                           GeometryCase{"NotOversampled", 0.0, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

class SerRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(SerRoundTrip, ReadsBackTheRenderedSamples) {
  const int bits = GetParam();
  const int w = 37, h = 23;  // odd width: no row padding may creep in
  cv::Mat ref = SmoothScene(w, h);
  ref.at<float>(0, 0) = 1.0f;  // full scale reaches the top sample
  SimParams p;
  p.Frames = 3;
  p.Bits = bits;
  p.BlurSigmaMinPx = p.BlurSigmaMaxPx = 0;
  p.ShiftStepPx = 0;
  p.FieldComponents = 0;
  p.PhotonsAtFullScale = 0;
  const cv::Mat fine = MakeFine(ref, p.Oversample);
  const auto truth = MakeTruth(p, w, h);
  const std::string path = TempPath("roundtrip" + std::to_string(bits) + ".ser");
  std::vector<cv::Mat> written;
  {
    SerWriter ser(path, w, h, bits);
    for (int n = 0; n < p.Frames; ++n) {
      written.push_back(Quantize(RenderFrame(ref, fine, p.Oversample, truth[n], p, FrameNoiseSeed(p.Seed, n)), bits));
      ser.WriteFrame(written.back());
    }
    ser.Close();
  }
  double top = 0;
  cv::minMaxLoc(written[0], nullptr, &top);
  EXPECT_EQ(top, (1 << bits) - 1);

  input::SerFile f;
  f.Open(path);
  EXPECT_EQ(f.Header().Width, w);
  EXPECT_EQ(f.Header().Height, h);
  EXPECT_EQ(f.Header().PixelDepth, bits);
  EXPECT_EQ(f.Header().ColorId, 0);
  EXPECT_EQ(f.Header().FrameCount, p.Frames);
  EXPECT_EQ(f.Header().FramesInFile, static_cast<std::uint64_t>(p.Frames));
  FloatPlane raw;
  for (int n = 0; n < p.Frames; ++n) {
    f.ReadFrame(n, raw);
    int mismatches = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (raw(x, y) != written[n].at<std::uint16_t>(y, x)) ++mismatches;
    EXPECT_EQ(mismatches, 0) << "frame " << n;
  }
  f.Close();
  std::filesystem::remove(path);
}

INSTANTIATE_TEST_SUITE_P(Depths, SerRoundTrip, ::testing::Values(8, 16));

TEST(SeeingSimulator, WiderBlurGivesSofterFrames) {
  // Sharp-edged squares: blur of every width takes something away.
  cv::Mat ref(128, 128, CV_32F);
  for (int y = 0; y < ref.rows; ++y)
    for (int x = 0; x < ref.cols; ++x) ref.at<float>(y, x) = ((x / 8 + y / 8) % 2) ? 0.8f : 0.2f;
  const cv::Mat fine = MakeFine(ref, 4);
  const SimParams p = Quiet();
  const double sigmas[] = {0.0, 0.6, 1.0, 1.6, 2.5};
  double previous = 0;
  for (double s : sigmas) {
    FrameTruth t;
    t.BlurSigma = s;
    const double e = GradientEnergy(RenderFrame(ref, fine, 4, t, p, 1));
    if (s > 0) {
      EXPECT_LT(e, 0.95 * previous) << "sigma " << s;
    }
    previous = e;
  }
}

}  // namespace
}  // namespace lumivane::simulate
