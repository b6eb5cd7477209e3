#pragma once

#include <string>

namespace tarvol {

// Fixed-point text of a value: one rounding, half away from zero, at the precision-th significant
// digit or the digits-th decimal, whichever comes first; exponent form past precision integer digits.
std::string formatFixed(double value, int precision, int digits, char separator);

// Shortest text with up to 15 significant digits; whole values come out as plain digits.
std::string formatGeneral(double value, char separator);

} // namespace tarvol
