#include "input/colour_test.hpp"

namespace lumivane::input {

bool colourimage(const Bitmap24& picture) {
  const int w1 = picture.Width() - 1, h1 = picture.Height() - 1;
  if (w1 <= 0 || h1 <= 0) return false;
  const int sx = w1 / 100, sy = h1 / 100;
  int nx = 100, ny = 100;
  if (sx > 0 && w1 <= sx * 100) nx = (w1 - 10) / sx;
  if (sy > 0 && h1 <= sy * 100) ny = (h1 - 10) / sy;
  // Small pictures (side below 101) have a step of 0: look at every pixel of the first
  // row or column instead of reading outside the picture.
  const int stepX = sx > 0 ? sx : 1, stepY = sy > 0 ? sy : 1;
  if (sx == 0) nx = w1;
  if (sy == 0) ny = h1;
  for (int r = 0; r <= ny; ++r) {
    const int y = r * stepY;
    if (y > h1) break;
    for (int k = 0; k <= nx; ++k) {
      const int x = k * stepX;
      if (x > w1) break;
      const std::uint8_t* p = picture.Pixel(x, y);
      if (p[1] != p[2] || p[0] != p[2]) return true;
    }
  }
  return false;
}

}  // namespace lumivane::input
