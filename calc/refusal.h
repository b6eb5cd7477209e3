#pragma once

// Why a run gives no table, as data: the kind, the fault, the field and the limit. refusalText makes the sentence.

#include <string>
#include <string_view>

namespace tarvol {

enum class RefusalKind {
    BadInput,     // texts that are not the shape's digit strings
    Inconsistent, // dimensions that do not fit together (the window then behaves as after "Правка")
};

// One value per sentence a user can read; the comment names the field and what the limit is.
enum class Fault {
    None,                 // no fault named
    UnknownShape,         // no field; limit: the number of shapes
    FieldCount,           // no field; limit: the shape's number of fields
    OutOfRange,           // a value outside 0 .. the limit, or not a number
    NotDigits,            // a text that is not one to eight digits; limit: the largest value
    TooShallow,           // no field; limit: the least height of a tank, 10 mm
    SphericalHeadTooHigh, // HS of a vertical tank; limit: the largest HS, otherLimit: the least D
    SphericalHeadTooLong, // LS of a horizontal tank; limit: the largest LS, otherLimit: the least D
    FrustumTooWide,       // Dmin; limit: the largest Dmin
    CornersTooLarge,      // RS of a box; limit: the largest RS
    CrownTooSmall,        // RS of a torispherical head; limit: the least RS
    KnuckleTooLarge,      // RSK; limit: the largest RSK
    HeadDepthMismatch,    // HS or LS; limit: the depth the radii give
    WallTooThick,         // wall thickness; limit: the largest thickness that leaves 10 mm inside
    RadiusTooSmall,       // R; limit: the least R that leaves 10 mm inside
    WidthBelowRadius,     // S; limit: the least S
    LengthTooShort,       // L; limit: twice the wall, which L must exceed
    TopArcTooSmall,       // RV; limit: the least RV other than 0
    SideArcTooSmall,      // RB; limit: the least RB other than 0
    CornerTooLarge,       // RS of the D-shaped tank; limit: the largest RS
    ArcMustBeFlat,        // RV or RB of the D-shaped tank, whose least arc no field can hold; limit: that arc or S
    RadiusAboveWidth,     // R of the D-shaped tank, when the S it would need no field can hold; limit: the largest R
    RiseTooLarge,         // A; limit: the shell's length, which A must stay below
    GaugeBeyondShell,     // B; limit: the shell's length
    GaugeTooHigh,         // B; limit: the largest B that leaves 10 mm of level above the gauge
};

struct Refusal {
    RefusalKind kind = RefusalKind::Inconsistent;
    Fault fault = Fault::None;
    int field = -1;           // the field at fault, counted from 0 in field order; -1 for none
    double limit = 0;         // the bound that field must keep, mm, before any rounding for the message
    double otherLimit = 0;    // a second way out where the fault has one
    bool withCollars = false; // an inclined tank's length limit is L + 2·LD, the shell with its heads' collars
    std::string message;      // the sentence a user reads
};

// Stable Latin names for machine-readable output.
std::string_view refusalKindName(RefusalKind kind);
std::string_view refusalFaultName(Fault fault);

// The sentence of a refusal, numbers written with the caller's decimal separator; caption names the field for
// the faults whose sentence quotes it.
std::string refusalText(const Refusal& refusal, std::string_view caption, char separator);

} // namespace tarvol
