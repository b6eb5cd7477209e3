#include <cmath>
#include <cstdint>
#include <string>

#include "calc/dtank.h"
#include "calc/format.h"
#include "calc/refusal.h"

namespace tarvol {
namespace {

constexpr const char* kWrong = "Размеры указаны неверно!\n";

// One decimal, six significant digits: the form the published shapes' messages use.
std::string decimalLimit(double value, char separator) { return formatFixed(value, 6, 1, separator); }

// Whole millimetres in plain digits, rounded towards the side the check accepts.
enum class Side { Up, Down, Nearest };
std::string wholeLimit(double value, Side side)
{
    const double whole = side == Side::Up     ? std::ceil(value)
                         : side == Side::Down ? std::floor(value)
                                              : std::round(value);
    return std::to_string(static_cast<std::int64_t>(std::max(whole, 0.0)));
}

std::string dtankText(DTankFault fault, const std::string& limit)
{
    return kWrong + dtankRefusalField(fault) + " " + limit + " мм.";
}

} // namespace

std::string_view refusalKindName(RefusalKind kind)
{
    switch (kind) {
    case RefusalKind::BadInput:
        return "bad-input";
    case RefusalKind::Inconsistent:
        return "inconsistent";
    }
    return {};
}

std::string_view refusalFaultName(Fault fault)
{
    switch (fault) {
    case Fault::None:
        return "none";
    case Fault::UnknownShape:
        return "unknown-shape";
    case Fault::FieldCount:
        return "field-count";
    case Fault::OutOfRange:
        return "out-of-range";
    case Fault::NotDigits:
        return "not-digits";
    case Fault::TooShallow:
        return "too-shallow";
    case Fault::SphericalHeadTooHigh:
        return "spherical-head-too-high";
    case Fault::SphericalHeadTooLong:
        return "spherical-head-too-long";
    case Fault::FrustumTooWide:
        return "frustum-too-wide";
    case Fault::CornersTooLarge:
        return "corners-too-large";
    case Fault::CrownTooSmall:
        return "crown-too-small";
    case Fault::KnuckleTooLarge:
        return "knuckle-too-large";
    case Fault::HeadDepthMismatch:
        return "head-depth-mismatch";
    case Fault::WallTooThick:
        return "wall-too-thick";
    case Fault::RadiusTooSmall:
        return "radius-too-small";
    case Fault::WidthBelowRadius:
        return "width-below-radius";
    case Fault::LengthTooShort:
        return "length-too-short";
    case Fault::TopArcTooSmall:
        return "top-arc-too-small";
    case Fault::SideArcTooSmall:
        return "side-arc-too-small";
    case Fault::CornerTooLarge:
        return "corner-too-large";
    case Fault::ArcMustBeFlat:
        return "arc-must-be-flat";
    case Fault::RadiusAboveWidth:
        return "radius-above-width";
    case Fault::RiseTooLarge:
        return "rise-too-large";
    case Fault::GaugeBeyondShell:
        return "gauge-beyond-shell";
    case Fault::GaugeTooHigh:
        return "gauge-too-high";
    }
    return {};
}

std::string refusalText(const Refusal& r, std::string_view caption, char sep)
{
    switch (r.fault) {
    case Fault::None:
        return {};
    case Fault::UnknownShape:
        return "Неизвестная форма ёмкости.";
    case Fault::FieldCount:
        return "Число размеров не соответствует форме ёмкости.";
    case Fault::OutOfRange:
        return "Размеры должны быть числами миллиметров от 0 до 99999999.";
    case Fault::NotDigits:
        return "Размер \"" + std::string(caption) + "\" должен быть целым числом миллиметров: от одной до восьми цифр.";
    case Fault::TooShallow:
        if (!caption.empty())
            return "Размер \"" + std::string(caption) + "\" должен быть не менее 10 мм.";
        return "Высота ёмкости должна быть не менее 10 мм.";
    case Fault::SphericalHeadTooHigh:
        return std::string(kWrong) + "Увеличьте диаметр ёмкости не менее чем " + decimalLimit(r.otherLimit, sep)
               + " мм\nили уменьшите высоту сферической части днища не более чем " + decimalLimit(r.limit, sep)
               + " мм.";
    case Fault::SphericalHeadTooLong:
        return std::string(kWrong) + "Увеличьте диаметр ёмкости не менее чем " + decimalLimit(r.otherLimit, sep)
               + " мм\nили уменьшите длину сферической части днища не более чем " + decimalLimit(r.limit, sep) + " мм.";
    case Fault::FrustumTooWide:
        return std::string(kWrong) + "Минимальный диаметр конуса днища должен быть не более "
               + decimalLimit(r.limit, sep) + " мм.";
    case Fault::CornersTooLarge:
        return std::string(kWrong) + "Радиус скругления углов должен быть не более " + wholeLimit(r.limit, Side::Down)
               + " мм.";
    case Fault::CrownTooSmall:
        return std::string(kWrong) + "Радиус сферической части днища должен быть не менее "
               + wholeLimit(r.limit, Side::Up) + " мм.";
    case Fault::KnuckleTooLarge:
        return std::string(kWrong) + "Радиус отбортовки должен быть не более " + wholeLimit(r.limit, Side::Down)
               + " мм.";
    case Fault::HeadDepthMismatch:
        return "Размеры днища не согласованы!\nПри указанных диаметре и радиусах высота сферической части днища равна "
               + wholeLimit(r.limit, Side::Nearest) + " мм.";
    case Fault::WallTooThick:
        return std::string(kWrong) + "Толщина стенки ёмкости должна быть не больше " + wholeLimit(r.limit, Side::Down)
               + " мм: внутри должно оставаться не менее 10 мм высоты.";
    case Fault::RadiusTooSmall:
        return std::string(kWrong) + "Радиус выпуклой стороны ёмкости (R) должен быть не меньше "
               + wholeLimit(r.limit, Side::Up) + " мм: внутри должно оставаться не менее 10 мм высоты.";
    case Fault::WidthBelowRadius:
        return dtankText(DTankFault::WidthBelowRadius, wholeLimit(r.limit, Side::Up));
    case Fault::LengthTooShort:
        return dtankText(DTankFault::LengthTooShort, wholeLimit(r.limit, Side::Down));
    case Fault::TopArcTooSmall:
        return dtankText(DTankFault::TopArcTooSmall, wholeLimit(r.limit, Side::Up));
    case Fault::SideArcTooSmall:
        return dtankText(DTankFault::SideArcTooSmall, wholeLimit(r.limit, Side::Up));
    case Fault::CornerTooLarge:
        return dtankText(DTankFault::CornerTooLarge, wholeLimit(r.limit, Side::Down));
    case Fault::ArcMustBeFlat:
        return std::string(kWrong) + "Размер \"" + std::string(caption)
               + "\" должен быть равен 0: при остальных размерах дуга требует размеров больше 99999999 мм.";
    case Fault::RadiusAboveWidth:
        return std::string(kWrong) + "Радиус выпуклой стороны ёмкости (R) должен быть не больше "
               + wholeLimit(r.limit, Side::Down) + " мм: ширина минус толщина стенки.";
    case Fault::RiseTooLarge:
        if (r.withCollars)
            return std::string(kWrong) + "Разность высот должна быть меньше длины цилиндрической части L + 2·LD ("
                   + wholeLimit(r.limit, Side::Up) + " мм).";
        return std::string(kWrong) + "Разность высот краёв должна быть меньше длины ёмкости ("
               + wholeLimit(r.limit, Side::Up) + " мм).";
    case Fault::GaugeBeyondShell:
        if (r.withCollars)
            return std::string(kWrong)
                   + "Уровнемер должен находиться в пределах цилиндрической части L + 2·LD (не далее "
                   + wholeLimit(r.limit, Side::Down) + " мм от нижнего края).";
        return std::string(kWrong) + "Уровнемер должен находиться в пределах длины ёмкости (не далее "
               + wholeLimit(r.limit, Side::Down) + " мм от нижнего края).";
    case Fault::GaugeTooHigh:
        return std::string(kWrong) + "Уровнемер должен находиться не далее " + wholeLimit(r.limit, Side::Down)
               + " мм от нижнего края: над ним должно оставаться не менее 10 мм уровня.";
    }
    return {};
}

} // namespace tarvol
