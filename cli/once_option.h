#pragma once

// Options that take one value and may appear once: every occurrence is kept, so that a repeat is told rather than
// silently taking one of the values.

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace tarvol::cli {

void addOnceOption(CLI::App& app, const char* name, std::vector<std::string>& into, const char* type, const char* what);

// The option's value, none when it was not given; a repeat throws the usage error's text (std::string).
const std::string* onceValue(const std::vector<std::string>& values, const char* option);

} // namespace tarvol::cli
