#include "calc/catalogue.h"

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

// name, group, captions, thumbnail and its bounds, viewer size, check value, outer dimensions, branch
const std::array<ShapeInfo, kShapeCount> kShapes{{
    {"Сферическая ёмкость", V, c0, "Image10", {712, 32, 82, 81}, 378, 378, false, false, runSphere},
    {"Вертикальный цилиндр", V, c1, "Image13", {720, 9, 63, 120}, 343, 496, false, false, runVerticalCylinder},
    {"Вертикальный эллипс", V, c2, "Image24", {720, 9, 63, 120}, 343, 496, false, false, runVerticalEllipse},
    {"Вертикальный цилиндр со сферическими днищами",
     V,
     c3,
     "Image16",
     {715, 9, 68, 120},
     364,
     529,
     false,
     false,
     runSphericalHeadsVertical},
    {"Вертикальный цилиндр с эллиптическими днищами",
     V,
     c4,
     "Image17",
     {716, 9, 67, 120},
     364,
     529,
     false,
     false,
     runEllipticHeadsVertical},
    {"Вертикальный цилиндр с коническими днищами",
     V,
     c5,
     "Image8",
     {716, 9, 67, 120},
     364,
     529,
     false,
     false,
     runConeHeadsVertical},
    {"Вертикальный цилиндр с усечёнными коническими днищами",
     V,
     c6,
     "Image15",
     {715, 9, 60, 120},
     364,
     574,
     false,
     false,
     runFrustumHeadsVertical},
    {"Вертикальный цилиндр с торосферическими днищами",
     V,
     c7,
     "Image9",
     {713, 10, 70, 119},
     364,
     531,
     true,
     false,
     runTorisphericalHeadsVertical},
    {"Горизонтальный цилиндр", G, c8, "Image12", {684, 32, 139, 73}, 496, 343, false, false, runHorizontalCylinder},
    {"Горизонтальный эллипс", G, c9, "Image1", {680, 32, 143, 73}, 496, 343, false, false, runHorizontalEllipse},
    {"Горизонтальный цилиндр со сферическими днищами",
     G,
     c10,
     "Image11",
     {680, 32, 143, 73},
     530,
     363,
     false,
     false,
     runSphericalHeadsHorizontal},
    {"Горизонтальный цилиндр с эллиптическими днищами",
     G,
     c11,
     "Image14",
     {681, 32, 142, 73},
     530,
     363,
     false,
     false,
     runEllipticHeadsHorizontal},
    {"Горизонтальный цилиндр с коническими днищами",
     G,
     c12,
     "Image7",
     {681, 32, 142, 73},
     529,
     364,
     false,
     false,
     runConeHeadsHorizontal},
    {"Горизонтальный цилиндр с усечёнными коническими днищами",
     G,
     c13,
     "Image18",
     {684, 32, 139, 73},
     574,
     364,
     false,
     false,
     runFrustumHeadsHorizontal},
    {"Горизонтальный цилиндр с торосферическими днищами",
     G,
     c14,
     "Image19",
     {681, 43, 142, 62},
     532,
     363,
     true,
     false,
     runTorisphericalHeadsHorizontal},
    {"Прямоугольная емкость", G, c15, "Image4", {683, 32, 140, 73}, 687, 437, false, false, runBox},
    {"Прямоугольная емкость со скруглёнными краями",
     G,
     c16,
     "Image3",
     {683, 32, 140, 73},
     697,
     437,
     false,
     false,
     runRoundedBox},
    {"Топливный бак D-образный (для Вольво)", G, c17, "Image26", {680, 16, 143, 97}, 551, 527, true, true, runDTank},
    {"Горизонтальный цилиндр с наклоном",
     I,
     c18,
     "Image20",
     {680, 32, 143, 73},
     503,
     409,
     false,
     false,
     runInclinedCylinder},
    {"Горизонтальный эллипс с наклоном",
     I,
     c19,
     "Image23",
     {684, 33, 139, 72},
     503,
     409,
     false,
     false,
     runInclinedEllipse},
    {"Горизонтальный цилиндр со сферическими днищами с наклоном",
     I,
     c20,
     "Image21",
     {684, 32, 139, 73},
     527,
     435,
     false,
     false,
     runInclinedSphericalHeads},
    {"Горизонтальный цилиндр с эллиптическими днищами с наклоном",
     I,
     c21,
     "Image22",
     {684, 32, 139, 73},
     527,
     435,
     false,
     false,
     runInclinedEllipticHeads},
    {"Горизонтальный цилиндр с коническими днищами с наклоном",
     I,
     c22,
     "Image2",
     {680, 32, 143, 73},
     529,
     430,
     false,
     false,
     runInclinedConeHeads},
    {"Горизонтальный цилиндр с усечёнными коническими днищами с наклоном",
     I,
     c23,
     "Image6",
     {681, 32, 142, 73},
     633,
     474,
     false,
     false,
     runInclinedFrustumHeads},
    {"Горизонтальный цилиндр с торосферическими днищами с наклоном",
     I,
     c24,
     "Image25",
     {684, 32, 139, 73},
     531,
     446,
     true,
     false,
     runInclinedTorisphericalHeads},
    {"Прямоугольная емкость с наклоном", I, c25, "Image5", {681, 32, 142, 73}, 572, 413, false, false, runInclinedBox},
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

GroupRange groupRange(Group group)
{
    switch (group) {
    case Group::Vertical:
        return {0, 7};
    case Group::Horizontal:
        return {8, 17};
    case Group::Inclined:
        return {18, 25};
    }
    return {0, kShapeCount - 1};
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
