// tarvol-table: the calculation core from a terminal.

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include "calc/catalogue.h"
#include "calc/csv.h"
#include "calc/format.h"
#include "calc/model.h"
#include "calc/refusal.h"
#include "calc/reverse.h"
#include "calc/run.h"
#include "cli/deadwood_options.h"
#include "cli/fill_mode.h"
#include "cli/measured_options.h"
#include "cli/sensor_mode.h"
#include "cli/tank_options.h"
#include "cli/tilt_options.h"
#include "cli/uncertainty_options.h"
#include "fit/filljson.h"
#include "fit/report.h"
#include "tank/measured.h"
#include "tank/orientation.h"
#include "tank/table.h"
#include "uncertainty/propagation.h"
#include "uncertainty/statement.h"

namespace {

// Exit statuses; the non-zero ones beyond 2 follow sysexits.h.
constexpr int kExitTable = 0;
constexpr int kExitRefused = 2;
constexpr int kExitUsage = 64;
constexpr int kExitSoftware = 70;
constexpr int kExitNoMemory = 71;
constexpr int kExitWrite = 74;

constexpr const char* kProgram = "tarvol-table";
constexpr const char* kHint = "Справка: tarvol-table --help";

using Json = nlohmann::ordered_json;

struct UsageError {
    std::string why;
};

struct Options {
    int decimals = 0;
    bool comma = false;
    bool everyMm = false;
    bool json = false;
    bool csv = false;
    bool reverse = false;
    bool byGauge = false;
    std::vector<std::string> dims; // as typed
    tarvol::cli::TankFileOptions tankFile;
    tarvol::Tank tank; // typed or read, with every option over it; the one value every output starts from
    tarvol::cli::SensorOptions sensor;
    std::optional<tarvol::cli::FillOptions> fill;
    std::string preamble; // the fit's report before the table
    tarvol::cli::UncertaintyOptions uncertainty;
    tarvol::cli::DeadwoodOptions deadwood;
    tarvol::cli::TiltOptions tilt;
    std::optional<tarvol::cli::TiltGridRequest> grid; // the correction grid instead of the table
    bool showU = true;                                // the forms with no room for U leave it out
};

// Standard output through one buffer whose every write(2) is checked, short writes included.
class Output {
public:
    void put(std::string_view text)
    {
        if (m_error)
            return;
        m_buffer.append(text);
        if (m_buffer.size() >= kChunk || (m_eachLine && !text.empty() && text.back() == '\n'))
            flush();
    }
    // Rows streamed to a terminal are shown as they come, not when a buffer fills.
    void flushEachLine(bool on) { m_eachLine = on; }
    bool flush()
    {
        size_t done = 0;
        while (!m_error && done < m_buffer.size()) {
            const ssize_t n = ::write(STDOUT_FILENO, m_buffer.data() + done, m_buffer.size() - done);
            if (n > 0)
                done += static_cast<size_t>(n);
            else if (n < 0 && errno == EINTR)
                continue;
            else
                m_error = n < 0 ? errno : EIO; // a write that takes nothing would repeat for ever
        }
        m_buffer.clear();
        return !m_error;
    }
    int error() const { return m_error; }

private:
    static constexpr size_t kChunk = 1 << 16;
    std::string m_buffer;
    int m_error = 0;
    bool m_eachLine = false;
};

// One-line progress with the estimated remaining time, redrawn a few times a second on a terminal.
class Progress {
public:
    explicit Progress(bool terminal) : m_terminal(terminal), m_start(Clock::now()) {}
    void show(double fraction)
    {
        const auto now = Clock::now();
        const double elapsed = seconds(now - m_start);
        if (!m_terminal || elapsed < 1 || fraction <= 0 || seconds(now - m_drawn) < 0.25)
            return;
        m_drawn = now;
        const double left = elapsed * (1 - std::min(fraction, 1.0)) / fraction;
        std::cerr << "\r\033[KРасчёт: " << static_cast<int>(fraction * 100) << " %, осталось около " << duration(left)
                  << std::flush;
        m_shown = true;
    }
    void clear()
    {
        if (m_shown)
            std::cerr << "\r\033[K" << std::flush;
        m_shown = false;
    }

private:
    using Clock = std::chrono::steady_clock;
    static double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
    static std::string duration(double s)
    {
        const auto whole = [](double v) { return std::to_string(static_cast<long long>(v)); };
        if (s < 60)
            return whole(std::ceil(s)) + " с";
        if (s < 3600)
            return whole(s / 60) + " мин " + whole(std::fmod(s, 60)) + " с";
        if (s < 86400)
            return whole(s / 3600) + " ч " + whole(std::fmod(s, 3600) / 60) + " мин";
        if (s < 1e15)
            return whole(s / 86400) + " сут";
        return "бесконечно долго";
    }

