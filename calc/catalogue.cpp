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

constexpr Group V = Group::Vertical;
constexpr Group G = Group::Horizontal;
constexpr Group I = Group::Inclined;

// name, key, group, twin, captions, check value, outer dimensions, functions
const std::array<ShapeInfo, kShapeCount> kShapes{{
    {"Сферическая ёмкость", "sphere", V, {}, c0, false, false, sphereFunctions()},
    {"Вертикальный цилиндр", "vertical-cylinder", V, {}, c1, false, false, verticalCylinderFunctions()},
    {"Вертикальный эллипс", "vertical-ellipse", V, {}, c2, false, false, verticalEllipseFunctions()},
    {"Вертикальный цилиндр со сферическими днищами",
     "vertical-spherical-heads",
     V,
     {},
     c3,
     false,
     false,
     sphericalHeadsVerticalFunctions()},
    {"Вертикальный цилиндр с эллиптическими днищами",
     "vertical-elliptic-heads",
     V,
     {},
     c4,
     false,
     false,
     ellipticHeadsVerticalFunctions()},
    {"Вертикальный цилиндр с коническими днищами",
     "vertical-cone-heads",
     V,
     {},
     c5,
     false,
     false,
     coneHeadsVerticalFunctions()},
    {"Вертикальный цилиндр с усечёнными коническими днищами",
     "vertical-frustum-heads",
     V,
     {},
     c6,
     false,
     false,
     frustumHeadsVerticalFunctions()},
    {"Вертикальный цилиндр с торосферическими днищами",
     "vertical-torispherical-heads",
     V,
     {},
     c7,
     true,
     false,
     torisphericalHeadsVerticalFunctions()},
    {"Горизонтальный цилиндр", "horizontal-cylinder", G, {}, c8, false, false, horizontalCylinderFunctions()},
    {"Горизонтальный эллипс", "horizontal-ellipse", G, {}, c9, false, false, horizontalEllipseFunctions()},
    {"Горизонтальный цилиндр со сферическими днищами",
     "horizontal-spherical-heads",
     G,
     {},
     c10,
     false,
     false,
     sphericalHeadsHorizontalFunctions()},
    {"Горизонтальный цилиндр с эллиптическими днищами",
     "horizontal-elliptic-heads",
     G,
     {},
     c11,
     false,
     false,
     ellipticHeadsHorizontalFunctions()},
    {"Горизонтальный цилиндр с коническими днищами",
     "horizontal-cone-heads",
     G,
     {},
     c12,
     false,
     false,
     coneHeadsHorizontalFunctions()},
    {"Горизонтальный цилиндр с усечёнными коническими днищами",
     "horizontal-frustum-heads",
     G,
     {},
     c13,
     false,
     false,
     frustumHeadsHorizontalFunctions()},
    {"Горизонтальный цилиндр с торосферическими днищами",
     "horizontal-torispherical-heads",
     G,
     {},
     c14,
     true,
     false,
     torisphericalHeadsHorizontalFunctions()},
    {"Прямоугольная емкость", "box", G, {}, c15, false, false, boxFunctions()},
    {"Прямоугольная емкость со скруглёнными краями", "rounded-box", G, {}, c16, false, false, roundedBoxFunctions()},
    {"Топливный бак D-образный (для Вольво)", "d-tank", G, {}, c17, true, true, dtankFunctions()},
    {"Горизонтальный цилиндр с наклоном", "inclined-cylinder", I, 8, c18, false, false, {}},
    {"Горизонтальный эллипс с наклоном", "inclined-ellipse", I, 9, c19, false, false, {}},
    {"Горизонтальный цилиндр со сферическими днищами с наклоном",
     "inclined-spherical-heads",
     I,
     10,
     c20,
     false,
     false,
     {}},
    {"Горизонтальный цилиндр с эллиптическими днищами с наклоном",
     "inclined-elliptic-heads",
     I,
     11,
     c21,
     false,
     false,
     {}},
    {"Горизонтальный цилиндр с коническими днищами с наклоном", "inclined-cone-heads", I, 12, c22, false, false, {}},
    {"Горизонтальный цилиндр с усечёнными коническими днищами с наклоном",
     "inclined-frustum-heads",
     I,
     13,
     c23,
     false,
     false,
     {}},
    {"Горизонтальный цилиндр с торосферическими днищами с наклоном",
     "inclined-torispherical-heads",
     I,
     14,
     c24,
     true,
     false,
     {}},
    {"Прямоугольная емкость с наклоном", "inclined-box", I, 15, c25, false, false, {}},
}};

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
