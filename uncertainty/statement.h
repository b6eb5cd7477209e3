#pragma once

// The words a user reads about a table's uncertainty and its shell temperature: made here once for the command
// line, the window and the documents.

#include <string>
#include <vector>

#include "uncertainty/inputs.h"

namespace tarvol {

inline constexpr const char* kUncertaintyMethod = "по ГОСТ Р 54500.3 / JCGM 100";
inline constexpr const char* kUncertaintyColumn = "U, л";
inline constexpr const char* kRelativeColumn = "U, %";

// The inputs, k, the method and what U leaves out, one sentence a line; shape names the fields.
// `itemsIncluded`: the volumes of the deadwood carry their own uncertainty, which the rows include.
std::vector<std::string> uncertaintyStatement(const UncertaintyInputs& inputs, int shape, char separator,
                                              bool itemsIncluded = false);

// "Таблица для стенки ёмкости при 20 °C." or the temperature and coefficient the table was scaled to.
std::string shellLine(const UncertaintyInputs& inputs, char separator);

// U and its share of the volume as the grid shows them; "—" where the volume is 0.
std::string expandedText(double litres, char separator);
std::string relativeText(double percent, char separator);

// The rows whose linear estimate is poor, as levels from..to, or empty when there are none.
std::string linearityNote(double firstLevel, double lastLevel, char separator);

} // namespace tarvol
