#include "calc/catalogue.h"

#include <algorithm>

#include "calc/shapes.h"

namespace tarvol {
namespace {

using Captions = std::string_view;

// Captions shared by many shapes, spelled once.
constexpr Captions kD = "Внутренний диаметр емкости (D)";
constexpr Captions kLength = "Длина ёмкости (L)";
constexpr Captions kHeight = "Высота ёмкости (H)";
constexpr Captions kShellHeight = "Высота цилиндрической части ёмкости (H)";
constexpr Captions kHeadHeight = "Высота цилиндрической части днища (HD)";
constexpr Captions kShellLength = "Длина цилиндрической части ёмкости (L)";
constexpr Captions kHeadLength = "Длина цилиндрической части днища (LD)";
constexpr Captions kConeHeight = "Высота конической части днища (HK)";
constexpr Captions kConeLength = "Длина конической части днища (LK)";
constexpr Captions kConeDmin = "Минимальный диаметр конуса днища (Dmin)";
constexpr Captions kSphereHeight = "Высота сферической части днища (HS)";
constexpr Captions kSphereLength = "Длина сферической части днища (LS)";
constexpr Captions kCrownRadius = "Радиус сферической части днища (RS)";
constexpr Captions kKnuckleRadius = "Радиус отбортовки (скругления) (RSK)";
constexpr Captions kEllipseWidth = "Ширина эллипса (S)";
constexpr Captions kEllipseHeight = "Высота эллипса (H)";
constexpr Captions kBoxWidth = "Ширина ёмкости (S)";
constexpr Captions kCornerRadius = "Радиус скругления углов (RS)";
constexpr Captions kRiseEnds = "Разность высот краёв емкости (A)";
constexpr Captions kRiseShell = "Разность высот цилиндрической части (A)";
constexpr Captions kGauge = "От нижнего края до уровнемера (B)";

constexpr Captions c0[] = {"Внутренний диаметр ёмкости (D)"};
constexpr Captions c1[] = {kHeight, kD};
constexpr Captions c2[] = {kHeight, "Максимальный диаметр эллипса (Dmax)", "Минимальный диаметр эллипса (Dmin)"};
constexpr Captions c3[] = {kShellHeight, kD, kHeadHeight, kSphereHeight};
constexpr Captions c4[] = {kShellHeight, kD, kHeadHeight, "Высота эллиптической части днища (HEL)"};
constexpr Captions c5[] = {kShellHeight, kD, kHeadHeight, kConeHeight};
constexpr Captions c6[] = {kShellHeight, kD, kHeadHeight, kConeHeight, kConeDmin};
constexpr Captions c7[] = {kShellHeight, kD, kHeadHeight, kSphereHeight, kCrownRadius, kKnuckleRadius};
constexpr Captions c8[] = {kLength, kD};
constexpr Captions c9[] = {kLength, kEllipseWidth, kEllipseHeight};
constexpr Captions c10[] = {kShellLength, kD, kHeadLength, kSphereLength};
constexpr Captions c11[] = {kShellLength, kD, kHeadLength, "Длина эллиптической части днища (LEL)"};
constexpr Captions c12[] = {kShellLength, kD, kHeadLength, kConeLength};
constexpr Captions c13[] = {kShellLength, kD, kHeadLength, kConeLength, kConeDmin};
constexpr Captions c14[] = {kShellLength, kD, kHeadLength, kSphereLength, kCrownRadius, kKnuckleRadius};
constexpr Captions c15[] = {kLength, kHeight, kBoxWidth};
constexpr Captions c16[] = {kLength, kHeight, kBoxWidth, kCornerRadius};
constexpr Captions c17[] = {kLength,
                            "Ширина ёмкости максимальная (S)",
                            "Радиус выпуклой стороны ёмкости (R)",
                            "Радиус верхней/нижней стенки (RV)",
                            "Радиус боковой стенки ёмкости (RB)",
                            kCornerRadius,
                            "Толщина стенки ёмкости"};
constexpr Captions c18[] = {kLength, kD, kRiseEnds, kGauge};
constexpr Captions c19[] = {kLength, kEllipseWidth, kEllipseHeight, kRiseEnds, kGauge};
constexpr Captions c20[] = {kShellLength, kD, kHeadLength, kSphereLength, kRiseShell, kGauge};
constexpr Captions c21[] = {kShellLength, kD, kHeadLength, "Длина эллиптической части днища (LEL)", kRiseShell, kGauge};
constexpr Captions c22[] = {kShellLength, kD, kHeadLength, kConeLength, kRiseShell, kGauge};
constexpr Captions c23[] = {kShellLength, kD, kHeadLength, kConeLength, kConeDmin, kRiseShell, kGauge};
constexpr Captions c24[] = {kShellLength,   kD,         kHeadLength, kSphereLength, kCrownRadius,
                            kKnuckleRadius, kRiseShell, kGauge};
constexpr Captions c25[] = {kLength, kHeight, kBoxWidth, kRiseEnds, kGauge};

// The symbol of each field, as the fit names its parameters and the statements name the fields.
constexpr std::string_view s0[] = {"D"};
constexpr std::string_view s1[] = {"H", "D"};
constexpr std::string_view s2[] = {"H", "Dmax", "Dmin"};
constexpr std::string_view s3[] = {"H", "D", "HD", "HS"};
constexpr std::string_view s4[] = {"H", "D", "HD", "HEL"};
constexpr std::string_view s5[] = {"H", "D", "HD", "HK"};
constexpr std::string_view s6[] = {"H", "D", "HD", "HK", "Dmin"};
constexpr std::string_view s7[] = {"H", "D", "HD", "HS", "RS", "RSK"};
constexpr std::string_view s8[] = {"L", "D"};
constexpr std::string_view s9[] = {"L", "S", "H"};
constexpr std::string_view s10[] = {"L", "D", "LD", "LS"};
constexpr std::string_view s11[] = {"L", "D", "LD", "LEL"};
constexpr std::string_view s12[] = {"L", "D", "LD", "LK"};
constexpr std::string_view s13[] = {"L", "D", "LD", "LK", "Dmin"};
constexpr std::string_view s14[] = {"L", "D", "LD", "LS", "RS", "RSK"};
constexpr std::string_view s15[] = {"L", "H", "S"};
constexpr std::string_view s16[] = {"L", "H", "S", "RS"};
constexpr std::string_view s17[] = {"L", "S", "R", "RV", "RB", "RS", "7"};
constexpr std::string_view s18[] = {"L", "D", "A", "B"};
constexpr std::string_view s19[] = {"L", "S", "H", "A", "B"};
constexpr std::string_view s20[] = {"L", "D", "LD", "LS", "A", "B"};
constexpr std::string_view s21[] = {"L", "D", "LD", "LEL", "A", "B"};
constexpr std::string_view s22[] = {"L", "D", "LD", "LK", "A", "B"};
constexpr std::string_view s23[] = {"L", "D", "LD", "LK", "Dmin", "A", "B"};
constexpr std::string_view s24[] = {"L", "D", "LD", "LS", "RS", "RSK", "A", "B"};
constexpr std::string_view s25[] = {"L", "H", "S", "A", "B"};

// An inclined shape names the horizontal shape it tilts by key; its index is looked up once.
std::array<ShapeInfo, kShapeCount> withTwins(std::array<ShapeInfo, kShapeCount> rows)
{
    for (ShapeInfo& row : rows) {
        if (row.twinKey.empty())
            continue;
        for (size_t k = 0; k < rows.size(); ++k)
            if (rows[k].key == row.twinKey)
                row.twin = static_cast<int>(k);
    }
    return rows;
}

// GCC 12 warns about members a designated initialiser leaves at their defaults, which these rows do on purpose
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
const std::array<ShapeInfo, kShapeCount> kShapes = withTwins({{
    {.name = "Сферическая ёмкость",
     .key = "sphere",
     .group = Group::Vertical,
     .captions = c0,
     .symbols = s0,
     .functions = sphereFunctions()},
    {.name = "Вертикальный цилиндр",
     .key = "vertical-cylinder",
     .group = Group::Vertical,
     .captions = c1,
     .symbols = s1,
     .functions = verticalCylinderFunctions()},
    {.name = "Вертикальный эллипс",
     .key = "vertical-ellipse",
     .group = Group::Vertical,
     .captions = c2,
     .symbols = s2,
     .functions = verticalEllipseFunctions()},
    {.name = "Вертикальный цилиндр со сферическими днищами",
     .key = "vertical-spherical-heads",
     .group = Group::Vertical,
     .captions = c3,
     .symbols = s3,
     .functions = sphericalHeadsVerticalFunctions()},
    {.name = "Вертикальный цилиндр с эллиптическими днищами",
     .key = "vertical-elliptic-heads",
     .group = Group::Vertical,
     .captions = c4,
     .symbols = s4,
     .functions = ellipticHeadsVerticalFunctions()},
    {.name = "Вертикальный цилиндр с коническими днищами",
     .key = "vertical-cone-heads",
     .group = Group::Vertical,
     .captions = c5,
     .symbols = s5,
     .functions = coneHeadsVerticalFunctions()},
    {.name = "Вертикальный цилиндр с усечёнными коническими днищами",
     .key = "vertical-frustum-heads",
     .group = Group::Vertical,
     .captions = c6,
     .symbols = s6,
     .functions = frustumHeadsVerticalFunctions()},
    {.name = "Вертикальный цилиндр с торосферическими днищами",
     .key = "vertical-torispherical-heads",
     .group = Group::Vertical,
     .captions = c7,
     .symbols = s7,
     .checkValue = true,
     .functions = torisphericalHeadsVerticalFunctions()},
    {.name = "Горизонтальный цилиндр",
     .key = "horizontal-cylinder",
     .group = Group::Horizontal,
     .captions = c8,
     .symbols = s8,
     .functions = horizontalCylinderFunctions()},
    {.name = "Горизонтальный эллипс",
     .key = "horizontal-ellipse",
     .group = Group::Horizontal,
     .captions = c9,
     .symbols = s9,
     .functions = horizontalEllipseFunctions()},
    {.name = "Горизонтальный цилиндр со сферическими днищами",
     .key = "horizontal-spherical-heads",
     .group = Group::Horizontal,
     .captions = c10,
     .symbols = s10,
     .functions = sphericalHeadsHorizontalFunctions()},
    {.name = "Горизонтальный цилиндр с эллиптическими днищами",
     .key = "horizontal-elliptic-heads",
     .group = Group::Horizontal,
     .captions = c11,
     .symbols = s11,
     .functions = ellipticHeadsHorizontalFunctions()},
    {.name = "Горизонтальный цилиндр с коническими днищами",
     .key = "horizontal-cone-heads",
     .group = Group::Horizontal,
     .captions = c12,
     .symbols = s12,
     .functions = coneHeadsHorizontalFunctions()},
    {.name = "Горизонтальный цилиндр с усечёнными коническими днищами",
     .key = "horizontal-frustum-heads",
     .group = Group::Horizontal,
     .captions = c13,
     .symbols = s13,
     .functions = frustumHeadsHorizontalFunctions()},
    {.name = "Горизонтальный цилиндр с торосферическими днищами",
     .key = "horizontal-torispherical-heads",
     .group = Group::Horizontal,
     .captions = c14,
     .symbols = s14,
     .checkValue = true,
     .functions = torisphericalHeadsHorizontalFunctions()},
    {.name = "Прямоугольная емкость",
     .key = "box",
     .group = Group::Horizontal,
     .captions = c15,
     .symbols = s15,
     .functions = boxFunctions()},
    {.name = "Прямоугольная емкость со скруглёнными краями",
     .key = "rounded-box",
     .group = Group::Horizontal,
     .captions = c16,
     .symbols = s16,
     .functions = roundedBoxFunctions()},
    {.name = "Топливный бак D-образный (для Вольво)",
     .key = "d-tank",
     .group = Group::Horizontal,
     .captions = c17,
     .symbols = s17,
     .checkValue = true,
     .outerDimensions = true,
     .functions = dtankFunctions()},
    {.name = "Горизонтальный цилиндр с наклоном",
     .key = "inclined-cylinder",
     .group = Group::Inclined,
     .twinKey = "horizontal-cylinder",
     .captions = c18,
     .symbols = s18},
    {.name = "Горизонтальный эллипс с наклоном",
     .key = "inclined-ellipse",
     .group = Group::Inclined,
     .twinKey = "horizontal-ellipse",
     .captions = c19,
     .symbols = s19},
    {.name = "Горизонтальный цилиндр со сферическими днищами с наклоном",
     .key = "inclined-spherical-heads",
     .group = Group::Inclined,
     .twinKey = "horizontal-spherical-heads",
     .captions = c20,
     .symbols = s20},
    {.name = "Горизонтальный цилиндр с эллиптическими днищами с наклоном",
     .key = "inclined-elliptic-heads",
     .group = Group::Inclined,
     .twinKey = "horizontal-elliptic-heads",
     .captions = c21,
     .symbols = s21},
    {.name = "Горизонтальный цилиндр с коническими днищами с наклоном",
     .key = "inclined-cone-heads",
     .group = Group::Inclined,
     .twinKey = "horizontal-cone-heads",
     .captions = c22,
     .symbols = s22},
    {.name = "Горизонтальный цилиндр с усечёнными коническими днищами с наклоном",
     .key = "inclined-frustum-heads",
     .group = Group::Inclined,
     .twinKey = "horizontal-frustum-heads",
     .captions = c23,
     .symbols = s23},
    {.name = "Горизонтальный цилиндр с торосферическими днищами с наклоном",
     .key = "inclined-torispherical-heads",
     .group = Group::Inclined,
     .twinKey = "horizontal-torispherical-heads",
     .captions = c24,
     .symbols = s24,
     .checkValue = true},
    {.name = "Прямоугольная емкость с наклоном",
     .key = "inclined-box",
     .group = Group::Inclined,
     .twinKey = "box",
     .captions = c25,
     .symbols = s25},
}});
#pragma GCC diagnostic pop

} // namespace

const std::array<ShapeInfo, kShapeCount>& shapes() { return kShapes; }

const ShapeInfo& shape(int index) { return kShapes.at(static_cast<size_t>(index)); }

std::optional<int> findShape(std::string_view name)
{
    for (int k = 0; k < kShapeCount; ++k)
        if (kShapes[static_cast<size_t>(k)].name == name)
            return k;
    return std::nullopt;
}

std::optional<int> findShapeByKey(std::string_view key)
{
    for (int k = 0; k < kShapeCount; ++k)
        if (kShapes[static_cast<size_t>(k)].key == key)
            return k;
    return std::nullopt;
}

GroupRange groupRange(Group group)
{
    GroupRange range{kShapeCount, -1};
    for (int k = 0; k < kShapeCount; ++k) {
        if (kShapes[static_cast<size_t>(k)].group == group) {
            range.first = std::min(range.first, k);
            range.last = std::max(range.last, k);
        }
    }
    return range;
}

std::string_view groupName(Group group)
{
    switch (group) {
    case Group::Vertical:
        return "вертикальное";
    case Group::Horizontal:
        return "горизонтальное";
    case Group::Inclined:
        return "наклонное";
    }
    return {};
}

} // namespace tarvol
