// lumivane-simulate INPUT.png -o OUT.ser [options]: a recording of a still image as the air
// would blur it, with the truth of every frame beside it.
#include <algorithm>
#include <cctype>
#include <memory>
#include <filesystem>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "codecs/png_codec.hpp"
#include "codecs/tiff_codec.hpp"
#include "platform/error.hpp"
#include "seeing.hpp"

namespace {

using lumivane::Error;
namespace sim = lumivane::simulate;

constexpr const char* kUsage =
    "usage: lumivane-simulate INPUT.png -o OUT.ser|OUT.png|OUT.tif [--frames N] [--seed S] [--bits 8|16]\n"
    "                         [--truth TRUTH.csv] [--reference REF.png] [--rotation DEG]\n"
    "                         [--blur MIN,MAX] [--shift-step PX] [--field-rms MIN,MAX]\n"
    "                         [--photons N] [--read-noise F] [--oversample K]\n";

template <typename T>
T Number(const std::string& opt, const std::string& text) {
  T v{};
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, v);
  if (ec != std::errc() || ptr != end) throw Error("Bad value for " + opt + ": \"" + text + "\"");
  return v;
}

void Range(const std::string& opt, const std::string& text, double& lo, double& hi) {
  const auto comma = text.find(',');
  if (comma == std::string::npos) throw Error(opt + " takes MIN,MAX");
  lo = Number<double>(opt, text.substr(0, comma));
  hi = Number<double>(opt, text.substr(comma + 1));
  if (lo > hi) throw Error(opt + ": MIN is above MAX");
}

cv::Mat InputMat(const lumivane::codecs::PngImage& png) {
  if (png.SixteenBit) {
    const lumivane::Image16& s = png.Samples;
    cv::Mat m(s.Height(), s.Width(), CV_16UC3);
    for (int y = 0; y < s.Height(); ++y) {
      const std::uint16_t* in = s.Row(y);
      auto* out = m.ptr<std::uint16_t>(y);
      for (int x = 0; x < s.Width(); ++x) {  // R G B into B G R
        out[3 * x] = in[3 * x + 2];
        out[3 * x + 1] = in[3 * x + 1];
        out[3 * x + 2] = in[3 * x];
      }
    }
    return m;
  }
  const lumivane::Bitmap24& b = png.Picture;
  return cv::Mat(b.Height(), b.Width(), CV_8UC3, const_cast<std::uint8_t*>(b.Data())).clone();
}

void WriteReference(const std::string& path, const cv::Mat& reference) {
  lumivane::Image16 img(reference.cols, reference.rows);
  for (int y = 0; y < reference.rows; ++y) {
    const float* in = reference.ptr<float>(y);
    std::uint16_t* out = img.Row(y);
    for (int x = 0; x < reference.cols; ++x) {
      const double v = std::clamp(static_cast<double>(in[x]), 0.0, 1.0);
      out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = static_cast<std::uint16_t>(std::lround(v * 65535.0));
    }
  }
  lumivane::codecs::WritePNG16(path, img);
}

int Run(int argc, char** argv) {
  std::string input, output, truthPath, referencePath;
  sim::SimParams p;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!a.empty() && a[0] == '-') {
      if (i + 1 >= argc) throw Error(a + " needs a value");
      const std::string v = argv[++i];
      if (a == "-o") output = v;
      else if (a == "--frames") p.Frames = Number<int>(a, v);
      else if (a == "--seed") p.Seed = Number<std::uint64_t>(a, v);
      else if (a == "--bits") p.Bits = Number<int>(a, v);
      else if (a == "--truth") truthPath = v;
      else if (a == "--reference") referencePath = v;
      else if (a == "--rotation") p.RotationMaxDeg = Number<double>(a, v);
      else if (a == "--blur") Range(a, v, p.BlurSigmaMinPx, p.BlurSigmaMaxPx);
      else if (a == "--field-rms") Range(a, v, p.FieldRmsMinPx, p.FieldRmsMaxPx);
      else if (a == "--shift-step") p.ShiftStepPx = Number<double>(a, v);
      else if (a == "--photons") p.PhotonsAtFullScale = Number<double>(a, v);
      else if (a == "--read-noise") p.ReadNoise = Number<double>(a, v);
      else if (a == "--oversample") p.Oversample = Number<int>(a, v);
      else throw Error("Unknown option " + a);
    } else if (input.empty()) {
      input = a;
    } else {
      throw Error("More than one input: \"" + a + "\"");
    }
  }
  if (input.empty() || output.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (p.Bits != 8 && p.Bits != 16) throw Error("--bits must be 8 or 16");
  if (p.Frames < 1) throw Error("--frames must be at least 1");
  if (p.Oversample < 1 || p.Oversample > 8) throw Error("--oversample must be 1 to 8");

  const auto start = std::chrono::steady_clock::now();
  const cv::Mat reference = sim::GreyReference(InputMat(lumivane::codecs::ReadPNG(input)));
  const cv::Mat fine = sim::MakeFine(reference, p.Oversample);
  const std::vector<sim::FrameTruth> truth = sim::MakeTruth(p, reference.cols, reference.rows);
  // OUT.png / OUT.tif: an image set OUT_00000.png, ... of 16-bit grey frames; else a SER.
  std::string ext = std::filesystem::path(output).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const bool imageSet = ext == ".png" || ext == ".tif" || ext == ".tiff";
  std::unique_ptr<sim::SerWriter> ser;
  if (!imageSet) ser = std::make_unique<sim::SerWriter>(output, reference.cols, reference.rows, p.Bits);
  for (int n = 0; n < p.Frames; ++n) {
    const cv::Mat frame = sim::RenderFrame(reference, fine, p.Oversample, truth[static_cast<std::size_t>(n)], p,
                                           sim::FrameNoiseSeed(p.Seed, n));
    if (!imageSet) {
      ser->WriteFrame(sim::Quantize(frame, p.Bits));
      continue;
    }
    const cv::Mat q = sim::Quantize(frame, 16);
    lumivane::Image16 img(q.cols, q.rows);
    for (int y = 0; y < q.rows; ++y) {
      const std::uint16_t* in = q.ptr<std::uint16_t>(y);
      std::uint16_t* o = img.Row(y);
      for (int x = 0; x < q.cols; ++x) o[3 * x] = o[3 * x + 1] = o[3 * x + 2] = in[x];
    }
    char number[16];
    std::snprintf(number, sizeof number, "_%05d", n);
    const std::filesystem::path base(output);
    const std::string name = (base.parent_path() / (base.stem().string() + number + ext)).string();
    if (ext == ".png") lumivane::codecs::WritePNG16(name, img);
    else lumivane::codecs::WriteTIFF(img, name);
  }
  if (ser) ser->Close();
  if (!truthPath.empty()) sim::WriteTruthCsv(truthPath, truth);
  if (!referencePath.empty()) WriteReference(referencePath, reference);
  const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%d frames of %d x %d at %d bits written to %s in %.2f s\n", p.Frames, reference.cols, reference.rows,
              imageSet ? 16 : p.Bits, imageSet ? (std::filesystem::path(output).stem().string() + "_NNNNN" + ext).c_str()
                                               : output.c_str(),
              secs);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lumivane-simulate: %s\n", e.what());
    return 1;
  }
}
