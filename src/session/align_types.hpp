// Data of the alignment stage: the alignment point table, the region of interest and the
// scan area that restrict placement and stacking, the per-frame, per-point tracking results,
// the average geometry of the points and the per-point limits of the frame selection.
// The session owns one instance of each; the aligner and the limit fill them.
//
// Points are numbered from 1 everywhere (points list, files, results); slot 0 of every
// per-point array is not a point. Coordinates are frame pixels, x to the right, y downwards
// from the top row.
#pragma once
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumivane {

inline constexpr int kAlignPointSlots = 2003;       // slots 0..2002, points use 1..2002
inline constexpr int kMaxAlignPoints = kAlignPointSlots - 1;
inline constexpr int kMaxAutoAlignPoints = 1999;    // automatic placement stops here
inline constexpr int kAlignPointControlMax = 2000;  // upper end of the point-count controls
inline constexpr int kScanModePoints = 5;           // points kept by a frame scan
inline constexpr int kPointColumnsAtOpen = 101;     // result records per frame after opening
inline constexpr int kPointColumnsMultiFile = 100;  // the same for a multi-file video set

// One alignment point: its position in the reference frame, in pixels. Producers store whole
// numbers, so X and Y are integral in practice.
struct AlignPoint {
  float X = 0.0f;  // column, 0 = leftmost
  float Y = 0.0f;  // row, 0 = top
};

// The alignment point table with its count and the per-point use flag (the check marks of the
// stacking page's point list; stacking and the geometry skip points whose flag is 0).
struct AlignPoints {
  std::array<AlignPoint, kAlignPointSlots> Points{};
  std::array<std::uint8_t, kAlignPointSlots> Enabled;  // 1: the point takes part in stacking
  std::int32_t AlignPointCount = 0;                     // points 1..AlignPointCount are valid

  AlignPoints() { Enabled.fill(1); }

  AlignPoint& operator[](int k) { return Points[static_cast<size_t>(k)]; }
  const AlignPoint& operator[](int k) const { return Points[static_cast<size_t>(k)]; }

  bool Full() const { return AlignPointCount >= kMaxAlignPoints; }

  // Appends a point as number AlignPointCount + 1; refuses when every slot is taken.
  bool Append(AlignPoint p) {
    if (Full()) return false;
    ++AlignPointCount;
    Points[static_cast<size_t>(AlignPointCount)] = p;
    Enabled[static_cast<size_t>(AlignPointCount)] = 1;
    return true;
  }

  // No points, every use flag set.
  void Clear() {
    Points.fill(AlignPoint{});
    Enabled.fill(1);
    AlignPointCount = 0;
  }

  void EnableAll() { Enabled.fill(1); }
};

// Rectangle in frame pixels that keeps new points (and, with the region-of-interest stack
// size, the stack) inside it.
struct RegionOfInterest {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;

  // The middle half of a width x height image, as switching the region on proposes it.
  static RegionOfInterest MiddleHalf(int width, int height) {
    return {width / 4, height / 4, 3 * (width / 4), 3 * (height / 4)};
  }
};

// The smallest and largest whole-pixel displacement (ShiftX, ShiftY) that any point showed in
// any frame during the last alignment run. Exists is set once a run has computed it.
struct ScanArea {
  static constexpr std::int32_t kStartSmallest = 200;
  static constexpr std::int32_t kStartLargest = -200;

  std::int32_t MinShiftX = kStartSmallest;
  std::int32_t MaxShiftX = kStartLargest;
  std::int32_t MinShiftY = kStartSmallest;
  std::int32_t MaxShiftY = kStartLargest;
  bool Exists = false;

  // Back to the start bounds, before the first comparison of a run.
  void Reset() { *this = ScanArea{}; }
};

// The result of one alignment point in one frame. Shifts are pixels, tracked position minus
// reference position, x to the right and y downwards. The layout is the 56-byte record of
// the project data file (little-endian), so a block of records can be written as it is.
struct PointShift {
  std::int32_t ShiftX = 0;        // raw shift rounded to whole pixels
  std::int32_t ShiftY = 0;
  float StackShiftX = 0.0f;       // shift used for stacking this frame (raw, minus the
  float StackShiftY = 0.0f;       // average geometry with Correct geometry on)
  float Quality = 0.0f;           // local contrast around the tracked position
  float Difference = 0.0f;        // tracking error reported by the optical flow
  float RawShiftX = 0.0f;         // the measured shift
  float RawShiftY = 0.0f;
  float TrackedShiftX = 0.0f;     // the shift as tracked, kept when the point is replaced
  float TrackedShiftY = 0.0f;
  float AreaBrightness = 0.0f;    // mean grey value of the disc around the tracked position
  std::uint8_t Replaced = 0;      // 1: replaced by the frame's most common shift
  std::uint8_t Padding[3] = {0, 0, 0};
  std::int32_t QualityRank = 0;   // rank of this frame by this point's Quality, 0 = best
  std::int32_t Reserved = 0;      // unused tail of the record
};
static_assert(sizeof(PointShift) == 56);
static_assert(offsetof(PointShift, StackShiftX) == 8);
static_assert(offsetof(PointShift, Quality) == 16);
static_assert(offsetof(PointShift, AreaBrightness) == 40);
static_assert(offsetof(PointShift, Replaced) == 44);
static_assert(offsetof(PointShift, QualityRank) == 48);

// PointShift records of every frame (rows) and every point slot (columns), one contiguous
// array, row after row, so that each alignment job writes a contiguous block. Column 0 is not
// used by alignment (a loaded project keeps a copy of point 1 there). Opening a recording makes
// kPointColumnsAtOpen columns (kPointColumnsMultiFile for a multi-file set); alignment sizes the
// table to FrameCount + 1 rows of AlignPointCount + 1 columns.
class FramePointResults {
 public:
  FramePointResults() = default;
  FramePointResults(int rows, int columns) { Resize(rows, columns); }

  // Resizes and zero-fills every record.
  void Resize(int rows, int columns) {
    rows_ = rows < 0 ? 0 : rows;
    columns_ = columns < 0 ? 0 : columns;
    data_.assign(static_cast<size_t>(rows_) * static_cast<size_t>(columns_), PointShift{});
  }
  // Zero-fills every record, keeping the size.
  void Clear() { std::fill(data_.begin(), data_.end(), PointShift{}); }
  void Release() {
    rows_ = columns_ = 0;
    data_.clear();
    data_.shrink_to_fit();
  }

  int Rows() const { return rows_; }
  int Columns() const { return columns_; }
  bool Empty() const { return data_.empty(); }
  bool Contains(int frame, int point) const {
    return frame >= 0 && frame < rows_ && point >= 0 && point < columns_;
  }

  PointShift& operator()(int frame, int point) { return data_[Index(frame, point)]; }
  const PointShift& operator()(int frame, int point) const { return data_[Index(frame, point)]; }
  PointShift* Row(int frame) { return data_.data() + static_cast<size_t>(frame) * columns_; }
  const PointShift* Row(int frame) const { return data_.data() + static_cast<size_t>(frame) * columns_; }
  PointShift* Data() { return data_.data(); }
  const PointShift* Data() const { return data_.data(); }
  size_t Size() const { return data_.size(); }

 private:
  size_t Index(int frame, int point) const {
    return static_cast<size_t>(frame) * static_cast<size_t>(columns_) + static_cast<size_t>(point);
  }

  int rows_ = 0, columns_ = 0;
  std::vector<PointShift> data_;
};

// A pair of offsets in pixels (x to the right, y downwards).
struct PointOffset {
  float X = 0.0f;
  float Y = 0.0f;
};

// Per point k the mean over all frames of (raw shift of k minus raw shift of point 1), in
// pixels; point 1 has (0, 0). Indexed by point number.
struct AverageGeometry {
  std::array<PointOffset, kAlignPointSlots> Offsets{};

  PointOffset& operator[](int k) { return Offsets[static_cast<size_t>(k)]; }
  const PointOffset& operator[](int k) const { return Offsets[static_cast<size_t>(k)]; }
  void Clear() { Offsets.fill(PointOffset{}); }
};

// The limits of one alignment point that decide in which frames the point may be used.
struct PointLimit {
  static constexpr std::int32_t kNoDifferenceCut = 1000;  // per-mille position meaning no cutoff
  static constexpr float kNoDifferenceLimit = 0.0f;       // stacking replaces it by the largest difference
  static constexpr float kUnlimitedDifference = 1e37f;    // also means no limit

  float PointQualityLimit = 0.0f;      // minimum Quality of the point in a frame
  float PointQualityLimitCopy = 0.0f;  // the value the limit computed, kept for the graph
  std::int32_t PointQualityRank = 0;   // quality slider position that gave PointQualityLimit
  float PointDifferenceLimit = kNoDifferenceLimit;  // maximum Difference in a frame
  std::int32_t PointDifferenceCut = kNoDifferenceCut;  // per-mille difference cutoff position
  std::int32_t PointFrameCount = 0;    // frames in which the point qualifies
  float PointMaxDifference = 0.0f;     // largest Difference over the frames examined
};

// Per-point limits, indexed by point number.
struct PointLimits {
  std::array<PointLimit, kAlignPointSlots> Points{};

  PointLimit& operator[](int k) { return Points[static_cast<size_t>(k)]; }
  const PointLimit& operator[](int k) const { return Points[static_cast<size_t>(k)]; }
  void Clear() { Points.fill(PointLimit{}); }
};

}  // namespace lumivane
