#pragma once

// The tank as one typed value: its shape and dimensions plus the modifiers that change its table (a fit to a fill
// log with the gauge's zero, the shell's temperature, the uncertainty budget, deadwood and a floating roof) and what is kept with it (the
// passport, the sensor's settings). The window and the command line each build one; every output formats the table
// computed from it (tank/table.h). The tank file reads into it and writes from it.

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "calc/expected.h"
#include "calc/tilt.h"
#include "fit/fit.h"
#include "sensor/settings.h"
#include "tank/deadwood.h"
#include "tank/measured.h"
#include "tank/orientation.h"
#include "tank/strapping.h"
#include "tank/tankfile.h"
#include "uncertainty/inputs.h"

namespace tarvol {

// The gauge's zero above the level's zero, mm: a gauge reading r is the tank level r + mm.
struct GaugeZero {
    double mm = 0;
    double variance = 0;                 // mm², of a fitted zero
    std::vector<double> fieldCovariance; // mm², with each field of the fit's covariance, in its order
    bool fitted = false;

    bool operator==(const GaugeZero&) const = default;
};

struct Tank {
    int shape = 0;                  // catalogue index, or kMeasuredShape
    std::vector<double> dimensions; // mm in field order: typed ones whole, fitted ones to a tenth
    int decimals = 0;               // volume decimal places, 0..3
    TankPassport passport;
    std::optional<FitResult> fit;            // the fit to a fill log the dimensions come from
    std::optional<ShellTemperature> shell;   // the table for the shell at this temperature instead of 20 °C
    std::optional<UncertaintyInputs> budget; // the user's budget, without the shell and the fit
    std::optional<sensor::Settings> sensor;  // the level sensor's settings
    std::optional<double> typedZero;         // a gauge zero given by hand, mm
    Deadwood deadwood;                       // what stands inside or hangs outside, and a floating roof
    std::optional<Orientation> orientation;  // a horizontal tank pitched and rolled, read by a gauge off its axis
    std::optional<TiltGridRange> tiltGrid;   // the correction grid its documents append

    // A measured tank's record, in place of its dimensions.
    std::optional<StrappingRecord> strapping;
    nlohmann::ordered_json otherSections = nlohmann::ordered_json::object(); // kept as read, written back

    // The fit's zero where the fit freed it, else the typed one; none when the gauge reads from the level's zero.
    std::optional<GaugeZero> gaugeZero() const;
    // The fitted fields' covariance, mm², over the fields whose standard error the fit found; none without a fit.
    std::optional<FieldCovariance> fitCovariance() const;
    // What the table's uncertainty is made of: the budget, the fit's covariance and the shell together.
    UncertaintyInputs uncertaintyInputs() const;
    // Whether the rows carry U: a budget, a fit or a measured tank's own uncertainties.
    bool hasUncertainty() const
    {
        if (strapping)
            return uncertaintyInputs().level > 0 || strapping->uCircumference > 0 || strapping->uThickness > 0;
        return uncertaintyInputs().given();
    }
};

// A fit's dimension as the tank keeps it: to a tenth of a millimetre, as the fields show it.
double fittedDimension(double estimate);
// The tank a fit gives: the fitted dimensions, the fit kept; its other modifiers as `drawing` had them.
Tank withFit(Tank drawing, const FitResult& fit);

// The tank of a document and back; a section that does not read is refused naming its key.
expected<Tank, TankFileError> tankFromDocument(const TankDocument& document);
TankDocument documentOf(const Tank& tank);

// The file's tank, its sections read and checked.
expected<Tank, TankFileError> readTank(const std::string& path);
TankWriteOutcome writeTank(const std::string& path, const Tank& tank);

} // namespace tarvol
