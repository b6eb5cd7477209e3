// tarvol-table: the calculation core from a terminal.

#include <charconv>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "calc/catalogue.h"
#include "calc/format.h"
#include "calc/run.h"

namespace {

constexpr int kExitTable = 0;
constexpr int kExitRefused = 2;
constexpr int kExitUsage = 64;

constexpr const char* kUsage =
    "usage: tarvol-table --list | tarvol-table [--decimals N] [--comma] [--every-mm] [--json] SHAPE DIM...";

struct Options {
    int decimals = 0;
    bool comma = false;
    bool everyMm = false;
    bool json = false;
    int shape = -1;
    std::vector<std::string> dims;
};

int usage(const std::string& why)
{
    std::cerr << "tarvol-table: " << why << "\n" << kUsage << "\n";
    return kExitUsage;
}

bool isDigits(const std::string& s, size_t maxLength)
{
    return !s.empty() && s.size() <= maxLength && s.find_first_not_of("0123456789") == std::string::npos;
}

void printList()
{
    for (int k = 0; k < tarvol::kShapeCount; ++k) {
        const auto& info = tarvol::shape(k);
        std::cout << k << '\t' << static_cast<int>(info.group) << '\t' << info.name << '\t';
        for (size_t i = 0; i < info.captions.size(); ++i)
            std::cout << (i ? " | " : "") << info.captions[i];
        std::cout << '\n';
    }
}

std::string jsonString(std::string_view s)
{
    std::string out = "\"";
    for (char c : s) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out + "\"";
}

std::string jsonNumber(double v)
{
    char buf[40];
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 17).ptr);
}

struct Row {
    double level;
    double volume;
    std::string text;
};

std::vector<Row> tableRows(const tarvol::CalcResult& r, const Options& o, char sep)
{
    std::vector<Row> rows;
    if (o.everyMm) {
        for (size_t n = 0; n < r.levelVolumes.size(); ++n)
            rows.push_back({static_cast<double>(n), r.levelVolumes[n],
                            tarvol::formatFixed(r.levelVolumes[n], 10, o.decimals, sep)});
    } else {
        for (const auto& row : r.rows)
            rows.push_back({row.levelValue, row.volumeValue, row.volume});
    }
    return rows;
}

void printText(const Options& o, const tarvol::CalcResult& r, char sep)
{
    const auto& info = tarvol::shape(o.shape);
    std::cout << info.name << '\n';
    for (size_t i = 0; i < o.dims.size(); ++i)
        std::cout << info.captions[i] << "  " << o.dims[i] << '\n';
    std::cout << "\nУровень (мм)\tОбъём (л)\n";
    for (const auto& row : tableRows(r, o, sep))
        std::cout << tarvol::formatGeneral(row.level, sep) << '\t' << row.text << '\n';
    std::cout << '\n' << (r.errorLine.empty() ? std::string("Погрешность расчётов в %") : r.errorLine) << '\n';
}

void printJson(const Options& o, const tarvol::CalcResult& r, char sep)
{
    const auto& info = tarvol::shape(o.shape);
    std::cout << "{\"shape\": " << o.shape << ", \"name\": " << jsonString(info.name) << ", \"dimensions\": [";
    for (size_t i = 0; i < o.dims.size(); ++i)
        std::cout << (i ? ", " : "") << std::stoll(o.dims[i]);
    std::cout << "], \"total_height\": " << jsonNumber(r.totalHeight) << ", \"step\": " << r.outputStep
              << ", \"rows\": [";
    const auto rows = tableRows(r, o, sep);
    for (size_t i = 0; i < rows.size(); ++i)
        std::cout << (i ? ", " : "") << "{\"level\": " << jsonNumber(rows[i].level)
                  << ", \"volume\": " << jsonNumber(rows[i].volume) << ", \"text\": " << jsonString(rows[i].text)
                  << "}";
    std::cout << "], \"sum_volume\": " << jsonNumber(r.sumVolume) << ", \"true_volume\": " << jsonNumber(r.trueVolume)
              << ", \"error_percent\": "
              << (r.trueVolume > 0 ? jsonNumber(tarvol::errorPercent(r.sumVolume, r.trueVolume)) : std::string("null"))
              << ", \"check_value\": " << (info.checkValue ? "true" : "false") << "}\n";
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--list") {
            if (argc != 2)
                return usage("--list takes no other arguments");
            printList();
            return kExitTable;
        } else if (a == "--decimals") {
            if (i + 1 >= argc || !isDigits(argv[i + 1], 1) || std::stoi(argv[i + 1]) > 3)
                return usage("--decimals takes 0, 1, 2 or 3");
            o.decimals = std::stoi(argv[++i]);
        } else if (a == "--comma") {
            o.comma = true;
        } else if (a == "--every-mm") {
            o.everyMm = true;
        } else if (a == "--json") {
            o.json = true;
        } else if (a.size() > 1 && a[0] == '-' && a[1] == '-') {
            return usage("unknown option " + a);
        } else {
            positional.push_back(a);
        }
    }
    if (positional.empty())
        return usage("no shape given");
    if (!isDigits(positional[0], 2) || std::stoi(positional[0]) >= tarvol::kShapeCount)
        return usage("SHAPE must be a shape index from 0 to 25 (see --list)");
    o.shape = std::stoi(positional[0]);
    o.dims.assign(positional.begin() + 1, positional.end());
    const auto& info = tarvol::shape(o.shape);
    if (o.dims.size() != info.captions.size())
        return usage("shape " + std::to_string(o.shape) + " takes " + std::to_string(info.captions.size())
                     + " dimensions, got " + std::to_string(o.dims.size()));
    for (const auto& d : o.dims)
        if (!isDigits(d, 8))
            return usage("a dimension must be a digit string of at most eight digits: " + d);

    const char sep = o.comma ? ',' : '.';
    tarvol::RunOptions run;
    run.decimalPlaces = o.decimals;
    run.separator = sep;
    run.keepEveryLevel = o.everyMm;
    const auto outcome = tarvol::calculateFromTexts(o.shape, o.dims, run);
    if (!outcome.ok()) {
        std::cerr << outcome.refusal()->message << '\n';
        return kExitRefused;
    }
    if (o.json)
        printJson(o, outcome.result(), sep);
    else
        printText(o, outcome.result(), sep);
    return kExitTable;
}
