#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarvol {

// Outer dimensions of the D-shaped fuel tank in millimetres, in the order of its fields:
// length, largest width, radius of the convex side, radius of the top/bottom walls (0: flat),
// radius of the flat side (0: straight), corner radius (0: sharp), wall thickness.
struct DTankDims {
    double L;
    double S;
    double R;
    double RV;
    double RB;
    double RS;
    double t;
};

// What is wrong with the dimensions, in the order checkDTank tests them.
enum class DTankFault {
    WallTooThick,     // R <= t; limit R
    WidthBelowRadius, // S < R + t (top wall shorter than the wall is thick); limit R + t,
                      // or the least S that leaves room for the bulge RB when S == R + t
    LengthTooShort,   // L <= 2t; limit 2t
    TopArcTooSmall,   // 0 < RV < the least RV whose arc meets the flat side above the mid-line
    SideArcTooSmall,  // 0 < RB < the least RB whose arc meets the top wall before the convex side
    CornerTooLarge,   // RS > 0 and the corner arc's tangent points leave their walls; limit the largest RS
};

// The faulty field and its limit in mm; a least limit is rounded up and a largest one down
// to 0.1 mm, so that the figure shown to the user is itself acceptable.
struct DTankRefusal {
    DTankFault fault;
    double limit;
};

std::optional<DTankRefusal> checkDTank(const DTankDims& k);

// The sentence of the refusal message that precedes the limit: the caller writes it as
// phrase + " " + limit + " мм.".
std::string dtankRefusalField(DTankFault fault);

// The inner outline of the cross-section: the outer outline offset inwards by the wall thickness.
// Dimensions refused by checkDTank give an empty section (zero height, width and area).
class DTankSection {
public:
    explicit DTankSection(const DTankDims& k);

    double height() const;      // 2 (R - t)
    double innerLength() const; // L - 2t
    // Inner width at height y above the inner bottom; 0 outside [0, height()].
    double widthAt(double y) const;
    // Exact area of the inner outline in mm², integrated piece by piece in closed form.
    double area() const;
    // Exact area below the height y above the inner bottom, clamped to [0, height()].
    double areaBelow(double y) const;

private:
    // A piece of the boundary over heights [y0, y1] above the mid-line:
    // x = cx + side * sqrt(r² - (y - cy)²); r = 0 is the vertical line x = cx.
    struct Piece {
        double y0;
        double y1;
        double cx;
        double cy;
        double r;
        double side;
    };

    static double xAt(const Piece& piece, double y);
    static double integral(const Piece& piece);
    double leftX(double y) const;
    double halfAreaUpTo(double u) const; // between the mid-line and u above it

    std::vector<Piece> m_left; // flat side, corner arc, top wall, upwards from the mid-line
    Piece m_right{};           // the convex side
    double m_halfHeight = 0.0;
    double m_innerLength = 0.0;
    double m_area = 0.0;
};

} // namespace tarvol
