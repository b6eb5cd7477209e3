#include "viewer/presentation.h"

#include <iterator>
#include <stdexcept>

#include "calc/catalogue.h"

namespace tarvol {
namespace {

// the figures are written once, in scripts/gen-pictures.py, which also draws the pictures at these sizes
constexpr Presentation kPresentation[] = {
#include "viewer/presentation_table.inc"
};
static_assert(std::size(kPresentation) == kShapeCount, "one presentation row per catalogue shape");

} // namespace

const Presentation& presentation(int shape)
{
    if (shape < 0 || shape >= kShapeCount)
        throw std::out_of_range("no presentation for this shape index");
    return kPresentation[shape];
}

} // namespace tarvol
