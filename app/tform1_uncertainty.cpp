// The tank's uncertainty budget and its deadwood in the window: the dialogs «Погрешность» and «Внутренние детали и
// понтон» lead to, the grid's U columns and marked rows, and the report's lines, all read from the table of the last
// run.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <QColor>
#include <QTableWidget>

#include "app/deadwooddialog.h"
#include "app/tform1.h"
#include "app/uncertaintydialog.h"
#include "calc/catalogue.h"
#include "calc/format.h"
#include "ui_tform1.h"
#include "uncertainty/statement.h"

namespace tarvol {
namespace {

// The largest relative U is looked for above this share of the height: near the bottom it grows without bound.
constexpr double kReportFromShare = 0.1;
const QString kRoofZoneTip = QStringLiteral("Зона посадки понтона на опоры: строка для измерений непригодна");
const QString kBlindTip =
    QStringLiteral("Уровнемер этот уровень не покажет: вдоль него жидкость уже касается верха ёмкости");

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

std::optional<UncertaintyInputs> TForm1::uncertaintyInputs() const
{
    if (!m_tank.budget && !m_tank.shell)
        return std::nullopt;
    UncertaintyInputs inputs = m_tank.budget.value_or(UncertaintyInputs{});
    inputs.shell = m_tank.shell;
    return inputs;
}

void TForm1::applyUncertainty(const std::optional<UncertaintyInputs>& inputs)
{
    m_tank.shell = inputs ? inputs->shell : std::nullopt;
    m_tank.budget = inputs;
    if (m_tank.budget) {
        m_tank.budget->shell.reset();
        if (m_tank.fit)
            m_tank.budget->fit.reset(); // the fit's own covariance is the fit's
    }
    updateTankTitle();
    // a changed budget or temperature is another tank: its table is made anew
    if (m_table && !m_running)
        runShape();
}

void TForm1::editUncertainty()
{
    const auto k =
        measuredSelected() ? std::optional<int>(kMeasuredShape) : findShape(selectedShapeName().toStdString());
    if (!k)
        return;
    UncertaintyDialog dialog(*k, uncertaintyInputs(), this);
    if (dialog.exec() == QDialog::Accepted)
        applyUncertainty(dialog.inputs());
}

void TForm1::applyDeadwood(const Deadwood& deadwood)
{
    m_tank.deadwood = deadwood;
    updateTankTitle();
    if (m_table && !m_running)
        runShape();
}

void TForm1::DeadwoodCommandClick()
{
    DeadwoodDialog dialog(m_tank.deadwood, this);
    if (dialog.exec() == QDialog::Accepted && dialog.deadwood() != m_tank.deadwood)
        applyDeadwood(dialog.deadwood());
}

void TForm1::showTable()
{
    QTableWidget* grid = m_ui->StringGrid1;
    const bool showU = m_table && m_table->hasU;
    setGridColumns(showU);
    if (showU) {
        grid->setItem(0, 2, new QTableWidgetItem(QString::fromUtf8(kUncertaintyColumn)));
        grid->setItem(0, 3, new QTableWidgetItem(QString::fromUtf8(kRelativeColumn)));
    }
    if (!m_table)
        return;
    const char separator = m_table->separator;
    grid->setRowCount(static_cast<int>(m_table->rows.size()) + 1);
    for (std::size_t i = 0; i < m_table->rows.size(); ++i) {
        const TableRow& r = m_table->rows[i];
        const int row = static_cast<int>(i) + 1;
        grid->setItem(row, 0, new QTableWidgetItem(QString::number(static_cast<qint64>(r.level))));
        grid->setItem(row, 1, new QTableWidgetItem(fromUtf8(r.text)));
        if (r.roofZone) // the roof settles on its legs here: the row is shown, not to be measured by
            for (int column : {0, 1}) {
                grid->item(row, column)->setBackground(QColor(255, 236, 179));
                grid->item(row, column)->setToolTip(kRoofZoneTip);
            }
        if (r.blind) // a tilted tank's reading its gauge cannot show
            for (int column : {0, 1}) {
                grid->item(row, column)->setForeground(QColor(128, 128, 128));
                grid->item(row, column)->setToolTip(kBlindTip);
            }
        if (!showU)
            continue;
        grid->setItem(row, 2, new QTableWidgetItem(fromUtf8(expandedText(r.u.expanded, separator))));
        grid->setItem(row, 3,
                      new QTableWidgetItem(fromUtf8(relativeText(r.u.relative, separator))
                                           + (r.u.overLimit ? QStringLiteral(" *") : QString())));
    }
    // four columns share the two's width: each takes what its longest text needs rather than cutting it off
    if (showU)
        grid->resizeColumnsToContents();
    StringGrid1Exit();
}

QString TForm1::uncertaintyReport() const
{
    if (!m_table)
        return {};
    const TankTable& t = *m_table;
    const char separator = t.separator;
    QStringList lines;
    for (const std::string& line : t.orientationLines)
        lines << fromUtf8(line);
    if (!t.gaugeLine.empty())
        lines << fromUtf8(t.gaugeLine);
    if (t.shellChanged)
        lines << fromUtf8(t.shellLine);
    for (const std::string& line : t.deadwoodLines)
        lines << fromUtf8(line);
    if (!t.hasU)
        return lines.join(QLatin1Char('\n'));
    if (t.fullU)
        lines << fromUtf8("U при полном объёме: " + expandedText(t.fullU->expanded, separator) + " л ("
                          + relativeText(t.fullU->relative, separator) + " %).");
    // every kept millimetre above a tenth of the height, else the grid's rows
    const auto first = std::ceil(kReportFromShare * t.highest);
    double worst = 0;
    double worstLevel = 0;
    const auto consider = [&](double level, double volume, double expanded) {
        const double relative = volume > 0 ? 100 * expanded / volume : 0;
        if (level >= first && relative > worst) {
            worst = relative;
            worstLevel = level;
        }
    };
    if (t.levelU.size() == t.levelVolumes.size() && !t.levelU.empty())
        for (std::size_t level = 0; level < t.levelU.size(); ++level)
            consider(static_cast<double>(level), t.levelVolumes[level], t.levelU[level]);
    else
        for (const TableRow& row : t.rows)
            consider(row.level, row.volume, row.u.expanded);
    lines << fromUtf8("Наибольшая U выше 10 % высоты: " + relativeText(worst, separator) + " % на уровне "
                      + formatGeneral(worstLevel, separator) + " мм.");
    for (const std::string& line : t.uncertaintyLines)
        lines << fromUtf8(line);
    for (const auto& [from, to] : t.nonlinear)
        lines << fromUtf8(linearityNote(from, to, separator));
    return lines.join(QLatin1Char('\n'));
}

} // namespace tarvol
