#include "calc/tilt.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <numbers>
#include <stdexcept>

#include <boost/math/quadrature/gauss_kronrod.hpp>
#include <boost/math/tools/minima.hpp>
#include <boost/math/tools/roots.hpp>

#include "calc/catalogue.h"
#include "calc/dtank.h"
#include "calc/format.h"
#include "calc/inclined.h"
#include "calc/skeleton.h"

namespace tarvol {
namespace {

constexpr double kRadian = std::numbers::pi / 180;
constexpr double kRightAngle = 90;
// a table of more levels than this would run for minutes: the orientation is refused instead
constexpr double kMostLevels = 2e8;
// a roll this small changes no digit of a section; below it the level section's formulas apply
constexpr double kLeastRoll = 1e-12;
constexpr double kQuadratureTolerance = 1e-12;
constexpr unsigned kQuadratureDepth = 12;
constexpr int kExtremumBits = std::numeric_limits<double>::digits / 2;
constexpr int kBisections = 200;

using Quadrature = boost::math::quadrature::gauss_kronrod<double, 21>;
using Interval = std::pair<double, double>;

std::string number(double value) { return formatGeneral(value, ','); }

// f(lo) and f(hi) differ in sign, or one is 0: the root between them.
template <class F>
double rootBetween(F f, double lo, double hi, double fLo, double fHi)
{
    if (fLo == 0)
        return lo;
    if (fHi == 0)
        return hi;
    std::uintmax_t iterations = 200;
    const auto bracket =
        boost::math::tools::toms748_solve(f, lo, hi, fLo, fHi, boost::math::tools::eps_tolerance<double>(), iterations);
    return 0.5 * (bracket.first + bracket.second);
}

// Where the concave f is positive on [lo, hi]: an interval, empty when first >= second.
template <class F>
Interval positiveSet(F f, double lo, double hi)
{
    const double fLo = f(lo);
    const double fHi = f(hi);
    if (fLo > 0 && fHi > 0)
        return {lo, hi};
    if (fLo > 0)
        return {lo, rootBetween(f, lo, hi, fLo, fHi)};
    if (fHi > 0)
        return {rootBetween(f, lo, hi, fLo, fHi), hi};
    const auto [at, negated] =
        boost::math::tools::brent_find_minima([&](double u) { return -f(u); }, lo, hi, kExtremumBits);
    if (-negated <= 0)
        return {lo, lo};
    return {rootBetween(f, lo, at, fLo, -negated), rootBetween(f, at, hi, -negated, fHi)};
}

// ∫_a^b f with s = a + (b − a) sin²(φ/2): a square-root edge at either end becomes smooth in φ.
template <class F>
double integrateWithEdges(F f, double a, double b)
{
    if (!(b > a))
        return 0;
    const double width = b - a;
    const auto inPhi = [&](double phi) {
        const double sh = std::sin(0.5 * phi);
        const double ch = std::cos(0.5 * phi);
        const double s = phi < 0.5 * std::numbers::pi ? a + width * sh * sh : b - width * ch * ch;
        return f(s) * width * sh * ch;
    };
    return Quadrature::integrate(inPhi, 0.0, std::numbers::pi, kQuadratureDepth, kQuadratureTolerance);
}

// The section across the shell: u across from the middle (right positive), v up from the bottom line. It is
// convex, so each height v in [0, height] crosses it in one interval [left(v), right(v)].
struct Outline {
    double height = 0;
    std::function<double(double)> left, right;
    std::vector<double> breaks; // heights where the outline is not smooth
    bool ellipse = false;       // circle or ellipse, right(v) = halfWidth·√(1 − (2v/height − 1)²)
    double halfWidth = 0;
    double area = 0;
};

Outline ellipseOutline(double width, double height)
{
    Outline o;
    o.height = height;
    o.ellipse = true;
    o.halfWidth = 0.5 * width;
    const double scale = height > 0 ? width / height : 0;
    o.right = [scale, height](double v) { return scale * std::sqrt(std::max(0.0, v * (height - v))); };
    o.left = [scale, height](double v) { return -scale * std::sqrt(std::max(0.0, v * (height - v))); };
    o.area = 0.25 * std::numbers::pi * width * height;
    return o;
}

Outline roundedBoxOutline(double height, double width, double corner)
{
    Outline o;
    o.height = height;
    const double half = 0.5 * width;
    o.right = [=](double v) {
        const double fromEdge = std::min(v, height - v); // the nearer of the bottom and the top
        if (fromEdge >= corner)
            return half;
        const double d = std::max(fromEdge, 0.0);
        return half - corner + std::sqrt(d * (2 * corner - d));
    };
    o.left = [right = o.right](double v) { return -right(v); };
    if (corner > 0)
        o.breaks = {corner, height - corner};
    o.area = width * height - (4 - std::numbers::pi) * corner * corner;
    return o;
}

// The D-shaped tank's inner section: the convex side on the right, the flat side on the left; u = 0 halfway
// across the outer width.
Outline dtankOutline(const DTankDims& dims)
{
    const auto section = std::make_shared<const DTankSection>(dims);
    Outline o;
    o.height = section->height();
    const double h = 0.5 * o.height;
    const double centre = (dims.S - dims.R) - 0.5 * dims.S;
    o.right = [=](double v) { return centre + std::sqrt(std::max(0.0, v * (2 * h - v))); };
    o.left = [section, right = o.right](double v) { return right(v) - section->widthAt(v); };
    o.area = section->area();
    return o;
}

// The section cut by the lines u·sin φ + v·cos φ = c: the area below one, its chord, and the range of c.
class RolledSection {
public:
    RolledSection() = default;
    RolledSection(Outline outline, double roll) : m_outline(std::move(outline))
    {
        m_sin = std::sin(roll);
        m_cos = std::cos(roll);
        if (m_sin < 0) {
            // the mirror image rolled the other way: left and right swap sides
            m_sin = -m_sin;
            const auto left = m_outline.left;
            const auto right = m_outline.right;
            m_outline.left = [right](double v) { return -right(v); };
            m_outline.right = [left](double v) { return -left(v); };
        }
        m_level = m_sin < kLeastRoll;
        const double H = m_outline.height;
        if (m_outline.ellipse) {
            m_norm = std::hypot(m_outline.halfWidth * m_sin, 0.5 * H * m_cos);
            m_cMin = 0.5 * H * m_cos - m_norm;
            m_cMax = 0.5 * H * m_cos + m_norm;
        } else if (m_level) {
            m_cMin = 0;
            m_cMax = H * m_cos;
        } else {
            const auto lowest = [&](double v) { return m_outline.left(v) * m_sin + v * m_cos; };
            const auto highest = [&](double v) { return -(m_outline.right(v) * m_sin + v * m_cos); };
            m_cMin = std::min({lowest(0), lowest(H), extremum(lowest)});
            m_cMax = -std::min({highest(0), highest(H), extremum(highest)});
        }
    }

