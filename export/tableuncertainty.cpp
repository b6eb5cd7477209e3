#include "export/tableuncertainty.h"

#include "calc/format.h"
#include "uncertainty/propagation.h"
#include "uncertainty/statement.h"

namespace tarvol {
namespace {

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

bool addUncertainty(TableContent& content, int shape, std::span<const double> dims, const UncertaintyInputs& inputs)
{
    const auto propagation = Propagation::prepare(shape, dims, inputs);
    if (!propagation)
        return false;
    const char separator = content.separator;
    if (inputs.shell) {
        for (std::size_t level = 0; level < content.levelVolumes.size(); ++level)
            content.levelVolumes[level] = propagation->volume(static_cast<double>(level));
        content.reverse = reverseTable(content.levelVolumes);
        content.shellLine = fromUtf8(shellLine(inputs, separator) + " Полный объём: "
                                     + formatFixed(propagation->fullVolume(), 16, 3, separator) + " л.");
    }
    if (!inputs.given())
        return true;
    content.expandedUncertainty.resize(content.levelVolumes.size());
    for (std::size_t level = 0; level < content.levelVolumes.size(); ++level)
        content.expandedUncertainty[level] =
            propagation->at(static_cast<double>(level), content.levelVolumes[level]).expanded;
    content.uncertaintyLines.clear();
    for (const std::string& line : uncertaintyStatement(inputs, shape, separator))
        content.uncertaintyLines << fromUtf8(line);
    content.uncertaintyLines << QStringLiteral("U, л — в последнем столбце, для уровня строки.");
    return true;
}

} // namespace tarvol