    bool m_terminal;
    Clock::time_point m_start;
    Clock::time_point m_drawn{};
    bool m_shown = false;
};

// A text of the system's in the locale's encoding, as UTF-8 like every other word the program writes, so that
// a line never mixes two encodings; what cannot be converted is kept as it was.
std::string systemText(const char* text)
{
    std::string in(text);
    iconv_t convert = ::iconv_open("UTF-8", ::nl_langinfo(CODESET));
    if (reinterpret_cast<std::intptr_t>(convert) == -1)
        return in;
    std::string out(in.size() * 4 + 4, '\0');
    char* from = in.data();
    size_t fromLeft = in.size();
    char* to = out.data();
    size_t toLeft = out.size();
    const size_t done = ::iconv(convert, &from, &fromLeft, &to, &toLeft);
    ::iconv_close(convert);
    if (done == static_cast<size_t>(-1))
        return in;
    out.resize(out.size() - toLeft);
    return out;
}

std::string shapeRangeText() { return "от 0 до " + std::to_string(tarvol::kShapeCount - 1); }

bool isDigits(const std::string& s, size_t maxLength)
{
    return !s.empty() && s.size() <= maxLength && s.find_first_not_of("0123456789") == std::string::npos;
}

// A shape by its index or its Latin key.
std::optional<int> shapeFromText(const std::string& text)
{
    if (isDigits(text, 2) && std::stoi(text) < tarvol::kShapeCount)
        return std::stoi(text);
    return tarvol::findShapeByKey(text);
}

// The shortest plain decimal that reads back to the same double: whole levels and heights come out as
// integers, and no volume in exponent form.
std::string jsonNumber(double v)
{
    if (!std::isfinite(v))
        return "null";
    char buf[512]; // the longest fixed form of a double, 5e-324, has 327 characters
    return std::string(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed).ptr);
}

// JSON on one line with a space after every colon and comma, the layout the program has always printed.
void appendJson(std::string& out, const Json& j)
{
    if (j.is_object()) {
        out += '{';
        const char* comma = "";
        for (const auto& [key, value] : j.items()) {
            out += comma;
            out += Json(key).dump();
            out += ": ";
            appendJson(out, value);
            comma = ", ";
        }
        out += '}';
    } else if (j.is_array()) {
        out += '[';
        const char* comma = "";
        for (const auto& value : j) {
            out += comma;
            appendJson(out, value);
            comma = ", ";
        }
        out += ']';
    } else if (j.is_number_float()) {
        out += jsonNumber(j.get<double>());
    } else {
        out += j.dump(-1, ' ', false, Json::error_handler_t::replace);
    }
}

std::string jsonText(const Json& j)
{
    std::string out;
    appendJson(out, j);
    return out;
}

// What a program needs to act on a refusal: which fault, which field (from 0, null for none), the limit in mm.
std::string refusalJson(const tarvol::Refusal& refusal)
{
    Json body;
    body["kind"] = tarvol::refusalKindName(refusal.kind);
    body["fault"] = tarvol::refusalFaultName(refusal.fault);
    body["field"] = refusal.field >= 0 ? Json(refusal.field) : Json(nullptr);
    body["limit"] = refusal.limit;
    if (refusal.otherLimit != 0)
        body["other_limit"] = refusal.otherLimit; // the second way out, where the fault has one
    body["message"] = refusal.message;
    return jsonText(Json{{"refusal", body}});
}

void printList(Output& out)
{
    for (int k = 0; k < tarvol::kShapeCount; ++k) {
        const auto& info = tarvol::shape(k);
        std::string line = std::to_string(k) + '\t' + std::to_string(static_cast<int>(info.group)) + '\t';
        line += info.name;
        line += '\t';
        for (size_t i = 0; i < info.captions.size(); ++i) {
            line += i ? " | " : "";
            line += info.captions[i];
        }
        line += '\t';
        line += info.key;
        out.put(line + '\n');
    }
}

