// Views of planes and images as cv::Mat, sharing memory (no copy). Only code that calls
// OpenCV includes this header.
#pragma once
#include <opencv2/core/mat.hpp>

#include "session/image.hpp"
#include "session/plane.hpp"

namespace lumivane {

template <typename T>
struct MatType;
template <> struct MatType<float> { static constexpr int value = CV_32FC1; };
template <> struct MatType<double> { static constexpr int value = CV_64FC1; };
template <> struct MatType<std::uint8_t> { static constexpr int value = CV_8UC1; };
template <> struct MatType<std::uint16_t> { static constexpr int value = CV_16UC1; };
template <> struct MatType<std::int32_t> { static constexpr int value = CV_32SC1; };

// The logical width x height area of the plane.
template <typename T>
cv::Mat AsMat(Plane<T>& p) {
  return cv::Mat(p.Height(), p.Width(), MatType<T>::value, p.Data(), static_cast<size_t>(p.Stride()) * sizeof(T));
}

// The whole allocation, margin included.
template <typename T>
cv::Mat AsMatWithMargin(Plane<T>& p) {
  return cv::Mat(p.AllocatedHeight(), p.AllocatedWidth(), MatType<T>::value, p.Data(),
                 static_cast<size_t>(p.Stride()) * sizeof(T));
}

inline cv::Mat AsMat(Bitmap24& b) { return cv::Mat(b.Height(), b.Width(), CV_8UC3, b.Data(), b.Stride()); }
inline cv::Mat AsMat(Image16& im) {
  return cv::Mat(im.Height(), im.Width(), CV_16UC3, im.Data(), static_cast<size_t>(im.Width()) * 6);
}

}  // namespace lumivane
