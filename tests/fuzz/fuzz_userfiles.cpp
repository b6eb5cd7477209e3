// libFuzzer entry: the input's first byte picks the reader, the rest is a file a user hands us — a fill log of
// running volumes or of doses, or a deadwood list. A reader refuses with a sentence, or gives points and items
// that are finite, within the shape's limits and in order; a deadwood list writes back to the same items.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "calc/catalogue.h"
#include "fit/filllog.h"
#include "tank/deadwood.h"

namespace {

void fillLog(std::string_view text, bool doses, int shape)
{
    tarvol::LogOptions options;
    options.doses = doses;
    options = tarvol::withShapeLimits(options, shape);
    const auto log = tarvol::parseFillLog(text, options);
    if (!log) {
        if (tarvol::logRefusalText(log.error()).empty())
            std::abort();
        return;
    }
    const tarvol::FillPoint* before = nullptr;
    for (const auto& point : log->points) {
        if (!std::isfinite(point.level) || !std::isfinite(point.volume) || std::abs(point.level) > options.largestLevel
            || std::abs(point.volume) > options.largestVolume)
            std::abort();
        if (before
            && (point.volume < before->volume || before->level - point.level > options.levelNoise
                || point.line <= before->line))
            std::abort();
        before = &point;
    }
}

void deadwoodList(std::string_view text)
{
    const auto items = tarvol::parseDeadwoodCsv(text);
    if (!items) {
        if (tarvol::deadwoodCsvErrorText(items.error(), "fuzz.csv").empty())
            std::abort();
        return;
    }
    const auto again = tarvol::parseDeadwoodCsv(tarvol::deadwoodCsv(*items));
    if (!again || *again != *items)
        std::abort();
    tarvol::Deadwood deadwood;
    deadwood.items = *items;
    for (const auto& item : *items)
        if (tarvol::itemFault(item) || !std::isfinite(tarvol::deadwoodCorrection(deadwood, item.to)))
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const int shape = data[0] % tarvol::kShapeCount;
    switch (data[0] % 3) {
    case 0:
        fillLog(text, false, shape);
        break;
    case 1:
        fillLog(text, true, shape);
        break;
    default:
        deadwoodList(text);
    }
    return 0;
}
