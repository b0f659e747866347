// Data of the stacking stage: the per-pixel geometry table and the stack image.
//
// The stack image's float planes (red, green, blue, the luminance plane L, which is the
// auxiliary plane AuxPlane, and the coverage plane) and the two 16-bit images Stack16 and
// Processed16 physically live in the ImageDataSection (image_data_section.hpp), sized from
// StackSizeW x StackSizeH. StackImage below therefore holds only what is not in there: the
// display bitmap, the intensity range and the geometry of the stack. Together with the image
// data section it makes up the stacked result.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "session/image.hpp"
#include "session/plane.hpp"

namespace lumivane {

inline constexpr int kMaxGeometryNeighbours = 4;  // slots per geometry cell (largest IDWPts)
inline constexpr int kGeometryMargin = 5;         // extra cells after the last column and row

// One cell of the geometry table: the nearest enabled alignment points of an output pixel,
// nearest first, and their normalised inverse-square-distance weights (the weights of the
// used slots sum to 1). Point numbers run from 1; 0 marks an empty slot with weight 0.
struct TPixelGeometry {
  std::int32_t Points[kMaxGeometryNeighbours] = {0, 0, 0, 0};
  float Weights[kMaxGeometryNeighbours] = {0.0f, 0.0f, 0.0f, 0.0f};
};

// Per output pixel of the stack area the cell above, addressed (x, y), x the column and y the
// row from the top. Allocated as (width + 5) x (height + 5) zeroed cells at each stacking run
// that builds it; only columns 0..width - 1 and rows 0..height - 1 are filled. It is kept after
// the run for the pointer readout; Built says whether the cells belong to the last run.
class GeometryTable {
 public:
  // Resizes to width x height (plus the margin) and zero-fills; Built becomes false.
  void Allocate(int width, int height) {
    cells_.Allocate(width, height, kGeometryMargin);
    built_ = false;
  }
  void Release() {
    cells_.Release();
    built_ = false;
  }

  int Width() const { return cells_.Width(); }    // stack area width of the last table
  int Height() const { return cells_.Height(); }  // stack area height of the last table
  bool Empty() const { return cells_.Empty(); }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < Width() && y < Height(); }

  bool Built() const { return built_; }
  void SetBuilt(bool built) { built_ = built; }

  TPixelGeometry& operator()(int x, int y) { return cells_(x, y); }
  const TPixelGeometry& operator()(int x, int y) const { return cells_(x, y); }
  TPixelGeometry* Row(int y) { return cells_.Row(y); }
  const TPixelGeometry* Row(int y) const { return cells_.Row(y); }

 private:
  Plane<TPixelGeometry> cells_;
  bool built_ = false;
};

// Size of the stack area in whole pixels of frame geometry (before scaling).
struct StackAreaSize {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
};

// Where the stack area's origin lies in frame pixels.
struct StackOriginPoint {
  std::int32_t OriginX = 0;
  std::int32_t OriginY = 0;
};

// Geometry of the last stack: the area, its origin, the scale factor that turned the area into
// the stack image size (1, the resample factor, or 2 for drizzling) and the sampling offset of
// the minimum and region-of-interest sizes, in frame pixels.
struct StackGeometry {
  StackAreaSize StackArea;
  StackOriginPoint StackOrigin;
  double ScaleFactor = 1.0;
  std::int32_t SampleOffsetX = 0;
  std::int32_t SampleOffsetY = 0;
};

// The parts of the stacked result that are not in the image data section: the 24-bit BGR
// picture of the Stack page (StackSizeW x StackSizeH), the intensity range that is mapped to
// 0..255 for display (StackingRange, in the units of the source; 0 and 255 for an unstretched
// 8-bit stack) and the geometry of the stack.
struct StackImage {
  Bitmap24 Display;
  float StackLow = 0.0f;     // StackingRange minimum
  float StackHigh = 255.0f;  // StackingRange maximum
  StackGeometry Geometry;
};

}  // namespace lumivane
