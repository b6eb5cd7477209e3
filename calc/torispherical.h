#pragma once

#include <optional>
#include <string>

namespace tarvol {

// Area of the part of a disc of radius hypot(z, w) lying beyond a chord at distance z >= 0 from its
// centre, w being the half chord; a thin segment keeps its relative precision.
double segmentBeyondChord(double z, double w);

// One torispherical head: crown of radius RS joined to the flange (shell diameter D) by a knuckle of radius RSK.
// s is the axial distance from the plane where the knuckle meets the flange, towards the apex; all lengths in mm.
class TorisphericalHead {
public:
    // Refusal kinds, in the order they are checked: RS < D/2, RSK > D/2, HS inconsistent with the geometry.
    enum class Fault { CrownTooSmall, KnuckleTooLarge, DepthMismatch };
    struct Refusal {
        Fault fault;
        double limit;
    }; // limit: D/2 for the first two, computed depth h for the third

    // HS passes when it is within 2 mm or within 2 % of the computed depth.
    static std::optional<Refusal> check(double D, double RS, double RSK, double HS);

    // Geometry only; call after check(). A set that check() refuses on RS or RSK gives an empty head (all zero).
    TorisphericalHead(double D, double RS, double RSK);

    double depth() const;              // h = RS - c
    double knuckleEnd() const;         // s1
    double radiusAt(double s) const;   // r(s), 0 <= s <= h; 0 outside [0, h]
    double volume() const;             // exact ∫ π r(s)^2 ds over [0,h], mm^3, closed form
    double volumeUpTo(double s) const; // exact ∫_0^s π r^2 ds (closed form), s clamped to [0, h]
    // Area (mm^2) cut from the head by a plane parallel to the axis at distance u >= 0 from it:
    // ∫ 2√(r(s)² − u²) ds where r(s) > u. Closed form on the crown, Gauss–Kronrod on the knuckle.
    double sectionArea(double u) const;

private:
    double knuckleVolumeUpTo(double s) const;
    double knuckleSection(double u) const;

    double m_radius = 0.0; // D/2
    double m_rs = 0.0;     // crown radius RS
    double m_rsk = 0.0;    // knuckle radius RSK
    double m_a = 0.0;      // distance of the knuckle's centre from the axis, D/2 - RSK
    double m_c = 0.0;      // distance of the crown's centre behind the flange plane
    double m_h = 0.0;      // depth of the head
    double m_theta1 = 0.0; // knuckle angle where the crown begins
    double m_s1 = 0.0;     // axial end of the knuckle, RSK sin(theta1)
    double m_r1 = 0.0;     // radius at the knuckle/crown tangency
    double m_z1 = 0.0;     // s1 + c: the tangency's distance from the crown's centre
    double m_volume = 0.0;
};

} // namespace tarvol