// Writes the tank's table in the chosen form; rows come either all at the end or one by one as the levels are summed.
class TableWriter {
public:
    TableWriter(const Options& o, Output& out) : m_o(o), m_out(out), m_sep(o.comma ? ',' : '.') {}

    char separator() const { return m_sep; }
    // Whether the rows carry U, known before the first row from the tank itself.
    void showU(bool on) { m_showU = on && m_o.showU; }

    void row(const tarvol::TableRow& row)
    {
        begin();
        if (m_o.csv) {
            std::string line; // the window's CSV line
            tarvol::appendCsvLines(line, {&row.volume, 1}, static_cast<std::size_t>(row.level), m_o.tank.decimals);
            m_out.put(line);
        } else if (m_o.json) {
            m_out.put(m_rowComma);
            m_rowComma = ", ";
            // the row object spelled out: building a document per row would make a run of 10^7 levels slow
            std::string line = "{\"level\": " + jsonNumber(row.level) + ", \"volume\": " + jsonNumber(row.volume)
                               + ", \"text\": " + Json(row.text).dump();
            if (m_showU) {
                line += ", \"U\": " + jsonNumber(row.u.expanded) + ", \"U_rel\": " + jsonNumber(row.u.relative);
                if (m_o.tank.uncertaintyInputs().limitPercent)
                    line += std::string(", \"over_limit\": ") + (row.u.overLimit ? "true" : "false");
                if (row.u.nonlinear)
                    line += ", \"nonlinear\": true";
            }
            if (row.roofZone)
                line += ", \"roof_zone\": true";
            if (row.blind)
                line += ", \"blind\": true";
            m_out.put(line + '}');
        } else if (!m_o.reverse) {
            m_out.put(tarvol::formatGeneral(row.level, m_sep) + '\t');
            m_out.put(row.text);
            if (m_showU)
                m_out.put('\t' + tarvol::expandedText(row.u.expanded, m_sep) + '\t'
                          + tarvol::relativeText(row.u.relative, m_sep) + (row.u.overLimit ? " *" : ""));
            m_out.put(row.roofZone ? "\tзона понтона" : "");
            m_out.put(row.blind ? "\tне видно уровнемеру\n" : "\n");
        }
    }

