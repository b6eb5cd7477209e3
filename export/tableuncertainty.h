#pragma once

// A full table's document with the tank's uncertainty budget: U at every level, the budget's statement in the
// title block, and the volumes at the shell's temperature when one is given.

#include <span>

#include "export/fulltable.h"
#include "uncertainty/inputs.h"

namespace tarvol {

// False, the document unchanged, when the dimensions give no model.
bool addUncertainty(TableContent& content, int shape, std::span<const double> dims, const UncertaintyInputs& inputs);

} // namespace tarvol
