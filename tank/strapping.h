#pragma once

// A vertical steel tank known from its field measurements rather than a drawing: the outside circumference of every
// course read with a tape, the plate and paint thickness, the course heights, the tilt and a survey of the bottom.
// The record reads from and writes to the tank file's "strapping" section; MeasuredTank computes its volume at any
// level, its protocol and the uncertainty of every row. docs/measured-tank.md gives every formula.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "calc/expected.h"
#include "uncertainty/propagation.h"

namespace tarvol {

inline constexpr double kTapeSteelExpansion = 11.5e-6; // 1/°C, of a steel measuring tape
inline constexpr double kShellYoungModulusGpa = 206;
inline constexpr double kGravity = 9.80665; // m/s²

// What a record may hold: counts that keep a file's tank bounded, and values past which no steel tank is meant.
inline constexpr std::size_t kMaxCourses = 200;
inline constexpr std::size_t kMaxCourseReadings = 64;
inline constexpr std::size_t kMaxBottomPoints = 10'000;
inline constexpr double kMaxCourseHeightMm = 20'000;
inline constexpr double kMaxTankHeightMm = 100'000;
inline constexpr double kMaxThicknessMm = 100;
inline constexpr double kMaxPaintMm = 10;
inline constexpr double kMaxCircumferenceMm = 1'000'000;
inline constexpr double kMaxTiltMmPerM = 30;
inline constexpr double kMinBottomHeightMm = -10'000;
inline constexpr double kMaxStrappingUncertaintyMm = 1'000;
inline constexpr double kMaxDensityKgM3 = 3'000;
inline constexpr double kMaxYoungModulusGpa = 1'000;
// A shell that would stretch further under its liquid is past any elastic steel: the record is wrong.
inline constexpr double kMaxHydrostaticStrain = 0.01;

struct StrappingCourse {
    double height = 0;                  // mm
    double thickness = 0;               // mm, of the plate
    std::vector<double> circumferences; // mm, outside, every reading of the tape

    bool operator==(const StrappingCourse&) const = default;
};

struct BottomPoint {
    double radius = 0; // mm from the tank's axis
    double height = 0; // mm above the level's zero; negative below it

    bool operator==(const BottomPoint&) const = default;
};

// The shell's growth under the liquid: the table is then for this product.
struct Hydrostatic {
    double density = 0; // kg/m³ of the product
    double youngModulusGpa = kShellYoungModulusGpa;

    bool operator==(const Hydrostatic&) const = default;
};

struct StrappingRecord {
    std::vector<StrappingCourse> courses; // from the bottom up; levels from the base of the first
    double paint = 0;                     // mm, on the outside
    double tapeCelsius = 20;
    double tapeAlpha = kTapeSteelExpansion;
    double shellCelsius = 20; // the shell's temperature while it was measured
    double shellAlpha = 12e-6;
    double tiltMmPerM = 0;
    std::vector<BottomPoint> bottom; // radii increasing; empty: flat at level 0
    double uCircumference = 0;       // mm, standard uncertainty of a course's mean circumference
    double uThickness = 0;           // mm, standard uncertainty of a course's thickness
    std::optional<Hydrostatic> hydrostatic;

    bool operator==(const StrappingRecord&) const = default;
};

// What cannot be a tank, as data: where in the tank file (as "strapping.courses[2].height_mm") and why, in Russian
// words that follow the key's name and quote the value.
struct StrappingError {
    std::string key;
    std::string reason;

