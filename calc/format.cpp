#include "calc/format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tarvol {
namespace {

// Decimal digits of |value| with the position of the first one: value = 0.d1d2d3... × 10^point.
struct Decimal {
    std::string digits;
    int point = 0;
    bool negative = false;
};

constexpr int kExactDigits = 40;

Decimal toDecimal(double value)
{
    Decimal d;
    d.negative = std::signbit(value) && value != 0.0;
    if (value == 0.0) {
        d.digits = "0";
        d.point = 1;
        return d;
    }
    // exact digits of the binary value, whatever the C locale's decimal point
    char buf[80];
    *std::to_chars(buf, buf + sizeof buf - 1, std::fabs(value), std::chars_format::scientific, kExactDigits - 1).ptr =
        0;
    const char* p = buf;
    d.digits.push_back(*p++);
    if (*p == '.')
        ++p;
    while (*p >= '0' && *p <= '9')
        d.digits.push_back(*p++);
    d.point = std::atoi(p + 1) + 1;
    return d;
}

// Keeps `keep` leading digits (may be 0 or negative), rounding half away from zero.
void roundTo(Decimal& d, int keep)
{
    if (keep >= static_cast<int>(d.digits.size()))
        return;
    if (keep < 0) {
        d.digits = "0";
        d.point = 1;
        return;
    }
    const bool up = d.digits[static_cast<size_t>(keep)] >= '5';
    d.digits.resize(static_cast<size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9')
            d.digits[static_cast<size_t>(i--)] = '0';
        if (i >= 0) {
            ++d.digits[static_cast<size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.point;
        }
    }
    if (d.digits.empty() || d.digits.find_first_not_of('0') == std::string::npos) {
        d.digits = "0";
        d.point = 1;
        d.negative = false;
    }
}

std::string exponentForm(Decimal d, int precision, char separator)
{
    roundTo(d, precision);
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    std::string out = d.negative ? "-" : "";
    out += d.digits[0];
    if (d.digits.size() > 1) {
        out += separator;
        out.append(d.digits, 1);
    }
    const int exponent = d.point - 1;
    char buf[16];
    std::snprintf(buf, sizeof buf, "E%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return out + buf;
}

char digitAt(const Decimal& d, int position)
{
    // position counts from the first digit after the point as 0 (so integer digits have negative positions)
    const int index = d.point + position;
    if (index < 0 || index >= static_cast<int>(d.digits.size()))
        return '0';
    return d.digits[static_cast<size_t>(index)];
}

} // namespace

std::string formatFixed(double value, int precision, int digits, char separator)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    Decimal d = toDecimal(value);
    if (d.point > precision)
        return exponentForm(d, precision, separator);
    roundTo(d, std::min(precision, d.point + digits));
    if (d.point > precision)
        return exponentForm(d, precision, separator);

    std::string out = d.negative ? "-" : "";
    if (d.point <= 0) {
        out += '0';
    } else {
        for (int i = -d.point; i < 0; ++i)
            out += digitAt(d, i);
    }
    if (digits > 0) {
        out += separator;
        for (int i = 0; i < digits; ++i)
            out += digitAt(d, i);
    }
    return out;
}

std::string formatGeneral(double value, char separator)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0.0)
        return "0";
    char buf[40];
    *std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::general, 15).ptr = 0;
    std::string out(buf);
    for (char& c : out)
        c = c == 'e' ? 'E' : c;
    const auto dot = out.find('.');
    if (dot != std::string::npos) {
        auto end = out.find('E');
        const auto mantissaEnd = end == std::string::npos ? out.size() : end;
        auto last = mantissaEnd;
        while (last > dot + 1 && out[last - 1] == '0')
            --last;
        if (last == dot + 1)
            --last;
        out.erase(last, mantissaEnd - last);
        out[dot] = separator;
    }
    return out;
}

} // namespace tarvol