    void finish(const tarvol::TankTable& t)
    {
        begin();
        for (const auto& r : t.rows)
            row(r);
        if (m_o.csv)
            return;
        const auto reverse = m_o.reverse ? tarvol::reverseOf(t) : tarvol::ReverseTable{};
        if (m_o.json) {
            Json tail;
            if (m_o.reverse) {
                tail["reverse"] = Json::array();
                for (const auto& row : reverse.rows)
                    tail["reverse"].push_back({{"volume", row.volume}, {"level", row.level}});
            }
            tail["total_height"] = t.totalHeight;
            tail["highest_level"] = t.highest;
            tail["step"] = t.outputStep;
            tail["sum_volume"] = t.accuracy.sumVolume;
            tail["true_volume"] = t.accuracy.fullVolume;
            tail["error_percent"] = t.accuracy.known() ? Json(t.accuracy.errorPercent) : Json(nullptr);
            tail["check_value"] = t.accuracy.checkValue;
            if (t.zero)
                tail["gauge"] = {{"zero_mm", t.zero->mm}, {"by_gauge", t.byGauge}, {"fitted", t.zero->fitted}};
            if (m_showU && t.fullU) {
                const auto& in = t.inputs;
                Json ranges = Json::array();
                for (const auto& [from, to] : t.nonlinear)
                    ranges.push_back(Json::array({from, to}));
                tail["uncertainty"] = {
                    {"coverage", in.coverage},     {"u_dims", in.dims},
                    {"u_level", in.level},         {"limit", in.limitPercent ? Json(*in.limitPercent) : Json(nullptr)},
                    {"U_full", t.fullU->expanded}, {"nonlinear_levels", ranges}};
                if (const auto covariance = m_o.tank.fitCovariance())
                    tail["uncertainty"]["fit_covariance"] = {{"fields", covariance->fields},
                                                             {"matrix", covariance->matrix}};
            }
            if (const auto& dw = m_o.tank.deadwood; !dw.empty()) {
                tail["deadwood"] = {{"items", tarvol::itemsJson(dw.items)}, {"full_volume", t.fullVolume}};
                if (dw.roof)
                    tail["deadwood"]["roof"] = tarvol::roofJson(*dw.roof);
            }
            if (const auto& orientation = m_o.tank.orientation) {
                Json blind = Json::array();
                for (const auto& [from, to] : t.blind)
                    blind.push_back(Json::array({from, to}));
                tail["orientation"] = tarvol::orientationJson(*orientation);
                tail["orientation"]["blind_readings"] = blind;
            }
            if (t.shellChanged)
                tail["shell"] = {{"temperature", t.inputs.shell->celsius},
                                 {"alpha", t.inputs.shell->alpha},
                                 {"scale", t.inputs.shell->lengthScale()},
                                 {"full_volume", t.fullVolume}};
            const std::string text = jsonText(tail);
            m_out.put("], " + text.substr(1) + '\n');
        } else {
            for (const auto& row : reverse.rows)
                m_out.put(tarvol::formatGeneral(row.volume, m_sep) + '\t' + tarvol::reverseLevelText(row.level, m_sep)
                          + '\n');
            m_out.put('\n' + (t.errorLine.empty() ? std::string("Погрешность расчётов в %") : t.errorLine) + '\n');
            for (const auto& line : t.recordLines)
                m_out.put(line + '\n');
            for (const auto& line : t.orientationLines)
                m_out.put(line + '\n');
            if (!t.gaugeLine.empty())
                m_out.put(t.gaugeLine + '\n');
            if (t.shellChanged)
                m_out.put(t.shellLine + '\n');
            for (const auto& line : t.deadwoodLines)
                m_out.put(line + '\n');
            if (m_showU) {
                if (t.fullU)
                    m_out.put("U при полном объёме: " + tarvol::expandedText(t.fullU->expanded, m_sep) + " л ("
                              + tarvol::relativeText(t.fullU->relative, m_sep) + " %).\n");
                for (const auto& line : t.uncertaintyLines)
                    m_out.put(line + '\n');
                for (const auto& [from, to] : t.nonlinear)
                    m_out.put(tarvol::linearityNote(from, to, m_sep) + '\n');
            }
        }
    }

private:
    // The heading goes out with the first row, so that a refused run prints nothing on standard output.
    void begin()
    {
        if (m_begun)
            return;
        m_begun = true;
        const tarvol::Tank& tank = m_o.tank;
        const auto& info = tarvol::shapeInfo(tank.shape);
        if (m_o.csv) {
            m_out.put(std::string(tarvol::kCsvHeader) + '\n');
        } else if (m_o.json) {
            Json head;
            if (tank.fit)
                head["fit"] = tarvol::fitJson(*tank.fit);
            head["shape"] = tarvol::isMeasuredShape(tank.shape) ? Json(info.key) : Json(tank.shape);
            head["name"] = info.name;
            head["dimensions"] = Json::array();
            for (const double d : tank.dimensions)
                head["dimensions"].push_back(d == std::floor(d) ? Json(static_cast<std::int64_t>(d)) : Json(d));
            const std::string text = jsonText(head);
            m_out.put(text.substr(0, text.size() - 1) + ", \"rows\": [");
        } else {
            m_out.put(m_o.preamble);
            m_out.put(std::string(info.name) + '\n');
            for (size_t i = 0; i < tank.dimensions.size(); ++i)
                m_out.put(std::string(info.captions[i]) + "  " + tarvol::formatGeneral(tank.dimensions[i], m_sep)
                          + '\n');
            m_out.put(m_o.reverse ? "\nОбъём (л)\tУровень (мм)\n" : "\nУровень (мм)\tОбъём (л)");
            if (!m_o.reverse)
                m_out.put(m_showU
                              ? std::string("\t") + tarvol::kUncertaintyColumn + '\t' + tarvol::kRelativeColumn + '\n'
                              : std::string("\n"));
        }
    }

    const Options& m_o;
    Output& m_out;
    char m_sep;
    bool m_showU = false;
    bool m_begun = false;
    const char* m_rowComma = "";
};

// A flag is there or not: "--json=0" would silently turn it off and "--json=maybe" draw the parser's English.
void refuseFlagValues(int argc, char** argv, std::initializer_list<std::string_view> flags)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--")
            return;
        for (const std::string_view flag : flags)
            if (arg.size() > flag.size() && arg.substr(0, flag.size()) == flag && arg[flag.size()] == '=')
                throw UsageError{std::string(flag) + " не принимает значения: " + std::string(arg)};
    }
}

