#pragma once

// What the user says about the tank's measurements: the standard uncertainties of the dimensions and of the
// level reading, the coverage factor, the limit the rows are checked against, and the shell's temperature.
// Kept in the tank file's "uncertainty" section.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <vector>

#include "calc/expected.h"

namespace tarvol {

// A covariance over some dimension fields, mm², given in place of those fields' own uncertainties (a fit's).
struct FieldCovariance {
    std::vector<int> fields;    // field indices from 0, in field order of the shape
    std::vector<double> matrix; // fields.size()² values, row by row, symmetric

    double at(std::size_t i, std::size_t j) const { return matrix[i * fields.size() + j]; }
    bool operator==(const FieldCovariance&) const = default;
};

inline constexpr double kReferenceTemperature = 20; // °C, the shell's temperature of every table
inline constexpr double kSteelExpansion = 12e-6;    // 1/°C
inline constexpr double kAluminiumExpansion = 23e-6;

// What the inputs may be: physical ranges for the shell, and bounds on the budget that keep every row's U finite
// for any tank the entry rules allow.
inline constexpr double kMinShellCelsius = -100;
inline constexpr double kMaxShellCelsius = 300;
inline constexpr double kMaxAlpha = 1e-4;                 // 1/°C, above every metal's
inline constexpr double kMaxStandardUncertainty = 10'000; // mm, of a dimension or the level, as typed
inline constexpr double kMaxFitStandardError = 1e8;       // mm, past the longest dimension: what a fit finds is kept
inline constexpr double kMaxCoverage = 10;
// degrees: an inclinometer worse than this tells nothing of a tank that stands within 89°
inline constexpr double kMaxAngleUncertainty = 10;
inline constexpr double kMaxLimitPercent = 100;

struct ShellTemperature {
    double celsius = kReferenceTemperature;
    double alpha = kSteelExpansion; // linear expansion coefficient of the shell, 1/°C

    // Every length of the shell grows by this factor from 20 °C.
    double lengthScale() const { return 1 + alpha * (celsius - kReferenceTemperature); }
    bool operator==(const ShellTemperature&) const = default;
};

// A gauge zero's variance and its covariances with the fit's fields (in the covariance's order), mm²: rows read by
// the gauge carry them, rows by the tank's level do not.
struct ZeroCovariance {
    double variance = 0;
    std::vector<double> withFit;

    bool operator==(const ZeroCovariance&) const = default;
};

struct UncertaintyInputs {
    std::vector<double> dims; // standard uncertainties, mm: none, one for every field, or one per field
    double level = 0;         // standard uncertainty of the level reading, mm
    double pitch = 0;         // standard uncertainties of a tilted tank's angles, degrees
    double roll = 0;
    double coverage = 2;                   // k of U = k·u
    std::optional<double> limitPercent;    // rows whose U exceeds it, in % of their volume, are marked
    std::optional<FieldCovariance> fit;    // replaces the own uncertainties of its fields
    std::optional<ShellTemperature> shell; // the table for the shell at this temperature instead of 20 °C
    std::optional<ZeroCovariance> zero;    // a fitted gauge zero, for rows by reading; not kept in the section

    // Whether any uncertainty was given: without one no U is shown.
    bool given() const;
    // The standard uncertainty of field `field`, mm; 0 for a field the fit covers.
    double dim(int field) const;
    bool operator==(const UncertaintyInputs&) const = default;
};

enum class InputsProblem {
    Invalid,                 // not a number, negative, infinite, or zero where it must be positive
    OutOfRange,              // a number past the key's range above
    Count,                   // u_dims neither one value nor one per field
    UnknownField,            // a covariance field the shape does not have
    RepeatedField,           // a covariance field named twice
    NotSquare,               // a covariance matrix that is not fields × fields
    NotSymmetric,            // beyond a relative 1e-9
    NotPositiveSemidefinite, // some combination of the fields would have a negative variance
};

// What is wrong with a set of inputs: the key at fault, as the tank file and the JSON name it, and why.
struct InputsFault {
    std::string key;
    InputsProblem problem = InputsProblem::Invalid;
};

// The first fault of the inputs for a shape of `fieldCount` fields, if any.
std::optional<InputsFault> checkInputs(const UncertaintyInputs& inputs, int fieldCount);

// Why, in Russian words to follow the key's name: «матрица не симметрична».
std::string inputsProblemText(InputsProblem problem);

// The "uncertainty" section: {"u_dims", "u_level", "coverage", "limit", "fit_covariance", "shell_temperature",
// "alpha"}; the optional keys are left out when not given.
nlohmann::ordered_json toJson(const UncertaintyInputs& inputs);
expected<UncertaintyInputs, InputsFault> inputsFromJson(const nlohmann::ordered_json& section);

} // namespace tarvol
