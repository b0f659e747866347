// The float planes and 16-bit result images that stacking, wavelet sharpening and masking
// work in, all sized from the stack size. Planes hold (W + 10) x (H + 10) elements.
#pragma once
#include <array>

#include "session/image.hpp"
#include "session/plane.hpp"

namespace lumivane {

struct ImageDataSection {
  int StackSizeW = 0;
  int StackSizeH = 0;
  std::array<FloatPlane, 3> StackPlanes;    // stack image red, green, blue
  FloatPlane AuxPlane;                      // loaded luminance image or sharpening mask
  std::array<FloatPlane, 3> WaveletPlanes;  // wavelet work planes
  FloatPlane WaveletScratch;
  FloatPlane Coverage;                      // how many frames covered each stack pixel
  FloatPlane FurtherStack;                  // extra stacking plane (unless switched off)
  bool FurtherStackEnabled = true;
  Image16 Stack16;                          // W x H, R G B
  Image16 Processed16;                      // W x H, R G B

  // Zeroes every plane, keeping the sizes.
  void Clear();
  // Makes every plane (W + 10) x (H + 10) and both 16-bit images W x H, all zeroed.
  void Allocate(int w, int h);
};

}  // namespace lumivane
