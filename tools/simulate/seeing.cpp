#include "seeing.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>

#include <opencv2/imgproc.hpp>

#include "platform/error.hpp"

namespace lumivane::simulate {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Uniform and normal numbers written out by hand, so that the same seed gives the same
// recording whatever library the tool is built with.
class Random {
 public:
  explicit Random(std::uint64_t seed) : gen_(seed) {}
  double Uniform() { return static_cast<double>(gen_() >> 11) * 0x1.0p-53; }
  double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
  double Normal() {
    if (hasSpare_) {
      hasSpare_ = false;
      return spare_;
    }
    double u = Uniform();
    while (u <= 0.0) u = Uniform();
    const double r = std::sqrt(-2.0 * std::log(u));
    const double a = kTwoPi * Uniform();
    spare_ = r * std::sin(a);
    hasSpare_ = true;
    return r * std::cos(a);
  }

 private:
  std::mt19937_64 gen_;
  double spare_ = 0;
  bool hasSpare_ = false;
};

std::uint64_t SplitMix(std::uint64_t x) {
  x += 0x9e3779b97f4a7c15ULL;
  x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
  x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
  return x ^ (x >> 31);
}

cv::Point2d FieldAt(const std::vector<FieldComponent>& field, double x, double y) {
  cv::Point2d d(0, 0);
  for (const FieldComponent& c : field) {
    const double s = c.AmplitudePx *
                     std::sin(kTwoPi * (x * std::cos(c.WaveAngleRad) + y * std::sin(c.WaveAngleRad)) /
                                  c.WavelengthPx + c.PhaseRad);
    d.x += s * std::cos(c.DirectionRad);
    d.y += s * std::sin(c.DirectionRad);
  }
  return d;
}

void PutLe32(char* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

}  // namespace

std::vector<FrameTruth> MakeTruth(const SimParams& p, int /*w*/, int /*h*/) {
  Random rng(p.Seed);
  std::vector<FrameTruth> out(static_cast<std::size_t>(std::max(p.Frames, 0)));
  double sx = 0, sy = 0;
  const auto walk = [&](double& s) {
    s += p.ShiftStepPx * rng.Normal();
    const double lim = p.ShiftLimitPx;
    if (lim > 0 && std::abs(s) > lim) s = std::copysign(std::max(0.0, 2 * lim - std::abs(s)), s);
  };
  const int k = std::max(p.FieldComponents, 0);
  for (FrameTruth& t : out) {
    walk(sx);
    walk(sy);
    t.ShiftX = sx;
    t.ShiftY = sy;
    t.BlurSigma = rng.Uniform(p.BlurSigmaMinPx, p.BlurSigmaMaxPx);
    t.RotationDeg = rng.Uniform(-p.RotationMaxDeg, p.RotationMaxDeg);
    // k sines of amplitude a in random directions: RMS length sqrt(k a^2 / 2).
    const double rms = rng.Uniform(p.FieldRmsMinPx, p.FieldRmsMaxPx);
    const double amp = k > 0 ? rms * std::sqrt(2.0 / k) : 0.0;
    t.Field.resize(static_cast<std::size_t>(k));
    for (FieldComponent& c : t.Field) {
      c.WavelengthPx = rng.Uniform(p.WavelengthMinPx, p.WavelengthMaxPx);
      c.PhaseRad = rng.Uniform(0, kTwoPi);
      c.WaveAngleRad = rng.Uniform(0, kTwoPi);
      c.DirectionRad = rng.Uniform(0, kTwoPi);
      c.AmplitudePx = amp;
    }
  }
  return out;
}

cv::Point2d TrueDisplacement(const FrameTruth& t, double x, double y, int w, int h) {
  const double cx = (w - 1) * 0.5, cy = (h - 1) * 0.5;
  const double a = t.RotationDeg * std::numbers::pi / 180.0;
  const double ca = std::cos(a), sa = std::sin(a);
  const double rx = cx + ca * (x - cx) - sa * (y - cy);
  const double ry = cy + sa * (x - cx) + ca * (y - cy);
  const cv::Point2d f = FieldAt(t.Field, x, y);
  return {rx - x + t.ShiftX + f.x, ry - y + t.ShiftY + f.y};
}

cv::Mat GreyReference(const cv::Mat& input) {
  if (input.depth() != CV_8U && input.depth() != CV_16U) throw Error("The image must have 8 or 16 bits a sample");
  cv::Mat f;
  input.convertTo(f, CV_32F, input.depth() == CV_8U ? 1.0 / 255.0 : 1.0 / 65535.0);
  if (f.channels() == 1) return f;
  if (f.channels() != 3) throw Error("The image must be grey or colour");
  cv::Mat grey;
  cv::transform(f, grey, cv::Matx13f(0.114f, 0.587f, 0.299f));
  return grey;
}

cv::Mat MakeFine(const cv::Mat& reference, int oversample) {
  if (oversample <= 1) return reference.clone();
  cv::Mat fine;
  cv::resize(reference, fine, cv::Size(reference.cols * oversample, reference.rows * oversample), 0, 0,
             cv::INTER_CUBIC);
  return fine;
}

std::uint64_t FrameNoiseSeed(std::uint64_t seed, int n) {
  return SplitMix(SplitMix(seed) ^ static_cast<std::uint64_t>(n + 1));
}

cv::Mat RenderFrame(const cv::Mat& reference, const cv::Mat& fine, int oversample, const FrameTruth& t,
                    const SimParams& p, std::uint64_t noiseSeed) {
  const int w = reference.cols, h = reference.rows;
  const double os = std::max(oversample, 1);
  cv::Mat mapX(h, w, CV_32F), mapY(h, w, CV_32F);
  // TrueDisplacement with the trigonometry of the angles worked out once a frame.
  struct Wave {
    double kx, ky, phase, dx, dy;
  };
  std::vector<Wave> waves;
  for (const FieldComponent& c : t.Field)
    waves.push_back({kTwoPi * std::cos(c.WaveAngleRad) / c.WavelengthPx, kTwoPi * std::sin(c.WaveAngleRad) / c.WavelengthPx,
                     c.PhaseRad, c.AmplitudePx * std::cos(c.DirectionRad), c.AmplitudePx * std::sin(c.DirectionRad)});
  const double cx = (w - 1) * 0.5, cy = (h - 1) * 0.5;
  const double a = t.RotationDeg * std::numbers::pi / 180.0;
  const double ca = std::cos(a), sa = std::sin(a);
  for (int y = 0; y < h; ++y) {
    float* mx = mapX.ptr<float>(y);
    float* my = mapY.ptr<float>(y);
    for (int x = 0; x < w; ++x) {
      cv::Point2d d(cx + ca * (x - cx) - sa * (y - cy) - x + t.ShiftX, cy + sa * (x - cx) + ca * (y - cy) - y + t.ShiftY);
      for (const Wave& v : waves) {
        const double s = std::sin(v.kx * x + v.ky * y + v.phase);
        d.x += s * v.dx;
        d.y += s * v.dy;
      }
      // Pixel centres: output pixel x covers fine pixels x * os .. x * os + os - 1.
      mx[x] = static_cast<float>((x + d.x + 0.5) * os - 0.5);
      my[x] = static_cast<float>((y + d.y + 0.5) * os - 0.5);
    }
  }
  cv::Mat frame;
  cv::remap(fine, frame, mapX, mapY, cv::INTER_CUBIC, cv::BORDER_REFLECT101);
  if (t.BlurSigma > 0) cv::GaussianBlur(frame, frame, cv::Size(0, 0), t.BlurSigma, t.BlurSigma, cv::BORDER_REFLECT101);

  const bool photon = p.PhotonsAtFullScale > 0, read = p.ReadNoise > 0;
  Random rng(noiseSeed);
  for (int y = 0; y < h; ++y) {
    float* row = frame.ptr<float>(y);
    for (int x = 0; x < w; ++x) {
      double v = row[x];
      if (photon) v += std::sqrt(std::max(v, 0.0) / p.PhotonsAtFullScale) * rng.Normal();
      if (read) v += p.ReadNoise * rng.Normal();
      row[x] = static_cast<float>(std::clamp(v, 0.0, 1.0));
    }
  }
  return frame;
}

cv::Mat Quantize(const cv::Mat& frame, int bits) {
  const double top = static_cast<double>((1 << bits) - 1);
  cv::Mat out(frame.size(), CV_16U);
  for (int y = 0; y < frame.rows; ++y) {
    const float* in = frame.ptr<float>(y);
    auto* o = out.ptr<std::uint16_t>(y);
    for (int x = 0; x < frame.cols; ++x)
      o[x] = static_cast<std::uint16_t>(std::lround(std::clamp(static_cast<double>(in[x]), 0.0, 1.0) * top));
  }
  return out;
}

SerWriter::SerWriter(const std::string& path, int width, int height, int bits)
    : path_(path), out_(path, std::ios::binary | std::ios::trunc), width_(width), height_(height), bits_(bits) {
  if (bits != 8 && bits != 16) throw Error("SER samples must have 8 or 16 bits");
  if (!out_) throw Error("Cannot write \"" + path + "\"");
  char header[178] = {};
  std::copy_n("LUCAM-RECORDER", 14, header);
  PutLe32(header + 14, 0);  // LuID
  PutLe32(header + 18, 0);  // ColorID: mono
  PutLe32(header + 22, 0);  // 16-bit samples little-endian
  PutLe32(header + 26, static_cast<std::uint32_t>(width));
  PutLe32(header + 30, static_cast<std::uint32_t>(height));
  PutLe32(header + 34, static_cast<std::uint32_t>(bits));
  PutLe32(header + 38, 0);  // frame count, written on Close
  std::copy_n("Lumivane seeing simulator", 25, header + 82);  // instrument
  out_.write(header, sizeof header);
  row_.resize(static_cast<std::size_t>(width) * (bits == 8 ? 1 : 2));
}

SerWriter::~SerWriter() {
  try {
    Close();
  } catch (...) {
  }
}

void SerWriter::WriteFrame(const cv::Mat& samples) {
  if (samples.type() != CV_16U || samples.cols != width_ || samples.rows != height_)
    throw Error("A SER frame must be " + std::to_string(width_) + " x " + std::to_string(height_) + " 16-bit samples");
  for (int y = 0; y < height_; ++y) {
    const auto* in = samples.ptr<std::uint16_t>(y);
    if (bits_ == 8) {
      for (int x = 0; x < width_; ++x) row_[x] = static_cast<char>(in[x] & 0xff);
    } else {
      for (int x = 0; x < width_; ++x) {
        row_[2 * x] = static_cast<char>(in[x] & 0xff);
        row_[2 * x + 1] = static_cast<char>(in[x] >> 8);
      }
    }
    out_.write(row_.data(), static_cast<std::streamsize>(row_.size()));
  }
  if (!out_) throw Error("Cannot write \"" + path_ + "\"");
  ++frames_;
}

void SerWriter::Close() {
  if (!out_.is_open()) return;
  char count[4];
  PutLe32(count, static_cast<std::uint32_t>(frames_));
  out_.seekp(38);
  out_.write(count, 4);
  out_.close();
  if (out_.fail()) throw Error("Cannot write \"" + path_ + "\"");
}

void WriteTruthCsv(const std::string& path, const std::vector<FrameTruth>& truth) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) throw Error("Cannot write \"" + path + "\"");
  std::fprintf(f, "frame,shift_x,shift_y,blur_sigma,rotation_deg");
  const std::size_t k = truth.empty() ? 0 : truth.front().Field.size();
  for (std::size_t i = 0; i < k; ++i)
    std::fprintf(f, ",wavelength%zu,phase%zu,wave_angle%zu,direction%zu,amplitude%zu", i, i, i, i, i);
  std::fprintf(f, "\n");
  for (std::size_t n = 0; n < truth.size(); ++n) {
    const FrameTruth& t = truth[n];
    std::fprintf(f, "%zu,%.9g,%.9g,%.9g,%.9g", n, t.ShiftX, t.ShiftY, t.BlurSigma, t.RotationDeg);
    for (const FieldComponent& c : t.Field)
      std::fprintf(f, ",%.9g,%.9g,%.9g,%.9g,%.9g", c.WavelengthPx, c.PhaseRad, c.WaveAngleRad, c.DirectionRad,
                   c.AmplitudePx);
    std::fprintf(f, "\n");
  }
  if (std::fclose(f) != 0) throw Error("Cannot write \"" + path + "\"");
}

}  // namespace lumivane::simulate