    bool operator==(const StrappingError&) const = default;
};

// The sentence a user reads: «strapping.courses[2].height_mm: высота пояса должна быть больше 0 мм, а не -5».
std::string strappingErrorText(const StrappingError& error);

// The first fault of a record, whichever way it was made.
std::optional<StrappingError> checkStrapping(const StrappingRecord& record);

// The "strapping" section (the object under that key) and back; every key written, so that the two round-trip.
expected<StrappingRecord, StrappingError> strappingFromJson(const nlohmann::ordered_json& section);
nlohmann::ordered_json strappingToJson(const StrappingRecord& record);

// One course as the protocol prints it.
struct CourseProtocol {
    int number = 0;  // from 1, at the bottom
    double from = 0; // mm, level of its base
    double to = 0;   // mm, level of its top
    double thickness = 0;
    std::vector<double> readings;    // mm
    double mean = 0;                 // mm, of the readings
    double corrected = 0;            // mm, the mean for the tape at 20 °C
    double innerMeasured = 0;        // mm, inner diameter at the shell's temperature while measured
    double inner20 = 0;              // mm, inner diameter at 20 °C
    double radialGrowthPerMetre = 0; // mm the radius grows per metre of liquid above; 0 without a product
};

// The tank the record describes, prepared once; every level is then a few operations per course.
class MeasuredTank {
public:
    static expected<MeasuredTank, StrappingError> prepare(const StrappingRecord& record);

    // Litres below the level (mm): the exact integral of the section, the volume below level 0 included; with a
    // product, the shell stretched by the liquid filled to this level. 0 below the bottom's lowest point, the full
    // volume from the top up.
    double volumeAt(double level) const;
    double height() const { return m_height; }      // mm, the courses' heights together
    double lowestLevel() const { return m_lowest; } // mm, the bottom's lowest point: 0 or below
    double fullVolume() const { return volumeAt(m_height); }
    double tiltFactor() const { return m_tiltFactor; } // √(1 + m²)

    // The bottom against a flat one at level 0, the shell at 20 °C and unstretched, tilt included (litres): what lies
    // below level 0, what the bottom takes above it, and the first less the second, which every row carries.
    double volumeBelowZero() const;
    double raisedBottomVolume() const;
    double bottomVolume() const { return volumeBelowZero() - raisedBottomVolume(); }

    std::vector<CourseProtocol> courses() const;

    // U of the row at the level: u²(V) = Σ (∂V/∂Cᵢ)² u²(C) + Σ (∂V/∂tᵢ)² u²(t) + (∂V/∂h)² u²(h), each course's mean
    // circumference Cᵢ and thickness tᵢ independent; U = k·u. The deadwood's own and the limit's mark are the
    // caller's to add.
    RowUncertainty uncertaintyAt(double level, double uLevelMm, double coverage) const;

private:
    struct Course {
        double from = 0, to = 0; // mm; the first course reaches down to the bottom's edge
        double radius = 0;       // mm at 20 °C
        double thickness = 0;
        double growth = 0; // mm of radius per mm of liquid above, ρ·g·R²/(E·t) in consistent units
    };
    // One stretch between the bottom survey's heights, on which the bottom's share of the section is a quadratic
    // in the level: g(z) = g0 + g1·s + g2·s², s = (z − from)/(to − from).
    struct BottomPiece {
        double from = 0, to = 0;
        double g0 = 0, g1 = 0, g2 = 0; // litres per mm
        double below = 0;              // litres up to `from`
    };
    struct CourseShare {
        double volume = 0; // litres
        double byRadius = 0;
        double byThickness = 0; // through the growth only; litres per mm
    };

    MeasuredTank() = default;
    double bottomShare(double level) const;
    CourseShare courseShare(const Course& course, double level, bool stretched) const;
    double volumeOf(double level, bool stretched) const;

    StrappingRecord m_record;
    std::vector<Course> m_courses;
    std::vector<BottomPoint> m_survey; // the record's, cut at the first course's inner wall
    std::vector<BottomPiece> m_bottom;
    double m_height = 0;
    double m_lowest = 0;
    double m_tiltFactor = 1;
    double m_tapeScale = 1;  // 1 + α_tape·(T_tape − 20)
    double m_shellScale = 1; // 1 + α_shell·(T_shell − 20)
};

} // namespace tarvol
