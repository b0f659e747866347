// A seeing simulator: turns a still image into a recording as the air would blur it.
// Every frame moves the whole image (a random walk), bends it locally (a sum of a few sine
// waves of displacement), may turn it about its centre, blurs it by a Gaussian whose width
// changes from frame to frame (so that the frames have a true quality order) and adds
// photon and read noise. Everything follows from the seed, so that a recording and the
// truth file written with it can be made again exactly.
//
// Brightness is a fraction of full scale, 0 .. 1; frames are quantised only when written.
#pragma once
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

namespace lumivane::simulate {

struct SimParams {
  int Frames = 100;
  std::uint64_t Seed = 1;
  double ShiftStepPx = 0.6;      // standard deviation of each step of the global random walk
  double ShiftLimitPx = 12.0;    // the walk is pulled back inside +-limit on each axis
  int FieldComponents = 4;       // sine waves of local displacement (0: none)
  double WavelengthMinPx = 100.0, WavelengthMaxPx = 300.0;
  double FieldRmsMinPx = 0.5, FieldRmsMaxPx = 1.5;  // RMS length of the local displacement
  double BlurSigmaMinPx = 0.6, BlurSigmaMaxPx = 2.5;  // 0 .. 0: no blur
  double RotationMaxDeg = 0.0;   // each frame turns by a uniform angle in +-max
  double PhotonsAtFullScale = 4000.0;  // photon noise: full scale collects this many (0: none)
  double ReadNoise = 0.002;      // standard deviation as a fraction of full scale (0: none)
  int Bits = 8;                  // 8 or 16 bits a written sample
  int Oversample = 4;            // the fine copy of the reference is this many times larger
};

// One sine wave of displacement: the vector Amplitude * sin(2 pi (u . p) / Wavelength +
// Phase) * (cos Direction, sin Direction), u the unit vector at angle WaveAngle.
struct FieldComponent {
  double WavelengthPx = 0, PhaseRad = 0, WaveAngleRad = 0, DirectionRad = 0, AmplitudePx = 0;
};

struct FrameTruth {
  double ShiftX = 0, ShiftY = 0;  // where the frame samples the reference, relative to the pixel
  double BlurSigma = 0;           // pixels of the output
  double RotationDeg = 0;         // about the centre ((w - 1) / 2, (h - 1) / 2)
  std::vector<FieldComponent> Field;
};

// The truth of every frame of a recording w x h, from the seed alone.
std::vector<FrameTruth> MakeTruth(const SimParams& p, int w, int h);

// The offset from output pixel (x, y) of the frame to the point of the reference it shows:
// rotation about the centre, then the global shift, then the local field at (x, y).
cv::Point2d TrueDisplacement(const FrameTruth& t, double x, double y, int w, int h);

// The input as the reference: grey (0.299 R + 0.587 G + 0.114 B for three channels) CV_32F
// scaled to 0 .. 1 from an 8-bit or 16-bit cv::Mat of 1 or 3 channels (B G R order).
cv::Mat GreyReference(const cv::Mat& input);
// The oversampled copy of the reference that frames are sampled from (bicubic).
cv::Mat MakeFine(const cv::Mat& reference, int oversample);

// Frame `t` of the recording, CV_32F at the size of `reference`, clamped to 0 .. 1.
cv::Mat RenderFrame(const cv::Mat& reference, const cv::Mat& fine, int oversample, const FrameTruth& t,
                    const SimParams& p, std::uint64_t noiseSeed);
// The noise seed of frame n, spread from the recording's seed.
std::uint64_t FrameNoiseSeed(std::uint64_t seed, int n);

// Samples 0 .. 2^bits - 1 (CV_16U) of a frame of brightness 0 .. 1, rounded.
cv::Mat Quantize(const cv::Mat& frame, int bits);

// A mono SER recording, written frame by frame; the frame count of the header is written
// on Close. 16-bit samples are little-endian. Throws Error when the file cannot be written.
class SerWriter {
 public:
  SerWriter(const std::string& path, int width, int height, int bits);
  ~SerWriter();
  SerWriter(const SerWriter&) = delete;
  SerWriter& operator=(const SerWriter&) = delete;
  // A CV_16U frame of the writer's size with samples below 2^bits.
  void WriteFrame(const cv::Mat& samples);
  void Close();

 private:
  std::string path_;
  std::ofstream out_;
  int width_, height_, bits_;
  int frames_ = 0;
  std::vector<char> row_;
};

// The truth file: a line of column names, then one line a frame: frame, shift_x, shift_y,
// blur_sigma, rotation_deg, then for each field component wavelength, phase, wave angle,
// direction, amplitude.
void WriteTruthCsv(const std::string& path, const std::vector<FrameTruth>& truth);

}  // namespace lumivane::simulate
