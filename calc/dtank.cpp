#include "calc/dtank.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

// Coordinates: x across the tank from the flat side (x = 0 outside) to the convex side (x = S),
// y upwards from the horizontal mid-line. The section is symmetric about the mid-line, so only
// its upper half is built; every wall is offset inwards by the same inset, and every arc keeps
// its centre. Geometry and the refusal rules are explained in docs/dtank.md.

namespace tarvol {
namespace {

struct Point {
    double x;
    double y;
};

// Upper half of one outline: the outer one (inset 0) or the inner one (inset t).
struct Outline {
    double d;     // x of the convex side's centre; the top wall ends above it
    double h;     // height of the top wall's end: the convex side's radius
    double flatX; // the straight flat side, and the mid-height point of the curved one
    bool flatArc;
    double bx; // curved flat side: centre (bx, 0), radius br
    double br;
    bool topArc;
    double vy; // curved top wall: centre (d, vy), radius vr
    double vr;
    double eps; // length tolerance for the tangency tests
};

Outline makeOutline(const DTankDims& k, double inset)
{
    Outline o{};
    o.d = k.S - k.R;
    o.h = k.R - inset;
    o.flatX = inset;
    o.flatArc = k.RB > 0.0;
    o.bx = k.RB;
    o.br = k.RB - inset;
    o.topArc = k.RV > 0.0;
    o.vy = k.R - k.RV;
    o.vr = k.RV - inset;
    o.eps = 1e-9 * std::max({1.0, k.S, k.R, k.RV, k.RB});
    return o;
}

// sqrt(r² - u²) without the cancellation of squaring nearly equal numbers
double halfChord(double r, double u) { return std::sqrt(std::max(0.0, (r - u) * (r + u))); }

// Left branch of the flat side's arc shrunk by rs, at height y.
double flatLeft(const Outline& o, double rs, double y) { return o.bx - halfChord(o.br - rs, y); }

// Left branch of the top wall's arc shrunk by rs, at height y (at or above its centre).
double topLeft(const Outline& o, double rs, double y) { return o.d - halfChord(o.vr - rs, std::max(0.0, y - o.vy)); }

// Centre of the corner arc of radius rs (rs = 0: the sharp corner itself), at distance rs inside
// both the flat side and the top wall. It fits when its tangent points stay on their walls: on
// the flat side at or above the mid-line, where the mirrored corner takes over, and on the top
// wall at or left of x = d, where the convex side begins. For an arc wall the tangent point lies
// on the ray from the wall's centre through the corner centre, so both conditions read on it.
std::optional<Point> cornerCentre(const Outline& o, double rs)
{
    const double e = o.eps;
    if (o.flatArc && (o.br - rs < (rs > 0.0 ? e : -e)))
        return std::nullopt;
    if (o.topArc && (o.vr - rs < (rs > 0.0 ? e : -e)))
        return std::nullopt;

    if (!o.flatArc && !o.topArc) {
        const Point f{o.flatX + rs, o.h - rs};
        if (f.x > o.d + e || f.y < -e)
            return std::nullopt;
        return f;
    }
    if (!o.flatArc) {
        const double fx = o.flatX + rs;
        const double reach = o.d - fx;
        if (reach < -e || o.vr - rs < reach - e)
            return std::nullopt;
        const double fy = o.vy + halfChord(o.vr - rs, reach);
        if (fy < -e)
            return std::nullopt;
        return Point{fx, fy};
    }
    if (!o.topArc) {
        const double fy = o.h - rs;
        if (fy < -e || o.br - rs < fy - e)
            return std::nullopt;
        const double fx = flatLeft(o, rs, fy);
        if (fx > o.d + e)
            return std::nullopt;
        return Point{fx, fy};
    }

    // Two arcs: the shrunk flat arc must start right of the shrunk top arc at the lowest height
    // the corner may take and end left of the top wall's end, so the two cross exactly once.
    const double low = std::max(0.0, o.vy);
    const double top = o.vy + (o.vr - rs);
    if (top < low - e || o.br - rs < top - e)
        return std::nullopt;
    auto gap = [&](double y) { return flatLeft(o, rs, y) - topLeft(o, rs, y); };
    if (gap(low) < -e || flatLeft(o, rs, top) > o.d + e)
        return std::nullopt;
    double lo = low;
    double hi = std::max(low, top);
    // the crossing to full double precision; its position is all the exact area needs
    for (int i = 0; i < 200 && hi - lo > 0.0; ++i) {
        const double mid = 0.5 * (lo + hi);
        if (mid <= lo || mid >= hi)
            break;
        (gap(mid) >= 0.0 ? lo : hi) = mid;
    }
    return Point{flatLeft(o, rs, lo), lo};
}

// Tangent points of the corner arc centred at f: on the flat side, then on the top wall.
std::pair<Point, Point> tangentPoints(const Outline& o, Point f, double rs)
{
    if (rs <= 0.0)
        return {f, f};
    Point onFlat{o.flatX, f.y};
    if (o.flatArc) {
        const double k = o.br / (o.br - rs);
        onFlat = Point{o.bx + (f.x - o.bx) * k, f.y * k};
    }
    Point onTop{f.x, o.h};
    if (o.topArc) {
        const double k = o.vr / (o.vr - rs);
        onTop = Point{o.d + (f.x - o.d) * k, o.vy + (f.y - o.vy) * k};
    }
    return {onFlat, onTop};
}

// The largest corner radius that still fits; the fit shrinks monotonically as RS grows.
double largestCorner(const DTankDims& k)
{
    const Outline outer = makeOutline(k, 0.0);
    double lo = 0.0;
    double hi = k.RS;
    for (int i = 0; i < 200 && hi - lo > 1e-12 * std::max(1.0, hi); ++i) {
        const double mid = 0.5 * (lo + hi);
        (cornerCentre(outer, mid) ? lo : hi) = mid;
    }
    return lo;
}

double roundUpTenth(double v) { return std::ceil(v * 10.0 - 1e-4) / 10.0; }

double roundDownTenth(double v) { return std::floor(v * 10.0 + 1e-4) / 10.0; }

struct FaultText {
    DTankFault fault;
    const char* phrase;
};

constexpr std::array<FaultText, 6> kFaultTexts{{
    {DTankFault::WallTooThick,
     "Толщина стенки ёмкости должна быть меньше радиуса выпуклой стороны ёмкости (R), равного"},
    {DTankFault::WidthBelowRadius, "Ширина ёмкости максимальная (S) должна быть не меньше"},
    {DTankFault::LengthTooShort, "Длина ёмкости (L) должна быть больше двойной толщины стенки, равной"},
    {DTankFault::TopArcTooSmall, "Радиус верхней/нижней стенки (RV) должен быть равен 0 или не меньше"},
    {DTankFault::SideArcTooSmall, "Радиус боковой стенки ёмкости (RB) должен быть равен 0 или не меньше"},
    {DTankFault::CornerTooLarge, "Радиус скругления углов (RS) должен быть не больше"},
}};

} // namespace

std::optional<DTankRefusal> checkDTank(const DTankDims& k)
{
    const double t = k.t;
    if (k.R <= t)
        return DTankRefusal{DTankFault::WallTooThick, k.R};
    if (k.S < k.R + t)
        return DTankRefusal{DTankFault::WidthBelowRadius, k.R + t};
    if (k.L <= 2.0 * t)
        return DTankRefusal{DTankFault::LengthTooShort, 2.0 * t};

    // The inner outline is the stricter one for both arcs: its walls are the outer ones moved in.
    const double rIn = k.R - t;
    const double dIn = k.S - k.R - t;
    if (k.RV > 0.0) {
        // least RV: the arc reaches the flat side at its leftmost point, or at the mid-line
        // when the tank is wider than 2R
        const double least = dIn <= rIn ? k.S - k.R : t + (rIn * rIn + dIn * dIn) / (2.0 * rIn);
        if (k.RV < least)
            return DTankRefusal{DTankFault::TopArcTooSmall, roundUpTenth(least)};
    }
    if (k.RB > 0.0) {
        if (dIn <= 0.0) {
            // no top wall inside: no bulge can reach it, only a wider tank helps
            if (k.RB < k.R)
                return DTankRefusal{DTankFault::SideArcTooSmall, k.R};
            const double bIn = k.RB - t;
            return DTankRefusal{DTankFault::WidthBelowRadius, roundUpTenth(k.R + t + bIn - halfChord(bIn, rIn))};
        }
        // least RB: the arc spans the full height and meets the top wall at x <= S - R
        const double least = dIn >= rIn ? k.R : t + (rIn * rIn + dIn * dIn) / (2.0 * dIn);
        if (k.RB < least)
            return DTankRefusal{DTankFault::SideArcTooSmall, roundUpTenth(least)};
    }
    // The inner corner arc has the outer one's centre and tangent rays, so the outer test covers it.
    if (k.RS > 0.0 && !cornerCentre(makeOutline(k, 0.0), k.RS))
        return DTankRefusal{DTankFault::CornerTooLarge, roundDownTenth(largestCorner(k))};
    return std::nullopt;
}

std::string dtankRefusalField(DTankFault fault)
{
    for (const FaultText& text : kFaultTexts) {
        if (text.fault == fault)
            return text.phrase;
    }
    return {};
}

DTankSection::DTankSection(const DTankDims& k)
{
    if (checkDTank(k))
        return;
    const Outline in = makeOutline(k, k.t);
    const double rs = k.RS > k.t ? k.RS - k.t : 0.0; // a thinner corner vanishes inside the wall
    const std::optional<Point> centre = cornerCentre(in, rs);
    if (!centre)
        return;
    const auto [onFlat, onTop] = tangentPoints(in, *centre, rs);

    const double h = in.h;
    const double y1 = std::clamp(onFlat.y, 0.0, h);
    const double y2 = in.topArc ? std::clamp(onTop.y, y1, h) : h;
    if (in.flatArc)
        m_left.push_back({0.0, y1, in.bx, 0.0, in.br, -1.0});
    else
        m_left.push_back({0.0, y1, in.flatX, 0.0, 0.0, -1.0});
    if (rs > 0.0)
        m_left.push_back({y1, y2, centre->x, centre->y, rs, -1.0});
    if (in.topArc)
        m_left.push_back({y2, h, in.d, in.vy, in.vr, -1.0});
    m_right = {0.0, h, in.d, 0.0, h, 1.0};

    m_halfHeight = h;
    m_innerLength = k.L - 2.0 * k.t;
    double half = integral(m_right);
    for (const Piece& piece : m_left)
        half -= integral(piece);
    m_area = 2.0 * half;
}

double DTankSection::height() const { return 2.0 * m_halfHeight; }

double DTankSection::innerLength() const { return m_innerLength; }

double DTankSection::widthAt(double y) const
{
    if (m_halfHeight <= 0.0 || y < 0.0 || y > 2.0 * m_halfHeight)
        return 0.0;
    const double fromMid = std::min(std::abs(y - m_halfHeight), m_halfHeight);
    return std::max(0.0, xAt(m_right, fromMid) - leftX(fromMid));
}

double DTankSection::area() const { return m_area; }

double DTankSection::areaBelow(double y) const
{
    const double h = m_halfHeight;
    if (h <= 0.0)
        return 0.0;
    const double level = std::clamp(y, 0.0, 2.0 * h);
    return level <= h ? 0.5 * m_area - halfAreaUpTo(h - level) : 0.5 * m_area + halfAreaUpTo(level - h);
}

double DTankSection::halfAreaUpTo(double u) const
{
    const auto upTo = [u](Piece piece) {
        piece.y1 = std::min(piece.y1, u);
        return integral(piece);
    };
    double area = upTo(m_right);
    for (const Piece& piece : m_left)
        area -= upTo(piece);
    return area;
}

double DTankSection::xAt(const Piece& piece, double y)
{
    return piece.cx + piece.side * halfChord(piece.r, y - piece.cy);
}

// ∫ x dy over the piece: cx Δy + side ∫ sqrt(r² - u²) du, the latter as the circular
// sector-and-triangle formula with the sector angle taken from one atan2 (no asin differences).
double DTankSection::integral(const Piece& piece)
{
    const double dy = piece.y1 - piece.y0;
    if (piece.r <= 0.0 || dy <= 0.0)
        return piece.cx * std::max(0.0, dy);
    const double r = piece.r;
    const double u0 = std::clamp(piece.y0 - piece.cy, -r, r);
    const double u1 = std::clamp(piece.y1 - piece.cy, -r, r);
    const double s0 = halfChord(r, u0);
    const double s1 = halfChord(r, u1);
    const double angle = std::atan2(u1 * s0 - u0 * s1, u0 * u1 + s0 * s1);
    const double underArc = 0.5 * (u1 * s1 - u0 * s0 + r * r * angle);
    return piece.cx * dy + piece.side * underArc;
}

double DTankSection::leftX(double y) const
{
    for (const Piece& piece : m_left) {
        if (y <= piece.y1)
            return xAt(piece, y);
    }
    return m_left.empty() ? 0.0 : xAt(m_left.back(), y);
}

} // namespace tarvol
