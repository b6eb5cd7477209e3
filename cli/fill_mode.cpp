#include "cli/fill_mode.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "calc/refusal.h"
#include "fit/filljson.h"
#include "fit/filllog.h"
#include "fit/fit.h"
#include "fit/report.h"

namespace tarvol::cli {
namespace {

constexpr int kExitRefused = 2;
constexpr int kExitUsage = 64;

std::string_view logFaultName(LogFault fault)
{
    switch (fault) {
    case LogFault::NotNumber:
        return "not_number";
    case LogFault::NotTwoFields:
        return "not_two_fields";
    case LogFault::LevelFalls:
        return "level_falls";
    case LogFault::VolumeFalls:
        return "volume_falls";
    case LogFault::TooFewPoints:
        return "too_few_points";
    }
    return "";
}

FillOutcome logRefused(const LogRefusal& refusal)
{
    FillOutcome out;
    out.status = kExitDataError;
    out.message = logRefusalText(refusal);
    out.logRefusal = refusal;
    return out;
}

} // namespace

nlohmann::ordered_json logRefusalJson(const LogRefusal& refusal)
{
    nlohmann::ordered_json body;
    body["kind"] = "fill_log";
    body["fault"] = logFaultName(refusal.fault);
    body["line"] = refusal.line > 0 ? nlohmann::ordered_json(refusal.line) : nlohmann::ordered_json(nullptr);
    if (refusal.fault == LogFault::TooFewPoints) {
        body["points"] = static_cast<int>(refusal.value);
        body["needed"] = refusal.needed;
    }
    body["message"] = logRefusalText(refusal);
    return nlohmann::ordered_json{{"refusal", body}};
}

FillOutcome runFill(const FillOptions& options, int shape, const std::vector<double>& dims, char separator)
{
    std::string text;
    if (options.file == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), {});
    } else {
        std::ifstream in(options.file, std::ios::binary);
        if (in)
            text.assign(std::istreambuf_iterator<char>(in), {});
        if (!in || in.bad()) {
            const int why = errno;
            return {.status = kExitNoInput,
                    .message = "не удалось прочитать журнал налива " + options.file + ": " + std::strerror(why),
                    .logRefusal = std::nullopt,
                    .report = {},
                    .fit = std::nullopt};
        }
    }
    auto log = parseFillLog(text, {.doses = options.doses, .levelNoise = LogOptions{}.levelNoise});
    if (!log)
        return logRefused(log.error());
    log->fileName = options.file == "-" ? std::string() : std::filesystem::path(options.file).filename().string();

    FitRequest request;
    request.shape = shape;
    request.dims = dims;
    request.free = splitParameterList(options.free);
    const auto fit = fitFillLog(request, *log);
    if (!fit) {
        const auto& refusal = fit.error();
        if (refusal.fault == FitFault::TooFewPoints)
            return logRefused({LogFault::TooFewPoints, 0, static_cast<double>(refusal.count), refusal.needed});
        FillOutcome out;
        out.status = refusal.fault == FitFault::Dimensions ? kExitRefused : kExitUsage;
        out.message = fitRefusalText(refusal);
        return out;
    }
    FillOutcome out;
    out.report = fitReport(*fit, separator);
    out.fit = *fit;
    return out;
}

} // namespace tarvol::cli
