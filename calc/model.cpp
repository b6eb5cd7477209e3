#include "calc/model.h"

#include <limits>
#include <optional>

#include "calc/catalogue.h"
#include "calc/run.h"
#include "calc/shapes.h"

namespace tarvol {

ModelOutcome prepareModel(int shapeIndex, std::span<const double> dims)
{
    std::optional<Refusal> refusal = dimensionsRefusal(shapeIndex, dims);
    if (!refusal) {
        const ShapeInfo& info = shape(shapeIndex);
        ModelOutcome outcome =
            info.twin ? inclinedModel(shape(*info.twin).functions, dims) : info.functions.model(dims);
        if (outcome.ok())
            return outcome;
        refusal = *outcome.refusal();
    }
    explainRefusal(*refusal, shapeIndex, '.');
    return std::move(*refusal);
}

double volumeAt(int shapeIndex, std::span<const double> dims, double level)
{
    const ModelOutcome outcome = prepareModel(shapeIndex, dims);
    return outcome.ok() ? outcome.model().volume(level) : std::numeric_limits<double>::quiet_NaN();
}

} // namespace tarvol
