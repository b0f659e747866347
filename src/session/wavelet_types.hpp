// Data of the wavelet stage: the processing area, the decomposed layers of that area, the
// kernels of the two filter methods, the denoise state, the display histograms, the processed
// image and the crop rectangle read by the savers.
//
// The three full-size work planes (red, green or luminance, blue; the residual after layer 6)
// and the scratch plane are planes of the ImageDataSection (image_data_section.hpp), sized
// (StackSizeW + 10) x (StackSizeH + 10); so is Processed16, the 16-bit twin of the processed
// picture. The types here hold only what is not in there.
#pragma once
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "session/image.hpp"
#include "session/plane.hpp"

namespace lumivane {

inline constexpr int kWaveletLayers = 6;     // detail layers 1..6
inline constexpr int kWaveletChannels = 3;   // 0 red, 1 green (mono, luminance), 2 blue
inline constexpr int kAreaPlaneMargin = 5;   // area planes are (AreaSize + 5) squared
inline constexpr int kDefaultAreaSize = 512;
inline constexpr int kFilterKernelTaps = 25;     // 5 x 5 kernel of the default method
inline constexpr int kKernelHalfWidth = 60;      // Gaussian and blur taps -60..60
inline constexpr int kKernelTaps = 2 * kKernelHalfWidth + 1;
inline constexpr int kLayer1HistogramBins = 10001;
inline constexpr int kDisplayHistogramBins = 262;  // bins 0..255 used

// The rectangle of the stack image that is decomposed at a time, in image pixels.
struct ProcessingArea {
  std::int32_t OriginX = 0;
  std::int32_t OriginY = 0;
  std::int32_t Width = kDefaultAreaSize;
  std::int32_t Height = kDefaultAreaSize;
};

// The processing area clipped to a W x H image; all bounds inclusive.
struct AreaRect {
  std::int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1;

  static AreaRect Of(const ProcessingArea& a, int width, int height) {
    return {std::max(a.OriginX, 0), std::max(a.OriginY, 0),
            std::min(a.OriginX + a.Width - 1, width - 1), std::min(a.OriginY + a.Height - 1, height - 1)};
  }
  bool Empty() const { return x1 < x0 || y1 < y0; }
};

// The decomposition of the processing area: DetailLayers[L][c] for layers L = 1..6 and
// channels c = 0..2, and at index 0 the recombined image of the area (the result planes).
// Each plane is (AreaSize + 5) x (AreaSize + 5) floats addressed [x - x0][y - y0] relative to
// the AreaRect; detail values are in the units of the stack image.
struct LayerSet {
  std::array<std::array<FloatPlane, kWaveletChannels>, kWaveletLayers + 1> DetailLayers;

  std::array<FloatPlane, kWaveletChannels>& ResultPlanes() { return DetailLayers[0]; }
  const std::array<FloatPlane, kWaveletChannels>& ResultPlanes() const { return DetailLayers[0]; }

  int AreaSize() const { return DetailLayers[0][0].Width(); }

  // (Re)allocates all area planes for an area size, zero-filled.
  void Allocate(int areaSize) {
    for (auto& layer : DetailLayers)
      for (auto& plane : layer) plane.Allocate(areaSize, areaSize, kAreaPlaneMargin);
  }
  void Clear() {
    for (auto& layer : DetailLayers)
      for (auto& plane : layer) plane.Clear();
  }
};

// Kernels of the two filter methods. FilterKernel entry Y * 5 + X is the tap at (X - 2, Y - 2),
// normalised by the sum of the spin values. GaussKernels[L] and BlurKernels[L] (L = 1..6) hold
// taps -60..60 at index k + 60; the radii say how far the convolution reaches (0..60).
struct WaveletKernels {
  std::array<float, kFilterKernelTaps> FilterKernel{};
  std::array<std::array<float, kKernelTaps>, kWaveletLayers + 1> GaussKernels{};
  std::array<std::array<float, kKernelTaps>, kWaveletLayers + 1> BlurKernels{};
  std::array<std::int32_t, kWaveletLayers + 1> GaussRadius{};
  std::array<std::int32_t, kWaveletLayers + 1> BlurRadius{};

  float& GaussTap(int layer, int k) { return GaussKernels[static_cast<size_t>(layer)][static_cast<size_t>(k + kKernelHalfWidth)]; }
  float GaussTap(int layer, int k) const { return GaussKernels[static_cast<size_t>(layer)][static_cast<size_t>(k + kKernelHalfWidth)]; }
  float& BlurTap(int layer, int k) { return BlurKernels[static_cast<size_t>(layer)][static_cast<size_t>(k + kKernelHalfWidth)]; }
  float BlurTap(int layer, int k) const { return BlurKernels[static_cast<size_t>(layer)][static_cast<size_t>(k + kKernelHalfWidth)]; }
};

// Layer-1 extremes of one channel over the processing area and the denoise thresholds derived
// from them, in stack units.
struct ChannelDenoiseStats {
  float Min = 0.0f;
  float Max = 0.0f;
  float Low = 0.0f;
  float High = 0.0f;
};

// State of the layer-1 denoising and the deringing: per-channel statistics, the 10001-bin
// histograms of layer 1 and the largest local deviation of the stack image.
struct DenoiseState {
  std::array<ChannelDenoiseStats, kWaveletChannels> DenoiseStats{};
  std::array<std::vector<std::int32_t>, kWaveletChannels> Layer1Histogram;
  float MaxRinging = 0.0f;

  DenoiseState() {
    for (auto& h : Layer1Histogram) h.assign(kLayer1HistogramBins, 0);
  }
};

// Histograms of the displayed result (red, green, blue, luminance), bins 0..255 of display
// values, cleared at the start of every recombination.
struct DisplayHistograms {
  enum Channel { kRed = 0, kGreen = 1, kBlue = 2, kLuminance = 3 };
  std::array<std::array<std::int32_t, kDisplayHistogramBins>, 4> Counts{};

  std::array<std::int32_t, kDisplayHistogramBins>& operator[](int channel) { return Counts[static_cast<size_t>(channel)]; }
  const std::array<std::int32_t, kDisplayHistogramBins>& operator[](int channel) const {
    return Counts[static_cast<size_t>(channel)];
  }
  void Clear() {
    for (auto& c : Counts) c.fill(0);
  }
};

// The picture of the processed-image view, W x H, 24-bit BGR, in displayed orientation.
// Its 16-bit twin Processed16 is the image data section's; the display pass keeps both in
// step. FullyProcessed says that the processing area covered, or "Do All" tiled, the image.
struct ProcessedImage {
  Bitmap24 DisplayBitmap;
  bool FullyProcessed = false;
};

// The crop rectangle that the savers honour, in image pixels.
struct CropRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
};

}  // namespace lumivane
