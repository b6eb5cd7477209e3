#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

// Published figures the tests hold the program to, kept once: the spherical tank of D 1000 mm at its 100 mm step,
// three decimals and a decimal comma, with its error line and its accuracy report.
namespace tarvol::published {

struct Row {
    int level;
    const char* volume;
};

inline constexpr std::array<Row, 10> kSphereRows{{{100, "14,661"},
                                                  {200, "54,454"},
                                                  {300, "113,097"},
                                                  {400, "184,307"},
                                                  {500, "261,800"},
                                                  {600, "339,292"},
                                                  {700, "410,502"},
                                                  {800, "469,145"},
                                                  {900, "508,938"},
                                                  {1000, "523,599"}}};

inline constexpr const char* kSphereErrorLine = "Погрешность расчётов: 0,000050 %.";
inline constexpr const char* kSphereReport =
    "Расcчитанный объём емкости: 523,599 л.\nИстинный объём ёмкости: 523,599 л.\n"
    "Погрешность расчётов: 0,000050 %.";

// The volume printed at `level`, a multiple of 100 from 100 to 1000.
constexpr const char* sphereVolume(int level) { return kSphereRows[static_cast<std::size_t>(level / 100 - 1)].volume; }

// A figure as a user with a decimal point reads it.
inline std::string withPoint(std::string text)
{
    std::replace(text.begin(), text.end(), ',', '.');
    return text;
}

} // namespace tarvol::published
