#include "tank/strapping.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <numbers>
#include <numeric>
#include <string_view>
#include <utility>

#include "calc/format.h"

namespace tarvol {
namespace {

using Json = nlohmann::ordered_json;

constexpr double kPi = std::numbers::pi;
constexpr double kLitresPerMm3 = 1e-6;
// Steps of the level for the slope and the bend of a row, as for every other shape.
constexpr double kLevelStep = 0.01;

std::string number(double value) { return std::isfinite(value) ? formatGeneral(value, ',') : "не число"; }

StrappingError fault(std::string key, std::string reason) { return StrappingError{std::move(key), std::move(reason)}; }

std::string range(double value, double low, double high, std::string_view unit)
{
    return number(value) + " — нужно от " + number(low) + " до " + number(high) + std::string(unit);
}

std::optional<StrappingError> outside(std::string key, double value, double low, double high, std::string_view unit)
{
    if (std::isfinite(value) && value >= low && value <= high)
        return std::nullopt;
    return fault(std::move(key), range(value, low, high, unit));
}

std::optional<StrappingError> notPositive(std::string key, double value, double high, std::string_view unit)
{
    if (std::isfinite(value) && value > 0 && value <= high)
        return std::nullopt;
    return fault(std::move(key), number(value) + " — нужно больше 0 и не больше " + number(high) + std::string(unit));
}

std::string courseKey(std::size_t i) { return "strapping.courses[" + std::to_string(i) + "]"; }

double meanOf(const std::vector<double>& values)
{
    return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

double tapeScaleOf(const StrappingRecord& r) { return 1 + r.tapeAlpha * (r.tapeCelsius - kReferenceTemperature); }
double shellScaleOf(const StrappingRecord& r) { return 1 + r.shellAlpha * (r.shellCelsius - kReferenceTemperature); }

// Inner diameter at the measurement: the outside circumference less the plate and the paint on both sides.
double innerMeasured(const StrappingRecord& r, const StrappingCourse& c)
{
    return meanOf(c.circumferences) * tapeScaleOf(r) / kPi - 2 * c.thickness - 2 * r.paint;
}

double inner20(const StrappingRecord& r, const StrappingCourse& c) { return innerMeasured(r, c) / shellScaleOf(r); }

// mm of radius per mm of liquid above: thin-wall hoop strain ρ·g·head·R/(E·t), the head in metres, E in pascals.
double growthOf(const Hydrostatic& h, double radius, double thickness)
{
    return h.density * kGravity * 1e-3 * radius * radius / (h.youngModulusGpa * 1e9 * thickness);
}

// The survey within the wall: a surveyor's outer points may reach the shell's outside, past the inner radius; the
// bottom there is cut at the wall, its height interpolated.
std::vector<BottomPoint> surveyInside(const StrappingRecord& r)
{
    const double wall = inner20(r, r.courses.front()) / 2;
    std::vector<BottomPoint> inside;
    for (const BottomPoint& p : r.bottom) {
        if (p.radius <= wall) {
            inside.push_back(p);
            continue;
        }
        const BottomPoint last = inside.empty() ? BottomPoint{wall, p.height} : inside.back();
        const double share = last.radius < wall ? (wall - last.radius) / (p.radius - last.radius) : 0.0;
        if (last.radius < wall || inside.empty())
            inside.push_back({wall, last.height + share * (p.height - last.height)});
        break;
    }
    return inside;
}

// The first course reaches down to the height of the bottom at the wall, its last surveyed point.
double firstCourseFrom(const std::vector<BottomPoint>& survey) { return survey.empty() ? 0.0 : survey.back().height; }

double lowestOf(const std::vector<BottomPoint>& survey)
{
    double lowest = 0;
    for (const BottomPoint& p : survey)
        lowest = std::min(lowest, p.height);
    return lowest;
}

std::optional<StrappingError> courseFault(const StrappingRecord& r, std::size_t i)
{
    const StrappingCourse& c = r.courses[i];
    const std::string key = courseKey(i);
    if (auto f = notPositive(key + ".height_mm", c.height, kMaxCourseHeightMm, " мм"))
        return f;
    if (auto f = notPositive(key + ".thickness_mm", c.thickness, kMaxThicknessMm, " мм"))
        return f;
    if (c.circumferences.empty())
        return fault(key + ".circumferences_mm", "нет ни одного измерения длины окружности");
    if (c.circumferences.size() > kMaxCourseReadings)
        return fault(key + ".circumferences_mm", std::to_string(c.circumferences.size()) + " измерений — не больше "
                                                     + std::to_string(kMaxCourseReadings) + " на пояс");
    for (std::size_t j = 0; j < c.circumferences.size(); ++j)
        if (auto f = notPositive(key + ".circumferences_mm[" + std::to_string(j) + "]", c.circumferences[j],
                                 kMaxCircumferenceMm, " мм"))
            return f;
    if (const double d = inner20(r, c); !(d > 0))
        return fault(key + ".circumferences_mm", "внутренний диаметр получается " + number(d)
                                                     + " мм: длина окружности мала для толщины стенки и краски");
    return std::nullopt;
}

std::optional<StrappingError> bottomFault(const StrappingRecord& r)
{
    if (r.bottom.size() > kMaxBottomPoints)
        return fault("strapping.bottom",
                     std::to_string(r.bottom.size()) + " точек — не больше " + std::to_string(kMaxBottomPoints));
    // the tape's circle: the plate and the paint are outside the inner radius
    const double radius = inner20(r, r.courses.front()) / 2 + r.courses.front().thickness + r.paint;
    const double firstTop = r.courses.front().height;
    for (std::size_t j = 0; j < r.bottom.size(); ++j) {
        const BottomPoint& p = r.bottom[j];
        const std::string key = "strapping.bottom[" + std::to_string(j) + "]";
        if (auto f = outside(key + "[0]", p.radius, 0, kMaxCircumferenceMm, " мм"))
            return f;
        if (j > 0 && !(p.radius > r.bottom[j - 1].radius))
            return fault(key + "[0]", number(p.radius) + " мм — радиусы должны возрастать, а предыдущий "
                                          + number(r.bottom[j - 1].radius) + " мм");
        if (p.radius > radius)
            return fault(key + "[0]", number(p.radius) + " мм — за стенкой: внутренний радиус первого пояса "
                                          + number(radius) + " мм");
        if (auto f = outside(key + "[1]", p.height, kMinBottomHeightMm, firstTop, " мм (высота первого пояса)"))
            return f;
    }
    return std::nullopt;
}

std::optional<StrappingError> hydrostaticFault(const StrappingRecord& r)
{
    const Hydrostatic& h = *r.hydrostatic;
    if (auto f = notPositive("strapping.hydrostatic.density_kg_m3", h.density, kMaxDensityKgM3, " кг/м³"))
        return f;
    if (auto f = notPositive("strapping.hydrostatic.modulus_gpa", h.youngModulusGpa, kMaxYoungModulusGpa, " ГПа"))
        return f;
    const double height = std::accumulate(r.courses.begin(), r.courses.end(), 0.0,
                                          [](double sum, const StrappingCourse& c) { return sum + c.height; });
    // the full head over the lowest point bounds every course's
    const double head = height - lowestOf(r.bottom);
    for (std::size_t i = 0; i < r.courses.size(); ++i) {
        const double radius = inner20(r, r.courses[i]) / 2;
        const double strain = growthOf(h, radius, r.courses[i].thickness) * head / radius;
        if (strain > kMaxHydrostaticStrain)
            return fault("strapping.hydrostatic",
                         "пояс " + std::to_string(i + 1) + " растянулся бы на " + number(100 * strain)
                             + " % радиуса — больше 1 %: проверьте толщину, плотность и модуль упругости");
    }
    return std::nullopt;
}

// Thrown inside the reader only; strappingFromJson returns it as a value.
struct Unreadable {
    StrappingError error;
};

[[noreturn]] void unreadable(std::string key, std::string reason)
{
    throw Unreadable{fault(std::move(key), std::move(reason))};
}

void knownKeysOnly(const Json& object, const std::string& key, std::initializer_list<std::string_view> known)
{
    for (const auto& [name, value] : object.items())
        if (std::find(known.begin(), known.end(), name) == known.end())
            unreadable(std::string(key).append(".").append(name), "неизвестный ключ: проверьте, как он написан");
}

const Json& objectAt(const Json& json, const std::string& key)
{
    if (!json.is_object())
        unreadable(key, "нужен объект");
    return json;
}

double numberAt(const Json& json, const std::string& key)
{
    if (!json.is_number())
        unreadable(key, "нужно число");
    return json.get<double>();
}

// The value of `name` in `object`, or `fallback` when the key is absent.
double optionalNumber(const Json& object, std::string_view name, const std::string& key, double fallback)
{
    const auto at = object.find(name);
    return at == object.end() ? fallback : numberAt(*at, key);
}

StrappingCourse courseOf(const Json& json, const std::string& key)
{
    knownKeysOnly(objectAt(json, key), key, {"height_mm", "thickness_mm", "circumferences_mm"});
    StrappingCourse c;
    for (const auto& [name, target] : {std::pair{"height_mm", &c.height}, std::pair{"thickness_mm", &c.thickness}}) {
        const auto at = json.find(name);
        if (at == json.end())
            unreadable(key + "." + name, "нет ключа");
        *target = numberAt(*at, key + "." + name);
    }
    const auto readings = json.find("circumferences_mm");
    if (readings == json.end() || !readings->is_array())
        unreadable(key + ".circumferences_mm", "нужен массив измерений длины окружности");
    if (readings->size() > kMaxCourseReadings)
        unreadable(key + ".circumferences_mm", std::to_string(readings->size()) + " измерений — не больше "
                                                   + std::to_string(kMaxCourseReadings) + " на пояс");
    for (std::size_t j = 0; j < readings->size(); ++j)
        c.circumferences.push_back(numberAt((*readings)[j], key + ".circumferences_mm[" + std::to_string(j) + "]"));
    return c;
}

StrappingRecord recordOf(const Json& section)
{
    const std::string root = "strapping";
    knownKeysOnly(objectAt(section, root), root,
                  {"courses", "paint_mm", "tape", "shell_temperature_c", "alpha_shell", "tilt", "bottom",
                   "u_circumference_mm", "u_thickness_mm", "hydrostatic"});
    StrappingRecord r;
    const auto courses = section.find("courses");
    if (courses == section.end() || !courses->is_array())
        unreadable(root + ".courses", "нужен массив поясов");
    if (courses->size() > kMaxCourses)
        unreadable(root + ".courses",
                   std::to_string(courses->size()) + " поясов — не больше " + std::to_string(kMaxCourses));
    for (std::size_t i = 0; i < courses->size(); ++i)
        r.courses.push_back(courseOf((*courses)[i], courseKey(i)));

    r.paint = optionalNumber(section, "paint_mm", root + ".paint_mm", 0);
    if (const auto tape = section.find("tape"); tape != section.end()) {
        knownKeysOnly(objectAt(*tape, root + ".tape"), root + ".tape", {"temperature_c", "alpha"});
        const auto celsius = tape->find("temperature_c");
        if (celsius == tape->end())
            unreadable(root + ".tape.temperature_c", "нет ключа");
        r.tapeCelsius = numberAt(*celsius, root + ".tape.temperature_c");
        r.tapeAlpha = optionalNumber(*tape, "alpha", root + ".tape.alpha", kTapeSteelExpansion);
    }
    r.shellCelsius = optionalNumber(section, "shell_temperature_c", root + ".shell_temperature_c", 20);
    r.shellAlpha = optionalNumber(section, "alpha_shell", root + ".alpha_shell", kSteelExpansion);
    if (const auto tilt = section.find("tilt"); tilt != section.end()) {
        knownKeysOnly(objectAt(*tilt, root + ".tilt"), root + ".tilt", {"mm_per_m"});
        r.tiltMmPerM = optionalNumber(*tilt, "mm_per_m", root + ".tilt.mm_per_m", 0);
    }
    if (const auto bottom = section.find("bottom"); bottom != section.end()) {
        if (!bottom->is_array())
            unreadable(root + ".bottom", "нужен массив точек [радиус, высота]");
        if (bottom->size() > kMaxBottomPoints)
            unreadable(root + ".bottom",
                       std::to_string(bottom->size()) + " точек — не больше " + std::to_string(kMaxBottomPoints));
        for (std::size_t j = 0; j < bottom->size(); ++j) {
            const std::string key = root + ".bottom[" + std::to_string(j) + "]";
            const Json& point = (*bottom)[j];
            if (!point.is_array() || point.size() != 2)
                unreadable(key, "нужна пара чисел [радиус, высота], мм");
            r.bottom.push_back({numberAt(point[0], key + "[0]"), numberAt(point[1], key + "[1]")});
        }
    }
    r.uCircumference = optionalNumber(section, "u_circumference_mm", root + ".u_circumference_mm", 0);
    r.uThickness = optionalNumber(section, "u_thickness_mm", root + ".u_thickness_mm", 0);
    if (const auto product = section.find("hydrostatic"); product != section.end()) {
        knownKeysOnly(objectAt(*product, root + ".hydrostatic"), root + ".hydrostatic",
                      {"density_kg_m3", "modulus_gpa"});
        const auto density = product->find("density_kg_m3");
        if (density == product->end())
            unreadable(root + ".hydrostatic.density_kg_m3", "нет ключа");
        r.hydrostatic = Hydrostatic{
            numberAt(*density, root + ".hydrostatic.density_kg_m3"),
            optionalNumber(*product, "modulus_gpa", root + ".hydrostatic.modulus_gpa", kShellYoungModulusGpa)};
    }
    return r;
}

// The part of the disc of radius `outer` where a bottom of straight pieces between `points` (constant before the
// first and after the last) lies at or below z, mm².
double openArea(const std::vector<BottomPoint>& points, double z)
{
    double area = 0;
    const auto ring = [](double from, double to) { return kPi * (to * to - from * from); };
    if (points.front().radius > 0 && points.front().height <= z)
        area += ring(0, points.front().radius);
    for (std::size_t j = 1; j < points.size(); ++j) {
        const BottomPoint& a = points[j - 1];
        const BottomPoint& b = points[j];
        const bool aOpen = a.height <= z;
        const bool bOpen = b.height <= z;
        if (aOpen && bOpen) {
            area += ring(a.radius, b.radius);
        } else if (aOpen != bOpen) {
            const double cross = a.radius + (z - a.height) / (b.height - a.height) * (b.radius - a.radius);
            area += aOpen ? ring(a.radius, cross) : ring(cross, b.radius);
        }
    }
    return area;
}

} // namespace

std::string strappingErrorText(const StrappingError& error) { return error.key + ": " + error.reason; }

std::optional<StrappingError> checkStrapping(const StrappingRecord& r)
{
    if (r.courses.empty())
        return fault("strapping.courses", "нет ни одного пояса");
    if (r.courses.size() > kMaxCourses)
        return fault("strapping.courses",
                     std::to_string(r.courses.size()) + " поясов — не больше " + std::to_string(kMaxCourses));
    // the temperatures and the paint first: every diameter depends on them
    if (auto f = outside("strapping.paint_mm", r.paint, 0, kMaxPaintMm, " мм"))
        return f;
    if (auto f = outside("strapping.tape.temperature_c", r.tapeCelsius, kMinShellCelsius, kMaxShellCelsius, " °C"))
        return f;
    if (auto f = outside("strapping.tape.alpha", r.tapeAlpha, 0, kMaxAlpha, " 1/°C"))
        return f;
    if (auto f = outside("strapping.shell_temperature_c", r.shellCelsius, kMinShellCelsius, kMaxShellCelsius, " °C"))
        return f;
    if (auto f = outside("strapping.alpha_shell", r.shellAlpha, 0, kMaxAlpha, " 1/°C"))
        return f;
    double height = 0;
    for (std::size_t i = 0; i < r.courses.size(); ++i) {
        if (auto f = courseFault(r, i))
            return f;
        height += r.courses[i].height;
    }
    if (height > kMaxTankHeightMm)
        return fault("strapping.courses",
                     "высота резервуара " + number(height) + " мм — не больше " + number(kMaxTankHeightMm) + " мм");
    if (auto f = outside("strapping.tilt.mm_per_m", r.tiltMmPerM, 0, kMaxTiltMmPerM, " мм/м"))
        return f;
    if (auto f = bottomFault(r))
        return f;
    if (auto f = outside("strapping.u_circumference_mm", r.uCircumference, 0, kMaxStrappingUncertaintyMm, " мм"))
        return f;
    if (auto f = outside("strapping.u_thickness_mm", r.uThickness, 0, kMaxStrappingUncertaintyMm, " мм"))
        return f;
    if (r.hydrostatic)
        return hydrostaticFault(r);
    return std::nullopt;
}

expected<StrappingRecord, StrappingError> strappingFromJson(const Json& section)
{
    try {
        StrappingRecord record = recordOf(section);
        if (auto f = checkStrapping(record))
            return unexpected(std::move(*f));
        return record;
    } catch (Unreadable& u) {
        return unexpected(std::move(u.error));
    }
}

Json strappingToJson(const StrappingRecord& r)
{
    Json courses = Json::array();
    for (const StrappingCourse& c : r.courses)
        courses.push_back(
            Json{{"height_mm", c.height}, {"thickness_mm", c.thickness}, {"circumferences_mm", c.circumferences}});
    Json out{{"courses", std::move(courses)},
             {"paint_mm", r.paint},
             {"tape", Json{{"temperature_c", r.tapeCelsius}, {"alpha", r.tapeAlpha}}},
             {"shell_temperature_c", r.shellCelsius},
             {"alpha_shell", r.shellAlpha},
             {"tilt", Json{{"mm_per_m", r.tiltMmPerM}}}};
    if (!r.bottom.empty()) {
        Json bottom = Json::array();
        for (const BottomPoint& p : r.bottom)
            bottom.push_back(Json::array({p.radius, p.height}));
        out["bottom"] = std::move(bottom);
    }
    out["u_circumference_mm"] = r.uCircumference;
    out["u_thickness_mm"] = r.uThickness;
    if (r.hydrostatic)
        out["hydrostatic"] =
            Json{{"density_kg_m3", r.hydrostatic->density}, {"modulus_gpa", r.hydrostatic->youngModulusGpa}};
    return out;
}

expected<MeasuredTank, StrappingError> MeasuredTank::prepare(const StrappingRecord& record)
{
    if (auto f = checkStrapping(record))
        return unexpected(std::move(*f));
    MeasuredTank tank;
    tank.m_record = record;
    tank.m_tapeScale = tapeScaleOf(record);
    tank.m_shellScale = shellScaleOf(record);
    const double m = record.tiltMmPerM / 1000;
    tank.m_tiltFactor = std::sqrt(1 + m * m);
    tank.m_survey = surveyInside(record);
    tank.m_lowest = lowestOf(tank.m_survey);

    double base = 0;
    for (const StrappingCourse& c : record.courses) {
        Course course;
        course.from = base;
        course.to = base + c.height;
        course.radius = inner20(record, c) / 2;
        course.thickness = c.thickness;
        course.growth = record.hydrostatic ? growthOf(*record.hydrostatic, course.radius, c.thickness) : 0;
        tank.m_courses.push_back(course);
        base = course.to;
    }
    tank.m_height = base;
    tank.m_courses.front().from = firstCourseFrom(tank.m_survey);

    // the bottom's share changes its formula only at the surveyed heights
    const std::vector<BottomPoint>& points = tank.m_survey;
    if (points.empty())
        return tank;
    std::vector<double> breaks;
    breaks.reserve(points.size());
    for (const BottomPoint& p : points)
        breaks.push_back(p.height);
    std::sort(breaks.begin(), breaks.end());
    breaks.erase(std::unique(breaks.begin(), breaks.end()), breaks.end());
    const double edge = points.back().radius;
    const double edgeHeight = points.back().height;
    // litres per mm the survey leaves open, less the disc to the last surveyed radius that the first course counts
    const auto rate = [&](double z) {
        const double counted = z >= edgeHeight ? kPi * edge * edge : 0.0;
        return tank.m_tiltFactor * kLitresPerMm3 * (openArea(points, z) - counted);
    };
    double below = 0;
    for (std::size_t j = 1; j < breaks.size(); ++j) {
        BottomPiece piece;
        piece.from = breaks[j - 1];
        piece.to = breaks[j];
        const double width = piece.to - piece.from;
        // the quadratic through interior points: the ends may sit on a step of a flat piece of the bottom
        const double quarter = rate(piece.from + width / 4);
        const double middle = rate(piece.from + width / 2);
        const double threeQuarters = rate(piece.from + 3 * width / 4);
        piece.g2 = 8 * (quarter - 2 * middle + threeQuarters);
        piece.g1 = 2 * (threeQuarters - quarter) - piece.g2;
        piece.g0 = middle - piece.g1 / 2 - piece.g2 / 4;
        piece.below = below;
        below += width * (piece.g0 + piece.g1 / 2 + piece.g2 / 3);
        tank.m_bottom.push_back(piece);
    }
    return tank;
}

double MeasuredTank::bottomShare(double level) const
{
    if (m_bottom.empty() || level <= m_bottom.front().from)
        return 0;
    // the last piece whose base is below the level
    const auto after = std::upper_bound(m_bottom.begin(), m_bottom.end(), level,
                                        [](double z, const BottomPiece& p) { return z < p.from; });
    const BottomPiece& p = *std::prev(after);
    const double width = p.to - p.from;
    const double s = std::min(level - p.from, width) / width;
    return p.below + width * s * (p.g0 + s * (p.g1 / 2 + s * p.g2 / 3));
}

// ∫ π (R + k·(h − z))² dz over the course below h, with s = h − z from s1 at its top to s2 at its base:
// R²·(s2 − s1) + R·k·(s2² − s1²) + k²·(s2³ − s1³)/3, and its derivatives in R and t through k = κ·R²/t.
MeasuredTank::CourseShare MeasuredTank::courseShare(const Course& c, double level, bool stretched) const
{
    CourseShare share;
    if (level <= c.from)
        return share;
    const double top = std::min(level, c.to);
    const double k = stretched ? c.growth : 0.0;
    const double r = c.radius;
    const double s1 = level - top;
    const double s2 = level - c.from;
    const double length = top - c.from;
    const double squares = (s2 - s1) * (s2 + s1);
    const double cubes = (s2 - s1) * (s2 * s2 + s2 * s1 + s1 * s1);
    const double scale = m_tiltFactor * kPi * kLitresPerMm3;
    share.volume = scale * (r * r * length + r * k * squares + k * k * cubes / 3);
    share.byRadius = scale * (2 * r * length + 3 * k * squares + 4 * k * k / r * cubes / 3);
    share.byThickness = -scale * (r * k * squares + 2 * k * k * cubes / 3) / c.thickness;
    return share;
}

double MeasuredTank::volumeOf(double level, bool stretched) const
{
    if (!(level > m_lowest))
        return 0;
    level = std::min(level, m_height);
    double litres = bottomShare(level);
    for (const Course& c : m_courses) {
        if (level <= c.from)
            break;
        litres += courseShare(c, level, stretched).volume;
    }
    return litres;
}

double MeasuredTank::volumeAt(double level) const { return volumeOf(level, true); }

double MeasuredTank::volumeBelowZero() const { return volumeOf(0, false); }

double MeasuredTank::raisedBottomVolume() const
{
    double top = 0;
    for (const BottomPoint& p : m_survey)
        top = std::max(top, p.height);
    // what a flat bottom at 0 would hold up to the bottom's highest point, less what this one holds there
    const double radius = m_courses.front().radius;
    const double flat = m_tiltFactor * kPi * radius * radius * top * kLitresPerMm3;
    return flat + volumeOf(0, false) - volumeOf(top, false);
}

std::vector<CourseProtocol> MeasuredTank::courses() const
{
    std::vector<CourseProtocol> out;
    for (std::size_t i = 0; i < m_courses.size(); ++i) {
        const StrappingCourse& c = m_record.courses[i];
        CourseProtocol p;
        p.number = static_cast<int>(i + 1);
        p.from = i == 0 ? 0.0 : m_courses[i].from;
        p.to = m_courses[i].to;
        p.thickness = c.thickness;
        p.readings = c.circumferences;
        p.mean = meanOf(c.circumferences);
        p.corrected = p.mean * m_tapeScale;
        p.innerMeasured = innerMeasured(m_record, c);
        p.inner20 = inner20(m_record, c);
        p.radialGrowthPerMetre = m_courses[i].growth * 1000;
        out.push_back(std::move(p));
    }
    return out;
}

RowUncertainty MeasuredTank::uncertaintyAt(double level, double uLevelMm, double coverage) const
{
    // R = (C·k_tape/π − 2t − 2·paint) / (2·k_shell)
    const double radiusByCircumference = m_tapeScale / (2 * kPi * m_shellScale);
    const double radiusByThickness = -1 / m_shellScale;
    const double uC2 = m_record.uCircumference * m_record.uCircumference;
    const double uT2 = m_record.uThickness * m_record.uThickness;
    double variance = 0;
    if (level > m_lowest) {
        const double h = std::min(level, m_height);
        for (const Course& c : m_courses) {
            if (h <= c.from)
                break;
            const CourseShare share = courseShare(c, h, true);
            const double byCircumference = share.byRadius * radiusByCircumference;
            const double byThickness = share.byRadius * radiusByThickness + share.byThickness;
            variance += byCircumference * byCircumference * uC2 + byThickness * byThickness * uT2;
        }
    }
    RowUncertainty row;
    const double volume = volumeAt(level);
    if (uLevelMm > 0) {
        const double lower = std::clamp(level - kLevelStep, m_lowest, m_height);
        const double upper = std::clamp(level + kLevelStep, m_lowest, m_height);
        const double slope = upper > lower ? (volumeAt(upper) - volumeAt(lower)) / (upper - lower) : 0.0;
        variance += slope * slope * uLevelMm * uLevelMm;
        const double above = volumeAt(level + uLevelMm);
        const double below = volumeAt(level - uLevelMm);
        row.nonlinear = std::abs(above + below - 2 * volume) > 0.1 * std::abs(above - below);
    }
    row.u = std::sqrt(variance);
    row.expanded = coverage * row.u;
    row.relative = volume > 0 ? 100 * row.expanded / volume : std::numeric_limits<double>::quiet_NaN();
    return row;
}

} // namespace tarvol
