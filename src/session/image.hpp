// The two pixel images of the program: 24-bit bitmaps (bytes blue, green, red, rows top to
// bottom; a grey picture has blue = green = red) and 48-bit images (three unsigned 16-bit
// samples red, green, blue per pixel). Both store rows contiguously without padding.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumivane {

class Bitmap24 {
 public:
  Bitmap24() = default;
  Bitmap24(int width, int height) { Allocate(width, height); }
  void Allocate(int width, int height) {
    width_ = width < 0 ? 0 : width;
    height_ = height < 0 ? 0 : height;
    data_.assign(static_cast<size_t>(width_) * height_ * 3, 0);
  }
  int Width() const { return width_; }
  int Height() const { return height_; }
  size_t Stride() const { return static_cast<size_t>(width_) * 3; }
  bool Empty() const { return data_.empty(); }
  std::uint8_t* Row(int y) { return data_.data() + static_cast<size_t>(y) * Stride(); }
  const std::uint8_t* Row(int y) const { return data_.data() + static_cast<size_t>(y) * Stride(); }
  std::uint8_t* Pixel(int x, int y) { return Row(y) + static_cast<size_t>(x) * 3; }
  const std::uint8_t* Pixel(int x, int y) const { return Row(y) + static_cast<size_t>(x) * 3; }
  std::uint8_t* Data() { return data_.data(); }
  const std::uint8_t* Data() const { return data_.data(); }
  size_t Bytes() const { return data_.size(); }
  bool operator==(const Bitmap24&) const = default;

 private:
  int width_ = 0, height_ = 0;
  std::vector<std::uint8_t> data_;
};

class Image16 {
 public:
  Image16() = default;
  Image16(int width, int height) { Allocate(width, height); }
  // Resizes and zero-fills.
  void Allocate(int width, int height) {
    width_ = width < 0 ? 0 : width;
    height_ = height < 0 ? 0 : height;
    data_.assign(static_cast<size_t>(width_) * height_ * 3, 0);
  }
  void Release() { width_ = height_ = 0; data_.clear(); data_.shrink_to_fit(); }
  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return data_.empty(); }
  std::uint16_t* Row(int y) { return data_.data() + static_cast<size_t>(y) * width_ * 3; }
  const std::uint16_t* Row(int y) const { return data_.data() + static_cast<size_t>(y) * width_ * 3; }
  std::uint16_t* Pixel(int x, int y) { return Row(y) + static_cast<size_t>(x) * 3; }
  const std::uint16_t* Pixel(int x, int y) const { return Row(y) + static_cast<size_t>(x) * 3; }
  std::uint16_t* Data() { return data_.data(); }
  const std::uint16_t* Data() const { return data_.data(); }
  bool operator==(const Image16&) const = default;

 private:
  int width_ = 0, height_ = 0;
  std::vector<std::uint16_t> data_;
};

}  // namespace lumivane
