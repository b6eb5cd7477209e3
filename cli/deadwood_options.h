#pragma once

// The command line's deadwood and floating roof: --deadwood FILE, --roof, --roof-density, --roof-zone, over what
// a tank file's sections say.

#include <string>
#include <vector>

#include "tank/tank.h"

namespace CLI {
class App;
}

namespace tarvol::cli {

struct DeadwoodOptions {
    std::vector<std::string> file, mass, density, zone; // as typed, one each
};

void addDeadwoodOptions(CLI::App& app, DeadwoodOptions& options);
bool anyDeadwoodOption(const DeadwoodOptions& options);

// The items of the file and the roof typed over the tank's. Throws the usage error's text (std::string) for a wrong
// value, TankFileFailure (66 or 65) for a file that cannot be read or does not read as items.
void applyDeadwoodOptions(const DeadwoodOptions& options, Tank& tank);

} // namespace tarvol::cli
