#include "session/image_data_section.hpp"

#include "session/limits.hpp"

namespace lumivane {

void ImageDataSection::Clear() {
  for (auto& p : StackPlanes) p.Clear();
  for (auto& p : WaveletPlanes) p.Clear();
  AuxPlane.Clear();
  WaveletScratch.Clear();
  Coverage.Clear();
  FurtherStack.Clear();
}

void ImageDataSection::Allocate(int w, int h) {
  StackSizeW = w;
  StackSizeH = h;
  for (auto& p : StackPlanes) p.Allocate(w, h, kPlaneMargin);
  for (auto& p : WaveletPlanes) p.Allocate(w, h, kPlaneMargin);
  AuxPlane.Allocate(w, h, kPlaneMargin);
  WaveletScratch.Allocate(w, h, kPlaneMargin);
  Coverage.Allocate(w, h, kPlaneMargin);
  if (FurtherStackEnabled) FurtherStack.Allocate(w, h, kPlaneMargin);
  else FurtherStack.Release();
  Stack16.Allocate(w, h);
  Processed16.Allocate(w, h);
}

}  // namespace lumivane