// Every option appears once: a repeat would silently take one of the values, or draw the parser's words about
// another option.
void refuseRepeats(int argc, char** argv, const CLI::App& app)
{
    std::vector<std::string> seen;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--")
            return;
        if (arg.size() < 3 || arg.substr(0, 2) != "--")
            continue;
        const std::string name(arg.substr(0, arg.find('=')));
        if (std::ranges::find(seen, name) != seen.end())
            throw UsageError{name + " указан больше одного раза"};
        seen.push_back(name);
        // the value of an option that takes one is its next argument, whatever it looks like
        if (const CLI::Option* option = app.get_option_no_throw(name);
            option && option->get_expected_min() > 0 && arg.find('=') == std::string_view::npos)
            ++i;
    }
}

std::string helpFooter()
{
    return "SHAPE — номер формы (" + shapeRangeText()
           + ") или её латинский ключ; DIM — размеры ёмкости в миллиметрах\n"
             "в порядке полей формы, целые числа до восьми цифр. Номера, ключи и поля всех форм\n"
             "показывает tarvol-table --list.\n"
             "\n"
             "Коды завершения:\n"
             "  0   таблица рассчитана (или показаны справка, версия, список форм)\n"
             "  2   размеры отклонены, причина — в стандартном потоке ошибок\n"
             "  65  файл ёмкости повреждён или записан более новой версией программы; журнал налива отклонён\n"
             "      (строка и причина — в стандартном потоке ошибок)\n"
             "  66  файл ёмкости или журнал налива не найден или не читается\n"
             "  64  ошибка в командной строке\n"
             "  70  внутренняя ошибка программы\n"
             "  71  не хватило памяти\n"
             "  73  не удалось записать файл ёмкости\n"
             "  74  не удалось записать в стандартный вывод\n"
             "\n"
             "Примеры:\n"
             "  tarvol-table --decimals 3 --comma sphere 1000  сферическая ёмкость диаметром 1000 мм\n"
             "  tarvol-table --csv horizontal-cylinder 2000 1000 > table.csv\n"
             "                                                 каждый миллиметр горизонтального цилиндра в CSV\n"
             "  tarvol-table --save-tank bak.tarvol sphere 1000  записать ёмкость в файл\n"
             "  tarvol-table --tank bak.tarvol --json          таблица ёмкости из файла\n"
             "  tarvol-table --fill налив.csv --free D,L,zero horizontal-cylinder 6000 2000\n"
             "                                                 подбор D, L и нуля уровнемера по журналу налива";
}

// The tank the command line gives: typed or read from its file, with the decimal places, the budget and the shell
// temperature typed over it. The one place the command line builds a tank.
void buildTank(Options& o, const CLI::App& app, const std::string& shapeText)
{
    if (!o.tankFile.load.empty()) {
        if (!shapeText.empty())
            throw UsageError{"--tank не сочетается с формой и размерами в командной строке"};
        o.tank = tarvol::cli::loadTank(o.tankFile.load);
        if (tarvol::isMeasuredShape(o.tank.shape))
            if (auto why = tarvol::cli::measuredUsageError(app))
                throw UsageError{*why};
    } else {
        if (shapeText.empty())
            throw UsageError{"не указана форма"};
        const auto index = shapeFromText(shapeText);
        if (!index)
            throw UsageError{"нет формы " + shapeText + ": нужен номер " + shapeRangeText() + " или ключ (см. --list)"};
        const auto& info = tarvol::shape(*index);
        if (o.dims.size() != info.captions.size())
            throw UsageError{"у формы " + std::to_string(*index) + " размеров " + std::to_string(info.captions.size())
                             + ", указано " + std::to_string(o.dims.size())};
        for (const auto& d : o.dims)
            if (!isDigits(d, 8))
                throw UsageError{"размер должен быть целым числом до восьми цифр: " + d};
        o.tank.shape = *index;
        for (const auto& d : o.dims)
            o.tank.dimensions.push_back(std::stod(d));
    }
    if (app.count("--decimals"))
        o.tank.decimals = o.decimals;
    try {
        tarvol::cli::applyUncertaintyOptions(o.uncertainty, o.tank);
        tarvol::cli::applyDeadwoodOptions(o.deadwood, o.tank);
        tarvol::cli::applyTiltOptions(o.tilt, o.tank);
    } catch (const std::string& why) {
        throw UsageError{why};
    }
    if (o.sensor.on)
        o.tank.sensor = tarvol::cli::sensorSettings(o.sensor, o.tank.sensor.value_or(tarvol::sensor::Settings{}));
}