    double cMin() const { return m_cMin; }
    double cMax() const { return m_cMax; }
    double area() const { return m_outline.area; }
    const Outline& outline() const { return m_outline; }

    // area (mm²) of the part with u·sin φ + v·cos φ < c
    double below(double c) const
    {
        if (c <= m_cMin)
            return 0;
        if (c >= m_cMax)
            return area();
        if (m_outline.ellipse)
            return m_outline.halfWidth * 0.5 * m_outline.height * segmentBelow(1, offset(c));
        if (m_level)
            return strip([this](double v) { return width(v); }, 0, c / m_cos);
        // each height's interval cut at u < X(v), X falling with v: pieces between the heights where X meets a side
        const auto X = [&](double v) { return (c - v * m_cos) / m_sin; };
        const auto cut = [&](double v) {
            const double l = m_outline.left(v);
            return std::max(0.0, std::min(m_outline.right(v), X(v)) - l);
        };
        return strip(cut, 0, m_outline.height, crossings(X));
    }

    // length (mm) of the line u·sin φ + v·cos φ = c inside the section
    double chord(double c) const
    {
        if (c <= m_cMin || c >= m_cMax)
            return 0;
        if (m_outline.ellipse) {
            const double t = offset(c);
            return m_outline.halfWidth * m_outline.height * std::sqrt((1 - t) * (1 + t)) / m_norm;
        }
        if (m_level)
            return width(c / m_cos);
        const auto X = [&](double v) { return (c - v * m_cos) / m_sin; };
        const Interval span = lineSpan(X);
        return std::max(0.0, span.second - span.first) / m_sin;
    }

