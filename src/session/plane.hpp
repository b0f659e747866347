// A two-dimensional array addressed (x, y), x to the right and y downwards, stored row
// after row so that it wraps as a cv::Mat without copying (see plane_mat.hpp).
// A plane has a logical size (width x height) and a margin of extra elements after the
// last column and the last row (a plane made for W x H with margin 10 holds
// (W + 10) x (H + 10) elements, indices 0 .. W + 9). Elements start zeroed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumivane {

template <typename T>
class Plane {
 public:
  Plane() = default;
  Plane(int width, int height, int margin = 0) { Allocate(width, height, margin); }

  // Resizes and zero-fills.
  void Allocate(int width, int height, int margin = 0) {
    width_ = width < 0 ? 0 : width;
    height_ = height < 0 ? 0 : height;
    margin_ = margin < 0 ? 0 : margin;
    stride_ = width_ + margin_;
    data_.assign(static_cast<size_t>(stride_) * static_cast<size_t>(height_ + margin_), T{});
  }
  void Release() { Allocate(0, 0, 0); data_.shrink_to_fit(); }
  void Fill(T value) { std::fill(data_.begin(), data_.end(), value); }
  void Clear() { Fill(T{}); }

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Margin() const { return margin_; }
  // Elements per row in memory, and rows in memory (both include the margin).
  int Stride() const { return stride_; }
  int AllocatedWidth() const { return stride_; }
  int AllocatedHeight() const { return height_ + margin_; }
  bool Empty() const { return data_.empty(); }

  T& operator()(int x, int y) { return data_[Index(x, y)]; }
  const T& operator()(int x, int y) const { return data_[Index(x, y)]; }
  T* Row(int y) { return data_.data() + static_cast<size_t>(y) * stride_; }
  const T* Row(int y) const { return data_.data() + static_cast<size_t>(y) * stride_; }
  T* Data() { return data_.data(); }
  const T* Data() const { return data_.data(); }
  size_t Size() const { return data_.size(); }

 private:
  size_t Index(int x, int y) const { return static_cast<size_t>(y) * stride_ + static_cast<size_t>(x); }

  int width_ = 0, height_ = 0, margin_ = 0, stride_ = 0;
  std::vector<T> data_;
};

using FloatPlane = Plane<float>;

}  // namespace lumivane
