#pragma once

// The command line's tank file: --tank runs from one, --save-tank writes one.

#include <optional>
#include <string>
#include <vector>

#include "calc/refusal.h"
#include "tank/tank.h"

namespace CLI {
class App;
}

namespace tarvol::cli {

// Exit statuses of the tank file, after sysexits.h.
inline constexpr int kExitDataError = 65;  // a broken file or one of a newer version
inline constexpr int kExitNoInput = 66;    // a missing or unreadable file
inline constexpr int kExitCantCreate = 73; // the file could not be written

struct TankFileOptions {
    std::string load; // --tank
    std::string save; // --save-tank
};

// A tank file that cannot be read or written ends the command with this status and message.
struct TankFileFailure {
    int status = kExitDataError;
    std::string message;
};

void addTankFileOptions(CLI::App& app, TankFileOptions& options);

// The tank of --tank; throws TankFileFailure.
Tank loadTank(const std::string& path);

// Writes `tank` to `path` when its table would be made; the refusal otherwise. Throws TankFileFailure when the
// file cannot be written.
std::optional<Refusal> saveTank(const std::string& path, const Tank& tank);

} // namespace tarvol::cli