// Parses the command line; returns the exit status when the command ends here (help, version, list, usage error).
std::optional<int> parse(int argc, char** argv, Options& o, Output& out)
{
    CLI::App app{"tarvol-table — градуировочная таблица ёмкости: объём в литрах по уровню в миллиметрах.", kProgram};
    app.option_defaults()->group("Параметры");
    app.set_help_flag("-h,--help", "показать эту справку и выйти");
    app.set_version_flag("--version", std::string(kProgram) + " " + TARVOL_VERSION, "показать версию и выйти");
    auto fmt = app.get_formatter();
    fmt->label("Usage", "Запуск");
    fmt->label("OPTIONS", "ПАРАМЕТРЫ");
    fmt->label("Positionals", "Аргументы");
    fmt->column_width(22);
    app.footer(helpFooter());
    app.allow_extras(); // unknown options are reported below, in Russian

    bool list = false;
    std::vector<std::string> decimals;
    std::string shapeText;
    app.add_flag("--list", list, "список форм: номер, группа, название, поля размеров, ключ");
    app.add_option("--decimals", decimals, "знаков после запятой в объёме: 0 (по умолчанию), 1, 2 или 3")
        ->type_name("N")
        ->expected(1)
        ->allow_extra_args(false) // one value an occurrence, so that a repeat is seen rather than the DIMs taken
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_flag("--comma", o.comma, "запятая вместо точки в числах таблицы");
    app.add_flag("--every-mm", o.everyMm, "строка на каждый миллиметр уровня, а не на каждый шаг");
    app.add_flag("--json", o.json, "таблица в виде JSON");
    app.add_flag("--csv", o.csv,
                 "таблица в CSV: level_mm;volume_l, каждый миллиметр, точка как разделитель (--every-mm)");
    app.add_flag("--reverse", o.reverse, "обратная таблица «объём → уровень» для разметки метрштока");
    app.add_flag("--by-gauge", o.byGauge, "строки по показанию уровнемера от его нуля, а не по уровню от дна");
    tarvol::cli::addTankFileOptions(app, o.tankFile);
    tarvol::cli::addSensorOptions(app, o.sensor);
    std::string fillFile, freeList;
    bool doses = false;
    app.add_option("--fill", fillFile, "журнал налива: уровень (мм) и объём (л); подобрать размеры по нему")
        ->type_name("FILE");
    app.add_option("--free", freeList, "свободные параметры через запятую: буквы полей (D, L, A …), zero, v0")
        ->type_name("LIST");
    app.add_flag("--doses", doses, "во втором столбце журнала — дозы, а не накопленный объём");
    tarvol::cli::addUncertaintyOptions(app, o.uncertainty);
    tarvol::cli::addDeadwoodOptions(app, o.deadwood);
    tarvol::cli::addTiltOptions(app, o.tilt);
    app.add_option("SHAPE", shapeText, "номер или ключ формы")->type_name("")->group("Аргументы");
    app.add_option("DIM", o.dims, "размеры ёмкости в мм, в порядке полей формы")->type_name("")->group("Аргументы");

    refuseRepeats(argc, argv, app);
    refuseFlagValues(
        argc, argv,
        {"--list", "--comma", "--every-mm", "--json", "--csv", "--reverse", "--by-gauge", "--help", "--version"});
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out.put(app.help());
        return kExitTable;
    } catch (const CLI::CallForVersion& e) {
        out.put(std::string(e.what()) + '\n');
        return kExitTable;
    } catch (const CLI::ArgumentMismatch&) {
        throw UsageError{"--decimals принимает 0, 1, 2 или 3"}; // the one option that takes a value
    } catch (const CLI::ParseError&) {
        throw UsageError{"неверная командная строка"}; // the parser's own words are English
    }
    for (const auto& extra : app.remaining())
        if (extra != "--") // the parser keeps the end-of-options mark among the extras
            throw UsageError{"неизвестный параметр " + extra};

    if (list) {
        if (argc != 2)
            throw UsageError{"--list не сочетается с другими аргументами"};
        printList(out);
        return kExitTable;
    }
    if (decimals.size() > 1)
        throw UsageError{"--decimals указан больше одного раза"};
    if (!decimals.empty()) {
        if (!isDigits(decimals[0], 1) || !tarvol::validDecimals(std::stoi(decimals[0])))
            throw UsageError{"--decimals принимает 0, 1, 2 или 3"};
        o.decimals = std::stoi(decimals[0]);
    }
    if (const auto why =
            tarvol::cli::sensorUsageError(app, o.sensor, o.csv || o.json || o.comma || o.reverse || o.everyMm))
        throw UsageError{*why};
    if (o.csv && (o.json || o.comma || o.reverse))
        throw UsageError{"--csv не сочетается с --json, --comma и --reverse"};
    if (o.reverse && o.everyMm && !o.json)
        throw UsageError{"--reverse и --every-mm вместе — только с --json"};
    o.everyMm = o.everyMm || o.csv;
    const bool uOption = !o.uncertainty.uDim.empty() || !o.uncertainty.uLevel.empty() || !o.uncertainty.coverage.empty()
                         || !o.uncertainty.limit.empty();
    if (uOption && (o.csv || o.reverse) && o.tankFile.save.empty())
        throw UsageError{"неопределённость не сочетается с --csv и --reverse: в них нет столбцов U"};
    if (uOption && o.sensor.on && o.tankFile.save.empty())
        throw UsageError{"неопределённость не сочетается с --sensor: в таблице датчика нет столбцов U"};
    if (o.byGauge && (o.sensor.on || !o.tankFile.save.empty()))
        throw UsageError{"--by-gauge — только для таблицы: датчик и так считает от нуля уровнемера"};
    o.showU = !(o.csv || o.reverse);
    if (app.count("--fill")) {
        if (!app.count("--free"))
            throw UsageError{"--fill требует --free: какие параметры подбирать"};
        o.fill = tarvol::cli::FillOptions{fillFile, freeList, doses};
    } else if (app.count("--free") || doses) {
        throw UsageError{"--free и --doses — только вместе с --fill"};
    }
    if (tarvol::cli::tiltGridAsked(o.tilt)) {
        // the grid is a table of its own: the outputs of one table, its U and a shell's temperature have no place in it
        if (o.sensor.on || !o.tankFile.save.empty() || o.reverse || o.byGauge || o.everyMm || o.csv || uOption
            || !o.uncertainty.shellTemperature.empty() || !o.uncertainty.alpha.empty())
            throw UsageError{"--pitch-range и --roll-range не сочетаются с --sensor, --save-tank, --reverse, "
                             "--by-gauge, --every-mm, --csv, неопределённостью и температурой стенки"};
        try {
            o.grid = tarvol::cli::tiltGridRequest(o.tilt);
        } catch (const std::string& why) {
            throw UsageError{why};
        }
    }
    buildTank(o, app, shapeText);
    return std::nullopt;
}

