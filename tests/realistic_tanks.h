#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tarvol::sample {

// A realistic tank per catalogue key: D = 3000, L = 10 000 and heads to match.
inline const std::map<std::string_view, std::vector<double>> kRealistic = {
    {"sphere", {3000}},
    {"vertical-cylinder", {5000, 3000}},
    {"vertical-ellipse", {5000, 3000, 2000}},
    {"vertical-spherical-heads", {5000, 3000, 100, 500}},
    {"vertical-elliptic-heads", {5000, 3000, 100, 750}},
    {"vertical-cone-heads", {5000, 3000, 100, 800}},
    {"vertical-frustum-heads", {5000, 3000, 100, 800, 600}},
    {"vertical-torispherical-heads", {5000, 3000, 100, 581, 3000, 300}},
    {"horizontal-cylinder", {10000, 3000}},
    {"horizontal-ellipse", {10000, 3000, 2000}},
    {"horizontal-spherical-heads", {10000, 3000, 100, 500}},
    {"horizontal-elliptic-heads", {10000, 3000, 100, 750}},
    {"horizontal-cone-heads", {10000, 3000, 100, 800}},
    {"horizontal-frustum-heads", {10000, 3000, 100, 800, 1000}},
    {"horizontal-torispherical-heads", {10000, 3000, 100, 581, 3000, 300}},
    {"box", {10000, 2000, 3000}},
    {"rounded-box", {10000, 2000, 3000, 300}},
    {"d-tank", {2000, 800, 300, 1500, 2000, 60, 3}},
    {"inclined-cylinder", {10000, 3000, 300, 9000}},
    {"inclined-ellipse", {10000, 3000, 2000, 300, 9000}},
    {"inclined-spherical-heads", {10000, 3000, 100, 500, 300, 9000}},
    {"inclined-elliptic-heads", {10000, 3000, 100, 750, 300, 9000}},
    {"inclined-cone-heads", {10000, 3000, 100, 800, 300, 9000}},
    {"inclined-frustum-heads", {10000, 3000, 100, 800, 1000, 300, 9000}},
    {"inclined-torispherical-heads", {10000, 3000, 100, 581, 3000, 300, 300, 9000}},
    {"inclined-box", {10000, 2000, 3000, 300, 9000}},
};

// A test row's name from a catalogue key.
inline std::string rowName(std::string_view key)
{
    std::string name(key);
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

} // namespace tarvol::sample
