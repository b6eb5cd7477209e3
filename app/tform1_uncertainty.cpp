// The tank's uncertainty budget in the window: the dialog «Погрешность» leads to, the grid's U columns and the
// report's U lines.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <QTableWidget>

#include "app/tform1.h"
#include "app/uncertaintydialog.h"
#include "calc/catalogue.h"
#include "calc/format.h"
#include "ui_tform1.h"
#include "uncertainty/propagation.h"
#include "uncertainty/statement.h"

namespace tarvol {
namespace {

// The largest relative U is looked for above this share of the height: near the bottom it grows without bound.
constexpr double kReportFromShare = 0.1;
constexpr std::int64_t kReportLevels = 2000;

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

std::optional<UncertaintyInputs> TForm1::uncertaintyInputs() const
{
    const auto* section = m_tank.section("uncertainty");
    if (!section)
        return std::nullopt;
    auto read = inputsFromJson(*section);
    if (!read)
        return std::nullopt;
    return *read;
}

void TForm1::applyUncertainty(const std::optional<UncertaintyInputs>& inputs)
{
    if (inputs)
        m_tank.setSection("uncertainty", toJson(*inputs));
    else
        m_tank.removeSection("uncertainty");
    updateTankTitle();
    showUncertainty();
}

void TForm1::editUncertainty()
{
    const auto k = findShape(selectedShapeName().toStdString());
    if (!k)
        return;
    UncertaintyDialog dialog(*k, uncertaintyInputs(), this);
    if (dialog.exec() == QDialog::Accepted)
        applyUncertainty(dialog.inputs());
}

std::vector<double> TForm1::dimensionValues(int k) const
{
    std::vector<double> dims;
    for (const std::string& text : fieldTexts(k)) {
        bool ok = false;
        const double v = QString::fromStdString(text).toDouble(&ok);
        if (!ok || text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
            return {};
        dims.push_back(v);
    }
    return dims;
}

void TForm1::showUncertainty()
{
    QTableWidget* grid = m_ui->StringGrid1;
    const auto inputs = uncertaintyInputs();
    const auto k = findShape(selectedShapeName().toStdString());
    std::optional<Propagation> propagation;
    if (inputs && k && !m_rows.empty())
        if (auto prepared = Propagation::prepare(*k, dimensionValues(*k), *inputs))
            propagation.emplace(std::move(*prepared));
    const bool showU = propagation && inputs->given();
    setGridColumns(showU);
    if (showU) {
        grid->setItem(0, 2, new QTableWidgetItem(QString::fromUtf8(kUncertaintyColumn)));
        grid->setItem(0, 3, new QTableWidgetItem(QString::fromUtf8(kRelativeColumn)));
    }
    const char separator = decimalSeparator();
    const bool shell = propagation && inputs->shell;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        double volume = m_rows[i].volumeValue;
        QString text = fromUtf8(m_rows[i].volume);
        if (shell) {
            volume = propagation->volume(m_rows[i].levelValue);
            text = fromUtf8(formatFixed(volume, 10, m_decimalPlaces, separator));
        }
        grid->setItem(row, 1, new QTableWidgetItem(text));
        if (!showU)
            continue;
        const auto u = propagation->at(m_rows[i].levelValue, volume);
        grid->setItem(row, 2, new QTableWidgetItem(fromUtf8(expandedText(u.expanded, separator))));
        grid->setItem(row, 3,
                      new QTableWidgetItem(fromUtf8(relativeText(u.relative, separator))
                                           + (u.overLimit ? QStringLiteral(" *") : QString())));
    }
}

QString TForm1::uncertaintyReport() const
{
    const auto inputs = uncertaintyInputs();
    const auto k = findShape(selectedShapeName().toStdString());
    if (!inputs || !k || m_rows.empty())
        return {};
    const auto prepared = Propagation::prepare(*k, dimensionValues(*k), *inputs);
    if (!prepared)
        return {};
    const char separator = decimalSeparator();
    QStringList lines;
    if (inputs->shell)
        lines << fromUtf8(shellLine(*inputs, separator)
                          + " Полный объём: " + formatFixed(prepared->fullVolume(), 16, 3, separator) + " л.");
    if (!inputs->given())
        return lines.join(QLatin1Char('\n'));
    const double fullVolume = inputs->shell ? prepared->fullVolume() : m_accuracy.sumVolume;
    const auto full = prepared->at(m_totalHeight, fullVolume);
    lines << fromUtf8("U при полном объёме: " + expandedText(full.expanded, separator) + " л ("
                      + relativeText(full.relative, separator) + " %).");
    // every millimetre above a tenth of the height, or as many evenly spread levels, so the box comes at once
    const auto first = static_cast<std::int64_t>(std::ceil(kReportFromShare * m_totalHeight));
    const auto last = static_cast<std::int64_t>(m_totalHeight);
    const std::int64_t step = std::max<std::int64_t>(1, (last - first) / kReportLevels);
    double worst = 0;
    double worstLevel = 0;
    bool nonlinear = false;
    for (std::int64_t level = first; level <= last; level += step) {
        const double h = static_cast<double>(level);
        const auto u = prepared->at(h, prepared->volume(h));
        nonlinear = nonlinear || u.nonlinear;
        if (u.relative > worst) {
            worst = u.relative;
            worstLevel = h;
        }
    }
    lines << fromUtf8("Наибольшая U выше 10 % высоты: " + relativeText(worst, separator) + " % на уровне "
                      + formatGeneral(worstLevel, separator) + " мм.");
    for (const std::string& line : uncertaintyStatement(*inputs, *k, separator))
        lines << fromUtf8(line);
    if (nonlinear)
        lines << QStringLiteral("Линейная оценка U неточна у дна или верха: объём заметно меняется в пределах u(h).");
    return lines.join(QLatin1Char('\n'));
}

} // namespace tarvol
