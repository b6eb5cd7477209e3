#pragma once

// Geometry of a horizontal tank tilted in the vertical plane through its axis: the exact area of its
// horizontal sections, and the heights between which they exist. docs/inclined.md derives the formulas.

#include <functional>
#include <vector>

namespace tarvol {

class TorisphericalHead;

enum class ShellSection { Circle, Ellipse, Rectangle };

// A head of revolution beyond one end of a circular shell, continuing its axis.
struct HeadProfile {
    double length = 0;                    // axial extent beyond the shell's end, mm (0: no head)
    std::function<double(double)> radius; // r(s) for 0 <= s <= length, mm; must be concave in s
    std::vector<double> breaks;           // s in (0, length) where r or r' is not smooth
    double maxRadius = 0;                 // the largest r(s) on [0, length]
};

struct TiltedTank {
    ShellSection section = ShellSection::Circle;
    double width = 0;         // D for a circle, S for the ellipse and the rectangle
    double height = 0;        // D for a circle, H for the ellipse and the rectangle
    double shellLength = 0;   // Ls, the straight part between the heads
    HeadProfile head;         // the same head at both ends; only a circular shell may have one
    double rise = 0;          // A: rise of the shell's bottom line over Ls, 0 <= A < Ls (sin θ = A / Ls)
    bool withCollars = false; // Ls is the shell with its heads' cylindrical collars, L + 2·LD
};

// Heights z are measured vertically from the lower end of the shell's bottom line. The functions throw
// std::invalid_argument for a negative dimension, a rise outside [0, Ls), or a head on a non-circular shell.
double tiltedZMin(const TiltedTank& tank);                  // 0, or the lowest point of the lower head
double tiltedZMax(const TiltedTank& tank);                  // the highest point, at the raised end
double tiltedSectionArea(const TiltedTank& tank, double z); // mm², 0 outside [zMin, zMax]

// Volume (mm³) of a plain tilted cylinder of diameter D and length L, rising A over L, below the plane at
// height z. Closed form; for A > 0 its relative error grows as about 1e-16 · D / A.
double tiltedCylinderVolume(double D, double L, double A, double z);

// Volume (mm³) of the tank below the plane at height z: the shell in closed form, the heads by quadrature along
// their axis. Same heights and exceptions as tiltedSectionArea; tiltedZMax gives the whole volume.
double tiltedVolume(const TiltedTank& tank, double z);

// Volume (mm³) of one head below a plane that meets its slice u beyond the shell's end at the offset
// t(u) = offset − slope · u from the axis (upwards positive): ∫ segmentBelow(r(u), t(u)) du.
double headVolumeBelow(const HeadProfile& head, double offset, double slope);

// Area (mm²) of the part of the disc of radius r below the chord at signed distance t from its centre.
double segmentBelow(double r, double t);

// The curved parts of the heads of diameter D: a spherical segment LS long (sphere radius D²/(8 LS) + LS/2),
// half an ellipsoid LEL long, a cone LK long, a truncated cone from D to Dmin over LK, a torispherical head.
HeadProfile sphericalSegmentHead(double D, double LS);
HeadProfile ellipsoidHead(double D, double LEL);
HeadProfile coneHead(double D, double LK);
HeadProfile frustumHead(double D, double LK, double Dmin);
HeadProfile torisphericalHead(const TorisphericalHead& head);

} // namespace tarvol
