// The program's one rounding rule and the byte/word clamps every result goes through.
// "round" is round to nearest with ties to even; "trunc" cuts toward zero.
#pragma once
#include <cmath>
#include <cstdint>

namespace lumivane {

inline double RoundEven(double v) { return std::nearbyint(v); }  // default FE_TONEAREST mode
inline int RoundInt(double v) { return static_cast<int>(std::nearbyint(v)); }
inline long long RoundInt64(double v) { return static_cast<long long>(std::nearbyint(v)); }

inline std::uint8_t ClampByte(double v) {
  if (!(v > 0.0)) return 0;  // also NaN
  if (v >= 255.0) return 255;
  return static_cast<std::uint8_t>(std::nearbyint(v));
}

inline std::uint16_t ClampWord(double v) {
  if (!(v > 0.0)) return 0;
  if (v >= 65535.0) return 65535;
  return static_cast<std::uint16_t>(std::nearbyint(v));
}

}  // namespace lumivane
