#pragma once

// The files a sensor table is saved as: one row per format, read by the command line and the window alike.

#include <span>
#include <string>
#include <string_view>

#include "sensor/sensor.h"

namespace tarvol::sensor {

struct Format {
    std::string_view key;    // the command line's --format value
    std::string_view filter; // the save dialog's filter
    std::string_view suffix; // without the dot
    std::string (*write)(const Table& table, const Breakpoints& points);
};

std::span<const Format> formats();
const Format* findFormat(std::string_view key);
const Format* formatBySuffix(std::string_view suffix); // case-insensitive

} // namespace tarvol::sensor
