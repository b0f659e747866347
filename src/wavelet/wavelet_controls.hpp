// Registers the controls of the wavelet stage: the step scheme, the default 5x5 filter, the
// per-layer Gaussian and blur widths, the six layer switches and weights.
#pragma once
#include <array>
#include <string>

namespace lumivane {
class Controls;
}

namespace lumivane::wavelet {

// Control names of layer L = 1..6 at index L - 1, spelt as the window spells them.
inline constexpr std::array<const char*, 6> kShowLayerNames = {"ShowLayer1", "Showlayer2", "Showlayer3",
                                                               "Showlayer4", "Showlayer5", "Showlayer6"};
inline constexpr std::array<const char*, 6> kLayerSliderNames = {"Layer1Slider", "Layer2slider", "Layer3slider",
                                                                 "layer4slider", "Layer5slider", "Layer6slider"};
inline constexpr std::array<const char*, 6> kGaussLayerNames = {"Gausslayer1", "Gausslayer2", "Gausslayer3",
                                                                "Gausslayer4", "Gausslayer5", "Gausslayer6"};
inline constexpr std::array<const char*, 6> kBlurLayerNames = {"BlurLayer1", "Blurlayer2", "Blurlayer3",
                                                               "Blurlayer4", "Blurlayer5", "Blurlayer6"};

// "Filter" + row + column of the default filter's 5x5 kernel, 0..4 each.
std::string FilterName(int row, int column);
// Value of that kernel entry as the window starts: 50 in the centre, 6 around it, 0 outside.
int DefaultFilterValue(int row, int column);

void RegisterWaveletControls(Controls& c);

}  // namespace lumivane::wavelet