    // ∫ chord over [lo, hi]: below(hi) − below(lo), or for a short interval the chord's quadrature, which keeps
    // the digits the difference would lose
    double between(double lo, double hi) const
    {
        lo = std::max(lo, m_cMin);
        hi = std::min(hi, m_cMax);
        if (!(hi > lo))
            return 0;
        if (hi - lo < 1e-3 * (m_cMax - m_cMin))
            return integrateWithEdges([this](double c) { return chord(c); }, lo, hi);
        return below(hi) - below(lo);
    }

    // heights v where the line u = X(v) lies inside the section
    template <class F>
    Interval lineSpan(F X) const
    {
        const double H = m_outline.height;
        const Interval inRight = positiveSet([&](double v) { return m_outline.right(v) - X(v); }, 0.0, H);
        const Interval inLeft = positiveSet([&](double v) { return X(v) - m_outline.left(v); }, 0.0, H);
        return {std::max(inRight.first, inLeft.first), std::min(inRight.second, inLeft.second)};
    }

private:
    double width(double v) const
    {
        if (!(v > 0 && v < m_outline.height))
            return 0;
        return std::max(0.0, m_outline.right(v) - m_outline.left(v));
    }

    double offset(double c) const { return std::clamp((c - 0.5 * m_outline.height * m_cos) / m_norm, -1.0, 1.0); }

    template <class F>
    double extremum(F f) const
    {
        double best = boost::math::tools::brent_find_minima(f, 0.0, m_outline.height, kExtremumBits).second;
        for (double b : m_outline.breaks)
            best = std::min(best, f(b));
        return best;
    }

    // heights where X meets either side: the ends of the pieces of below()
    template <class F>
    std::vector<double> crossings(F X) const
    {
        const double H = m_outline.height;
        const Interval inRight = positiveSet([&](double v) { return m_outline.right(v) - X(v); }, 0.0, H);
        const Interval inLeft = positiveSet([&](double v) { return X(v) - m_outline.left(v); }, 0.0, H);
        return {inRight.first, inRight.second, inLeft.first, inLeft.second};
    }

    template <class F>
    double strip(F f, double from, double to, std::vector<double> cuts = {}) const
    {
        from = std::max(from, 0.0);
        to = std::min(to, m_outline.height);
        if (!(to > from))
            return 0;
        cuts.insert(cuts.end(), m_outline.breaks.begin(), m_outline.breaks.end());
        cuts.push_back(from);
        cuts.push_back(to);
        std::sort(cuts.begin(), cuts.end());
        double sum = 0;
        double at = from;
        for (double cut : cuts) {
            if (cut <= at || cut > to)
                continue;
            sum += integrateWithEdges(f, at, cut);
            at = cut;
        }
        return sum;
    }

