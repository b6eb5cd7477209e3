#include "cli/fill_mode.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <istream>
#include <optional>
#include <vector>

#include "calc/refusal.h"
#include "fit/filljson.h"
#include "fit/filllog.h"
#include "fit/fit.h"
#include "fit/report.h"
#include "tank/atomicwrite.h"

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
    case LogFault::LineTooLong:
        return "line_too_long";
    case LogFault::LevelBeyond:
        return "level_beyond";
    case LogFault::VolumeBeyond:
        return "volume_beyond";
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
    if (refusal.fault == LogFault::LevelBeyond || refusal.fault == LogFault::VolumeBeyond) {
        body["value"] = refusal.value;
        body["limit"] = refusal.limit;
    }
    body["message"] = logRefusalText(refusal);
    return nlohmann::ordered_json{{"refusal", body}};
}

// The log line by line, so that only its points are kept: a line longer than a log's is refused as soon as it
// is seen, which also ends the reading of a file that is no log (/dev/zero has no line ends at all).
std::optional<expected<FillLog, LogRefusal>> readLog(std::istream& in, const LogOptions& options)
{
    FillLogReader reader(options);
    std::vector<char> line(kLongestLogLine + 2);
    const auto size = static_cast<std::streamsize>(line.size());
    for (bool more = true; more;) {
        in.getline(line.data(), size);
        const auto got = static_cast<std::size_t>(in.gcount());
        // the line feed is counted but not stored; a full buffer holds a line too long for the reader to take
        const bool fed = !in.eof() && !in.fail();
        more = fed || (in.fail() && !in.eof() && got == line.size() - 1);
        if (got == 0 && !more)
            break;
        if (!reader.line(std::string_view(line.data(), fed ? got - 1 : got)))
            break;
    }
    if (in.bad())
        return std::nullopt;
    return std::move(reader).finish();
}

// the report is the caller's to word, with its own separator
FillOutcome runFill(const FillOptions& options, const Tank& tank, char /*separator*/)
{
    LogOptions logOptions;
    logOptions.doses = options.doses;
    logOptions = withShapeLimits(logOptions, tank.shape);
    std::optional<expected<FillLog, LogRefusal>> read;
    errno = 0;
    if (options.file == "-") {
        read = readLog(std::cin, logOptions);
    } else {
        std::ifstream in(options.file, std::ios::binary);
        if (in)
            read = readLog(in, logOptions);
    }
    if (!read) {
        const int why = errno;
        return {.status = kExitNoInput,
                .message = "не удалось прочитать журнал налива " + options.file + ": "
                           + (why != 0 ? systemReasonText(why) : std::string("файл не открывается")),
                .logRefusal = std::nullopt,
                .fit = std::nullopt};
    }
    auto& log = *read;
    if (!log)
        return logRefused(log.error());
    log->fileName = options.file == "-" ? std::string() : std::filesystem::path(options.file).filename().string();

    FitRequest request;
    request.shape = tank.shape;
    request.dims = tank.dimensions;
    request.free = splitParameterList(options.free);
    // the log measured the tank with what stands in it: the model has it too
    if (!tank.deadwood.empty())
        request.correction = [deadwood = tank.deadwood](double level) { return deadwoodCorrection(deadwood, level); };
    request.orientation = tank.orientation;
    auto fit = fitFillLog(request, *log);
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
    if (fit->failure) {
        // a model that cannot describe the log gives no tank: the log is refused for this shape
        out.status = kExitDataError;
        out.message = fitFailureText(*fit->failure);
        return out;
    }
    out.fit = std::move(*fit);
    return out;
}

} // namespace tarvol::cli
