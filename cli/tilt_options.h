#pragma once

// The command line's tilt of a horizontal tank: --pitch, --roll, --gauge-at, --gauge, their uncertainties, and the
// correction grid over --pitch-range or --roll-range.

#include <optional>
#include <string>
#include <vector>

#include "calc/tilt.h"
#include "tank/tank.h"

namespace CLI {
class App;
}

namespace tarvol::cli {

struct TiltOptions {
    std::vector<std::string> pitch, roll, gaugeAt, gauge, uPitch, uRoll, pitchRange, rollRange; // as typed, one each
};

struct TiltGridRequest {
    std::vector<double> pitches, rolls; // exactly one of them filled
};

void addTiltOptions(CLI::App& app, TiltOptions& options);
bool anyTiltOption(const TiltOptions& options);
bool tiltGridAsked(const TiltOptions& options);

// The orientation typed over the tank's own. Throws the usage error's text (std::string) for a malformed value or a
// shape that is not horizontal; a value the tank cannot take is the table's refusal.
void applyTiltOptions(const TiltOptions& options, Tank& tank);
// The grid's angles: FROM:TO:STEP in degrees, at most 721 columns.
TiltGridRequest tiltGridRequest(const TiltOptions& options);

} // namespace tarvol::cli