    Outline m_outline;
    double m_sin = 0, m_cos = 1, m_norm = 1;
    double m_cMin = 0, m_cMax = 0;
    bool m_level = true;
};

// What a shape gives the tilted tank: its section, its shell, and the inclined shapes' tank where there is one.
struct ShapeGeometry {
    Outline outline;
    std::optional<TiltedTank> tilted; // shapes 8 to 15
    double shellLength = 0;           // the x range of the gauge
    double riseLength = 0;            // the length a pitch's rise is measured over
    double riseWidth = 0;             // the width a roll's rise is measured over
    double fullVolume = 0;            // litres
};

std::optional<std::string> dimensionsFault(int shape, std::span<const double> dims)
{
    if (const GroupRange horizontal = groupRange(Group::Horizontal);
        shape < horizontal.first || shape > horizontal.last)
        return "Наклон и крен задаются только для горизонтальных ёмкостей (формы " + std::to_string(horizontal.first)
               + "–" + std::to_string(horizontal.last) + "), а не для формы " + std::to_string(shape) + ".";
    std::optional<Refusal> refusal = dimensionsRefusal(shape, dims);
    if (!refusal)
        refusal = tarvol::shape(shape).functions.check(dims);
    if (!refusal && tarvol::shape(shape).functions.trueVolume(dims) <= 0)
        refusal = inconsistent(Fault::TooShallow, -1, kLeastHeight);
    if (!refusal)
        return std::nullopt;
    explainRefusal(*refusal, shape, ',');
    return refusal->message;
}

// dims already accepted by dimensionsFault
ShapeGeometry geometryOf(int shape, std::span<const double> dims)
{
    const ShapeFunctions& functions = tarvol::shape(shape).functions;
    ShapeGeometry g;
    g.fullVolume = functions.trueVolume(dims);
    if (functions.tilt) {
        const TiltedTank tank = functions.tilt(dims);
        g.tilted = tank;
        g.outline = tank.section == ShellSection::Rectangle ? roundedBoxOutline(tank.height, tank.width, 0)
                                                            : ellipseOutline(tank.width, tank.height);
        g.shellLength = g.riseLength = tank.shellLength;
        g.riseWidth = tank.width;
    } else if (tarvol::shape(shape).key == "rounded-box") {
        g.outline = roundedBoxOutline(dims[1], dims[2], dims[3]);
        g.shellLength = g.riseLength = dims[0];
        g.riseWidth = dims[2];
    } else {
        const DTankDims d{dims[0], dims[1], dims[2], dims[3], dims[4], dims[5], dims[6]};
        g.outline = dtankOutline(d);
        g.shellLength = d.L - 2 * d.t; // the liquid's length, inside the end walls
        g.riseLength = d.L;            // outer dimensions, as the fields give them
        g.riseWidth = d.S;
    }
    return g;
}

expected<double, std::string> angleFromRise(int shape, std::span<const double> dims, double rise, bool pitch)
{
    if (auto fault = dimensionsFault(shape, dims))
        return unexpected<std::string>(*fault);
    const ShapeGeometry g = geometryOf(shape, dims);
    const double length = pitch ? g.riseLength : g.riseWidth;
    const char* what = pitch ? "Подъём второго конца ёмкости " : "Подъём правого борта ёмкости ";
    const char* over =
        pitch ? " мм должен быть по модулю меньше её длины " : " мм должен быть по модулю меньше её ширины ";
    if (!std::isfinite(rise) || !(std::fabs(rise) < length))
        return unexpected<std::string>(what + number(rise) + over + number(length) + " мм.");
    return std::asin(rise / length) / kRadian;
}

std::string angleFault(const char* what, double degrees)
{
    return std::string(what) + number(degrees) + "° недопустим: он должен быть больше −90° и меньше 90°.";
}

} // namespace

// Everything one tank in one orientation needs, prepared once. The pitch is made positive by numbering x from
// the other end: every shape is the same at both ends.
struct OrientedTank::Geometry {
    enum class Path {
        Revolved, // the inclined shapes' exact sections, shifted: a round shell at any roll, any shape level across
        Prism,    // a shell of constant section rolled: the rolled section's area function along x
    };
    Path path = Path::Prism;
    TiltedTank tank;
    RolledSection section;
    double length = 0;
    double sinPitch = 0, cosPitch = 1, tanPitch = 0;
    double sinRoll = 0, cosRoll = 1;
    double shift = 0; // Revolved: the inclined tank's height of a point less its height here
    double footZ = 0; // the foot's height
    double scale = 1; // world height per mm of reading
    double zMin = 0, zMax = 0;
    double top = 0;  // the gauge's highest reading
    double full = 0; // litres
    std::string name;

