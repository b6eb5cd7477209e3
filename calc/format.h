#pragma once

#include <string>

namespace tarvol {

// Volumes are printed with 0 to kMaxDecimals digits after the separator.
inline constexpr int kMaxDecimals = 3;
inline constexpr bool validDecimals(int decimals) { return decimals >= 0 && decimals <= kMaxDecimals; }
// A number of decimals as a run takes it: anything out of range counts as none.
inline constexpr int runDecimals(int decimals) { return validDecimals(decimals) ? decimals : 0; }

// Fixed-point text of a value: one rounding, half away from zero, at the precision-th significant
// digit or the digits-th decimal, whichever comes first; exponent form past precision integer digits.
std::string formatFixed(double value, int precision, int digits, char separator);

// Shortest text with up to 15 significant digits; whole values come out as plain digits.
std::string formatGeneral(double value, char separator);

} // namespace tarvol
