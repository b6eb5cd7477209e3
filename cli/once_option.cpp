#include "cli/once_option.h"

#include <CLI/CLI.hpp>

namespace tarvol::cli {

void addOnceOption(CLI::App& app, const char* name, std::vector<std::string>& into, const char* type, const char* what)
{
    app.add_option(name, into, what)
        ->type_name(type)
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

const std::string* onceValue(const std::vector<std::string>& values, const char* option)
{
    if (values.size() > 1)
        throw std::string(option) + " указан больше одного раза";
    return values.empty() ? nullptr : &values[0];
}

} // namespace tarvol::cli