int refused(const Options& o, Output& out, const tarvol::Refusal& refusal)
{
    if (o.json)
        out.put(refusalJson(refusal) + '\n');
    std::cerr << refusal.message << '\n';
    return kExitRefused;
}

// --save-tank: the tank typed or read, fitted and with every option over it, goes to its file instead of a table.
int saveTank(Options& o, Output& out)
{
    if (const auto refusal = tarvol::cli::saveTank(o.tankFile.save, o.tank))
        return refused(o, out, *refusal);
    return kExitTable;
}

// The fit of the model to the fill log; the status to end with when nothing was fitted.
std::optional<int> fitFill(Options& o, Output& out)
{
    if (const auto refusal = tarvol::tankRefusal(o.tank, o.comma ? ',' : '.'))
        return refused(o, out, *refusal);
    const auto fill = tarvol::cli::runFill(*o.fill, o.tank, o.comma ? ',' : '.');
    if (fill.status != 0) {
        if (o.json && fill.logRefusal)
            out.put(jsonText(tarvol::cli::logRefusalJson(*fill.logRefusal)) + '\n');
        std::cerr << (fill.status == kExitUsage ? std::string(kProgram) + ": " : std::string()) << fill.message << '\n';
        return fill.status;
    }
    o.tank = tarvol::withFit(std::move(o.tank), *fill.fit);
    return std::nullopt;
}

