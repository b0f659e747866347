// Display parameters of the finishing tools that the recombination applies per pixel: the
// gamma tables, the stretch bounds, the RGB balance and the shifts of the red and blue planes.
// They are session values: a new image does not reset them; the session reset does.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumivane {

inline constexpr int kGammaTableMax = 65000;             // entries 0..65000
inline constexpr int kGammaTableSize = kGammaTableMax + 1;
inline constexpr int kGammaTables = 4;                   // red, green, blue, master
inline constexpr int kMasterLUT = 3;

// Four lookup tables of 65001 doubles: 0 red, 1 green, 2 blue, 3 the master table built from
// the curve. Entry i is the output, as a fraction 0..1 of full scale, for the input i / 65000
// of the stacked value range. GammaValue[k] is the gamma of table k as last set by a power
// table. The tables start as the identity, gamma 1.
struct GammaLUT {
  std::array<std::vector<double>, kGammaTables> Tables;
  std::array<float, kGammaTables> GammaValue{1.0f, 1.0f, 1.0f, 1.0f};

  GammaLUT() { SetIdentity(); }

  std::vector<double>& operator[](int k) { return Tables[static_cast<size_t>(k)]; }
  const std::vector<double>& operator[](int k) const { return Tables[static_cast<size_t>(k)]; }
  std::vector<double>& MasterLUT() { return Tables[kMasterLUT]; }
  const std::vector<double>& MasterLUT() const { return Tables[kMasterLUT]; }

  void SetIdentity() {
    for (auto& t : Tables) {
      t.resize(kGammaTableSize);
      for (int i = 0; i < kGammaTableSize; ++i) t[static_cast<size_t>(i)] = static_cast<double>(i) / kGammaTableMax;
    }
    GammaValue.fill(1.0f);
  }
};

// Per-channel stretch limits in display units (0..255 after gamma and brightness), indexed
// 1 red, 2 green, 3 blue, 4 all (entry 0 is only touched by the resets). StretchLow/High are
// applied by the recombination for 1..3; HistoViewLow/High is the value range the histogram
// markers span.
struct StretchBounds {
  static constexpr int kEntries = 5;
  static constexpr int kRed = 1, kGreen = 2, kBlue = 3, kAll = 4;

  std::array<float, kEntries> StretchLow{0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  std::array<float, kEntries> StretchHigh{255.0f, 255.0f, 255.0f, 255.0f, 255.0f};
  std::array<float, kEntries> HistoViewLow{0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  std::array<float, kEntries> HistoViewHigh{255.0f, 255.0f, 255.0f, 255.0f, 255.0f};

  void Reset() { *this = StretchBounds{}; }
};

// RGB balance applied after the stretch: per channel (0 red, 1 green, 2 blue) the offset in
// display units (positions of the offset sliders, -100..100) and the factor (0.001..3).
struct RgbBalance {
  std::array<double, 3> BalanceFactor{1.0, 1.0, 1.0};
  std::array<std::int32_t, 3> BalanceOffset{0, 0, 0};

  void Reset() { *this = RgbBalance{}; }
};

// Integer displacement of a colour plane in image pixels: the plane's value at (x, y) is taken
// from the stack plane at (x + dx, y + dy).
struct ChannelShift {
  std::int32_t dx = 0;
  std::int32_t dy = 0;
};

// Area of the automatic RGB alignment estimate, in image pixels.
struct RgbAlignArea {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
};

// Shifts of the red and blue planes against the green plane, which never moves, and the area
// the estimate compares.
struct RgbAlignment {
  ChannelShift RedShift;
  ChannelShift BlueShift;
  RgbAlignArea RGBAlignRect;

  void ResetShifts() { RedShift = ChannelShift{}; BlueShift = ChannelShift{}; }
};

}  // namespace lumivane
