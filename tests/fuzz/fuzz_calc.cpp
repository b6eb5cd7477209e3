// libFuzzer entry: the first byte picks the shape, the rest are field texts separated by blanks.

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "calc/catalogue.h"
#include "calc/run.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int shape = data[0] % tarvol::kShapeCount;
    std::vector<std::string> texts(1);
    for (size_t i = 1; i < size && texts.size() <= 9; ++i) {
        if (data[i] == ' ')
            texts.emplace_back();
        else
            texts.back().push_back(static_cast<char>(data[i]));
    }
    std::atomic<bool> cancel{false};
    const auto start = std::chrono::steady_clock::now();
    tarvol::RunOptions o;
    o.decimalPlaces = data[0] / tarvol::kShapeCount % 4;
    o.separator = data[0] & 1 ? ',' : '.';
    o.cancel = &cancel;
    // huge tanks are the window's business (progress and cancel); here they only have to stop cleanly
    o.progress = [&](double) {
        if (std::chrono::steady_clock::now() - start > std::chrono::seconds(1))
            cancel = true;
    };
    const auto out = tarvol::calculateFromTexts(shape, texts, o);
    if (!out.ok()) {
        if (out.refusal() && out.refusal()->message.empty())
            std::abort();
        return 0;
    }
    const auto& r = out.result();
    if (!std::isfinite(r.sumVolume) || !std::isfinite(r.trueVolume) || r.trueVolume < 0)
        std::abort();
    double previous = 0;
    for (const auto& row : r.rows) {
        if (!std::isfinite(row.volumeValue) || row.volumeValue < previous)
            std::abort();
        previous = row.volumeValue;
    }
    if (previous > r.sumVolume)
        std::abort();
    return 0;
}