int calculate(Options& o, Output& out)
{
    if (o.tank.fit)
        o.preamble = tarvol::fitReport(*o.tank.fit, o.comma ? ',' : '.') + '\n';
    TableWriter writer(o, out);
    writer.showU(o.tank.hasUncertainty());
    // rows streamed to the same terminal show the progress themselves
    Progress progress(::isatty(STDERR_FILENO) == 1 && !(o.everyMm && ::isatty(STDOUT_FILENO) == 1));
    std::atomic<bool> stop{false};

    tarvol::TableRequest request;
    request.separator = writer.separator();
    request.cancel = &stop;
    request.everyLevel = o.everyMm;
    request.keepLevels = o.reverse;
    request.byGauge = o.byGauge;
    request.progress = [&](double fraction) { progress.show(fraction); };
    out.flushEachLine(o.everyMm && ::isatty(STDOUT_FILENO) == 1);
    if (o.everyMm)
        request.eachRow = [&](const tarvol::TableRow& row) {
            writer.row(row);
            if (out.error())
                stop = true; // a write failed: the rest of the table has nowhere to go
        };
    const auto outcome = tarvol::tableOf(o.tank, request);
    progress.clear();
    if (!out.error()) {
        if (const auto* refusal = outcome.refusal())
            return refused(o, out, *refusal);
        if (outcome.ok()) {
            if (!outcome.table().uncertaintyNote.empty() && o.showU)
                std::cerr << kProgram << ": " << outcome.table().uncertaintyNote << '\n';
            writer.showU(outcome.table().hasU);
            writer.finish(outcome.table());
        }
    }
    return kExitTable;
}

// The volumes of every millimetre of reading over a range of pitches or of rolls, for an inclinometer's lookup.
int tiltGridTable(const Options& o, Output& out)
{
    const char sep = o.comma ? ',' : '.';
    if (const auto refusal = tarvol::tankRefusal(o.tank, sep))
        return refused(o, out, *refusal);
    Progress progress(::isatty(STDERR_FILENO) == 1);
    tarvol::RunOptions run;
    run.progress = [&](double fraction) { progress.show(fraction); };
    auto grid = tarvol::tiltGridOf(o.tank, o.grid->pitches, o.grid->rolls, 1, run);
    progress.clear();
    if (!grid) {
        const auto* refusal = std::get_if<tarvol::Refusal>(&grid.error());
        return refused(o, out, refusal ? *refusal : tarvol::Refusal{});
    }
    out.put(o.json ? tarvol::tiltGridJson(*grid)
                   : tarvol::tiltGridCsv(*grid, !o.grid->pitches.empty(), sep, o.tank.decimals));
    return kExitTable;
}

int sensorTable(const Options& o, Output& out)
{
    const auto run = tarvol::cli::runSensor(o.tank, o.sensor);
    if (!run.refusal.empty()) {
        std::cerr << run.refusal << '\n';
        return kExitRefused;
    }
    out.put(run.out);
    if (!run.summary.empty())
        std::cerr << run.summary << '\n';
    return kExitTable;
}

} // namespace

int main(int argc, char** argv)
{
    // system error texts in the user's language and characters; numbers keep their own format
    std::setlocale(LC_CTYPE, "");
    std::setlocale(LC_MESSAGES, "");
    Output out;
    int status = kExitTable;
    try {
        Options o;
        if (const auto ended = parse(argc, argv, o, out))
            status = *ended;
        else if (const auto unfitted = o.fill ? fitFill(o, out) : std::nullopt)
            status = *unfitted;
        else if (!o.tankFile.save.empty())
            status = saveTank(o, out);
        else if (o.sensor.on)
            status = sensorTable(o, out);
        else if (o.grid)
            status = tiltGridTable(o, out);
        else
            status = calculate(o, out);
    } catch (const UsageError& e) {
        std::cerr << kProgram << ": " << e.why << '\n' << kHint << '\n';
        return kExitUsage;
    } catch (const tarvol::cli::TankFileFailure& e) {
        std::cerr << kProgram << ": " << e.message << '\n';
        return e.status;
    } catch (const std::bad_alloc&) {
        std::cerr << kProgram << ": не хватило памяти для расчёта\n";
        return kExitNoMemory;
    } catch (const std::exception& e) {
        std::cerr << kProgram << ": внутренняя ошибка: " << systemText(e.what()) << '\n';
        return kExitSoftware;
    }
    if (!out.flush()) {
        std::cerr << kProgram << ": не удалось записать в стандартный вывод: " << systemText(std::strerror(out.error()))
                  << '\n';
        return kExitWrite;
    }
    return status;
}