    // area (mm²) of the horizontal section at height Z
    double areaAt(double Z) const
    {
        if (path == Path::Revolved)
            return tiltedSectionArea(tank, Z + shift);
        const double c0 = Z / cosPitch;
        if (sinPitch == 0)
            return length * section.chord(c0);
        // (1 / cos θ) ∫ chord(c(x)) dx with dc = −tan θ dx
        return section.between(c0 - length * tanPitch, c0) / sinPitch;
    }

    // volume (mm³) below the height Z
    double volumeBelow(double Z) const
    {
        if (path == Path::Revolved)
            return tiltedVolume(tank, Z + shift);
        const double c0 = Z / cosPitch;
        if (sinPitch == 0)
            return length * section.below(c0);
        const double c1 = c0 - length * tanPitch;
        const double whole = section.area() * std::max(0.0, c0 - std::max(c1, section.cMax()));
        const double lo = std::max(c1, section.cMin());
        const double hi = std::min(c0, section.cMax());
        const double part = integrateWithEdges([this](double c) { return section.below(c); }, lo, hi);
        return (whole + part) / tanPitch;
    }

    double heightAt(double n) const { return footZ + n * scale; }

    double volumeAtLevel(double n) const
    {
        const double Z = heightAt(n);
        if (!(Z > zMin))
            return 0;
        if (Z >= zMax)
            return full;
        return std::clamp(volumeBelow(Z) * kLitrePerMm3, 0.0, full);
    }
};

namespace {

using Geometry = OrientedTank::Geometry;

// The frame's view of an oriented tank: 1 mm slabs of reading from the lowest one.
struct OrientedBody {
    static constexpr std::int64_t kPollEvery = 1 << 6;
    std::shared_ptr<const Geometry> g;
    Frame frame() const
    {
        const double top = std::ceil((g->zMax - g->footZ) / g->scale);
        const auto first = static_cast<std::int64_t>(std::floor((g->zMin - g->footZ) / g->scale)) + 1;
        return {top, 0.1 * Ext(top), first};
    }
    std::optional<Refusal> check() const { return {}; }
    double slab(double level) const
    {
        return static_cast<double>(Ext(g->areaAt(g->footZ + (level - 0.5) * g->scale)) * g->scale * kMilli);
    }
    double trueVolume() const { return g->full; }
    double volumeAt(double level) const { return g->volumeAtLevel(level); }
};

double modelVolume(const void* geometry, double level)
{
    const auto* g = static_cast<const Geometry*>(geometry);
    const double highest = (g->zMax - g->footZ) / g->scale;
    return g->volumeAtLevel(std::clamp(level, 0.0, std::max(highest, 0.0)));
}

// The gauge's foot and its line, or why there is none.
expected<std::shared_ptr<Geometry>, std::string> build(int shape, std::span<const double> dims, const Orientation& o)
{
    if (auto fault = dimensionsFault(shape, dims))
        return unexpected<std::string>(*fault);
    if (!std::isfinite(o.pitchDegrees) || !(std::fabs(o.pitchDegrees) < kRightAngle))
        return unexpected<std::string>(angleFault("Угол наклона вдоль ёмкости ", o.pitchDegrees));
    if (!std::isfinite(o.rollDegrees) || !(std::fabs(o.rollDegrees) < kRightAngle))
        return unexpected<std::string>(angleFault("Угол крена ", o.rollDegrees));
    ShapeGeometry sg = geometryOf(shape, dims);
    auto g = std::make_shared<Geometry>();
    g->name = std::string(tarvol::shape(shape).name);
    g->length = sg.shellLength;
    g->full = sg.fullVolume;
    const double Ls = sg.shellLength;
    const double x = o.gaugeX.value_or(0.5 * Ls);
    if (!std::isfinite(x) || x < 0 || x > Ls)
        return unexpected<std::string>("Уровнемер в " + number(x) + " мм от первого конца ёмкости стоит вне её: "
                                       + "допустимо от 0 до " + number(Ls) + " мм.");
    const double pitch = std::fabs(o.pitchDegrees) * kRadian;
    const double gaugeX = o.pitchDegrees < 0 ? Ls - x : x; // numbered from the end that is now lower
    const double roll = o.rollDegrees * kRadian;
    g->sinPitch = std::sin(pitch);
    g->cosPitch = std::cos(pitch);
    g->tanPitch = g->sinPitch / g->cosPitch;
    g->sinRoll = std::sin(roll);
    g->cosRoll = std::cos(roll);
    const double rise = Ls * g->sinPitch;
    if (pitch > 0 && !(rise < Ls))
        return unexpected<std::string>(angleFault("Угол наклона вдоль ёмкости ", o.pitchDegrees));

    const double H = sg.outline.height;
    const bool round = sg.tilted && sg.tilted->section == ShellSection::Circle;
    g->section = RolledSection(sg.outline, roll);
    if (sg.tilted && (round || o.rollDegrees == 0)) {
        g->path = Geometry::Path::Revolved;
        g->tank = *sg.tilted;
        g->tank.rise = rise;
        // a disc about the axis cut by a line at distance t from its centre is the same at any roll
        g->shift = 0.5 * H * (1 - g->cosRoll) * g->cosPitch;
        g->zMin = tiltedZMin(g->tank) - g->shift;
        g->zMax = tiltedZMax(g->tank) - g->shift;
    } else {
        g->path = Geometry::Path::Prism;
        g->zMin = g->section.cMin() * g->cosPitch;
        g->zMax = g->section.cMax() * g->cosPitch + Ls * g->sinPitch;
    }

    // the gauge's line across the section: vertical through (y, H/2), or the tank's own z at y
    const bool vertical = o.gauge == GaugeKind::Vertical;
    const double lean = vertical ? std::tan(roll) : 0.0;
    const double y = o.gaugeY;
    const auto across = [&](double v) { return y + (v - 0.5 * H) * lean; };
    Interval span{0, 0};
    if (std::isfinite(y))
        span = RolledSection(sg.outline, 0).lineSpan(across);
    if (!(span.second > span.first))
        return unexpected<std::string>("Уровнемер в " + number(y) + " мм от середины ёмкости поперёк стоит вне её.");
    const double footU = across(span.first);
    const double footV = span.first;
    g->footZ = gaugeX * g->sinPitch + (footU * g->sinRoll + footV * g->cosRoll) * g->cosPitch;
    g->scale = vertical ? 1.0 : g->cosPitch * g->cosRoll;

    // where the gauge's line leaves the tank: the top of the section, an end wall, or a head
    const double inSection = (span.second - span.first) / (vertical ? g->cosRoll : 1.0);
    if (!vertical || g->sinPitch == 0 || gaugeX + inSection * g->tanPitch <= Ls) {
        g->top = vertical ? inSection / g->cosPitch : inSection;
    } else {
        double lo = (Ls - gaugeX) / g->sinPitch; // the line meets the end plane
        const HeadProfile& head = g->tank.head;
        if (g->path == Geometry::Path::Revolved && head.length > 0 && head.radius) {
            const auto inside = [&](double s) {
                const double u = gaugeX + s * g->sinPitch - Ls;
                if (u > head.length)
                    return false;
                const double du = footU + s * g->cosPitch * g->sinRoll;
                const double dv = footV + s * g->cosPitch * g->cosRoll - 0.5 * H;
                const double r = head.radius(std::max(u, 0.0));
                return du * du + dv * dv <= r * r;
            };
            double hi = inSection / g->cosPitch;
            for (int k = 0; k < kBisections && hi - lo > 1e-9 * hi; ++k) {
                const double mid = 0.5 * (lo + hi);
                (inside(mid) ? lo : hi) = mid;
            }
        }
        g->top = lo;
    }

    const double highest = (g->zMax - g->footZ) / g->scale;
    const double lowest = (g->zMin - g->footZ) / g->scale;
    if (!(std::ceil(highest) >= kLeastHeight))
        return unexpected<std::string>("Над уровнемером в " + number(x) + " мм от первого конца и " + number(y)
                                       + " мм поперёк остаётся меньше " + number(kLeastHeight)
                                       + " мм уровня: передвиньте уровнемер ниже.");
    if (!(highest - lowest < kMostLevels))
        return unexpected<std::string>("Наклон " + number(o.pitchDegrees) + "° и крен " + number(o.rollDegrees)
                                       + "° дают слишком длинную шкалу уровнемера: " + number(std::ceil(highest))
                                       + " мм.");
    return g;
}

} // namespace

std::optional<std::string> orientationRefusal(int shape, std::span<const double> dims, const Orientation& orientation)
{
    try {
        auto built = build(shape, dims, orientation);
        if (!built)
            return built.error();
        return std::nullopt;
    } catch (const std::exception&) {
        return "Не удалось рассчитать ёмкость в этом положении: наклон " + number(orientation.pitchDegrees) + "°, крен "
               + number(orientation.rollDegrees) + "°.";
    }
}

expected<OrientedTank, std::string> OrientedTank::prepare(int shape, std::span<const double> dims,
                                                          const Orientation& orientation)
{
    try {
        auto built = build(shape, dims, orientation);
        if (!built)
            return unexpected<std::string>(built.error());
        return OrientedTank(std::shared_ptr<const Geometry>(std::move(*built)));
    } catch (const std::exception&) {
        return unexpected<std::string>("Не удалось рассчитать ёмкость в этом положении: наклон "
                                       + number(orientation.pitchDegrees) + "°, крен " + number(orientation.rollDegrees)
                                       + "°.");
    }
}

expected<double, std::string> pitchFromRise(int shape, std::span<const double> dims, double riseMm)
{
    return angleFromRise(shape, dims, riseMm, true);
}

expected<double, std::string> rollFromRise(int shape, std::span<const double> dims, double riseMm)
{
    return angleFromRise(shape, dims, riseMm, false);
}

double OrientedTank::volumeAtLevel(double n) const
{
    if (std::isnan(n))
        return 0;
    return m_geometry->volumeAtLevel(n);
}

double OrientedTank::lowestLevel() const { return (m_geometry->zMin - m_geometry->footZ) / m_geometry->scale; }
double OrientedTank::highestLevel() const { return (m_geometry->zMax - m_geometry->footZ) / m_geometry->scale; }
double OrientedTank::gaugeTop() const { return m_geometry->top; }
double OrientedTank::fullVolume() const { return m_geometry->full; }
double OrientedTank::deadVolume() const { return volumeAtLevel(0); }

std::vector<std::pair<double, double>> OrientedTank::blindRanges() const
{
    const double last = std::ceil(highestLevel());
    if (gaugeTop() < last)
        return {{gaugeTop(), last}};
    return {};
}

RunOutcome OrientedTank::table(const RunOptions& options) const
{
    RunOutcome outcome = runBody(OrientedBody{m_geometry}, options);
    if (outcome.ok()) {
        CalcResult& r = outcome.result();
        r.accuracy = accuracyOf(-1, r.sumVolume, r.trueVolume);
        r.errorLine = errorLine(r.accuracy, options.separator);
    }
    return outcome;
}

TankModel OrientedTank::model() const
{
    return TankModel(m_geometry, &modelVolume, m_geometry->full, std::ceil(highestLevel()));
}

std::optional<TiltSketch> tiltSketch(int shape, std::span<const double> dims)
{
    if (dimensionsFault(shape, dims))
        return std::nullopt;
    const ShapeGeometry g = geometryOf(shape, dims);
    constexpr int kSteps = 48; // per side: smooth enough for a drawing a few hundred pixels across
    TiltSketch sketch;
    sketch.shellLength = g.shellLength;
    sketch.height = g.outline.height;
    for (int i = 0; i <= kSteps; ++i) {
        const double v = g.outline.height * i / kSteps;
        sketch.section.emplace_back(g.outline.right(v), v);
    }
    for (int i = kSteps; i >= 0; --i) {
        const double v = g.outline.height * i / kSteps;
        sketch.section.emplace_back(g.outline.left(v), v);
    }
    return sketch;
}

ModelOutcome prepareModel(int shape, std::span<const double> dims, const std::optional<Orientation>& orientation)
{
    if (!orientation)
        return prepareModel(shape, dims);
    if (auto refused = dimensionsRefusal(shape, dims))
        return *refused;
    auto tilted = OrientedTank::prepare(shape, dims, *orientation);
    if (!tilted) {
        Refusal r;
        r.message = tilted.error();
        return r;
    }
    return tilted->model();
}

expected<TiltGrid, RunFailure> tiltGrid(int shape, std::span<const double> dims, const Orientation& base,
                                        std::span<const double> pitches, std::span<const double> rolls,
                                        double levelStep, const RunOptions& options)
{
    const auto refuse = [](std::string message) {
        Refusal r;
        r.message = std::move(message);
        return unexpected<RunFailure>(std::move(r));
    };
    if (pitches.empty() == rolls.empty())
        return refuse("Для таблицы поправок задайте либо ряд углов наклона, либо ряд углов крена.");
    if (!(levelStep >= 1 && levelStep <= kMostLevels && levelStep == std::floor(levelStep)))
        return refuse("Шаг уровня " + number(levelStep) + " мм должен быть целым числом миллиметров не меньше 1.");
    TiltGrid grid;
    std::vector<std::vector<double>> columns;
    const size_t count = pitches.empty() ? rolls.size() : pitches.size();
    double top = 0;
    for (size_t k = 0; k < count; ++k) {
        Orientation o = base;
        if (!pitches.empty())
            o.pitchDegrees = pitches[k];
        else
            o.rollDegrees = rolls[k];
        auto tank = OrientedTank::prepare(shape, dims, o);
        if (!tank)
            return refuse(tank.error());
        RunOptions each;
        each.keepEveryLevel = true;
        each.cancel = options.cancel;
        RunOutcome table = tank->table(each);
        if (table.cancelled())
            return unexpected<RunFailure>(Cancelled{});
        if (!table.ok())
            return refuse(table.refusal() ? table.refusal()->message : std::string());
        grid.pitches.push_back(o.pitchDegrees);
        grid.rolls.push_back(o.rollDegrees);
        columns.push_back(std::move(table.result().levelVolumes));
        top = std::max(top, static_cast<double>(columns.back().size() - 1));
        if (options.progress)
            options.progress(static_cast<double>(k + 1) / static_cast<double>(count));
    }
    for (double level = 0; level <= top; level += levelStep) {
        grid.levels.push_back(level);
        std::vector<double> row;
        row.reserve(columns.size());
        for (const auto& column : columns)
            row.push_back(column[std::min(static_cast<size_t>(level), column.size() - 1)]);
        grid.volumes.push_back(std::move(row));
    }
    return grid;
}

} // namespace tarvol
