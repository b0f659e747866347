#include "wavelet/wavelet_controls.hpp"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "session/controls.hpp"

namespace lumivane::wavelet {

std::string FilterName(int row, int column) {
  return "Filter" + std::to_string(row) + std::to_string(column);
}

int DefaultFilterValue(int row, int column) {
  const int ring = std::max(std::abs(row - 2), std::abs(column - 2));
  return ring == 0 ? 50 : ring == 1 ? 6 : 0;
}

void RegisterWaveletControls(Controls& c) {
  const std::string s = "wavelet";

  // Step scheme of the six layers.
  c.AddChoice(s, "Waveletscheme", {"Dyadic (2^n)", "Linear"}, 1);
  c.AddInt(s, "LevelStep", 1, 32, 1);
  c.AddInt(s, "Multiplicant", 0, 32, 0);

  // Default filter method: the 5x5 kernel, integer entries without bounds.
  for (int row = 0; row < 5; ++row)
    for (int column = 0; column < 5; ++column)
      c.AddInt(s, FilterName(row, column), std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
               DefaultFilterValue(row, column));

  // Gaussian method: width of each layer and of its pre-blur (0 = no pre-blur).
  for (const char* name : kGaussLayerNames) c.AddDouble(s, name, 0.0, 300.0, 0.1, 0.01, 3);
  for (const char* name : kBlurLayerNames) c.AddDouble(s, name, 0.0, 100.0, 0.0, 0.05, 2);
  c.AddCheck(s, "LinkLayers1", false, "Use Linked Wavelets");

  // Layer switches (caption: layer number and step) and weights (weight = position / 10).
  for (size_t i = 0; i < kShowLayerNames.size(); ++i)
    c.AddCheck(s, kShowLayerNames[i], true, std::to_string(i + 1) + " : 1");
  for (const char* name : kLayerSliderNames) c.AddSlider(s, name, -50, 1000, 0);
  // A session reset keeps the layer weights while this is checked.
  c.AddCheck(s, "HoldWavelets", false);

  c.AddCheck(s, "Showprocessingarea", false, "Show Processing Area");
}

}  // namespace lumivane::wavelet
