// The window's side of calibration by filling: the command, and the fitted tank as the current one.

#include "app/tform1.h"

#include <cmath>

#include <QLineEdit>

#include "app/filldialog.h"
#include "app/messages.h"
#include "calc/format.h"
#include "fit/report.h"
#include "tank/deadwood.h"
#include "ui_tform1.h"

namespace tarvol {
namespace {

const QString kNoDrawing =
    QStringLiteral("Для градуировки по наливу выберите форму и введите размеры по чертежу: с них начинается подбор.");

} // namespace

void TForm1::FillCommandClick()
{
    const Tank tank = currentTank();
    if (tank.shape < 0 || !inputComplete()
        || !std::ranges::all_of(tank.dimensions, [](double d) { return std::isfinite(d); })) {
        messages().information(kNoDrawing);
        return;
    }
    // a fitted tank shows its fit as applied, and fits again from the drawing that fit started from
    const bool fitted =
        tank.fit && tank.fit->shape == tank.shape && tank.fit->startDims.size() == tank.dimensions.size();
    FillDialog dialog(tank.shape, fitted ? tank.fit->startDims : tank.dimensions, this,
                      fitted ? tank.fit : std::nullopt);
    if (!tank.deadwood.empty())
        dialog.setCorrection([deadwood = tank.deadwood](double level) { return deadwoodCorrection(deadwood, level); });
    dialog.setOrientation(tank.orientation);
    if (dialog.exec() == QDialog::Accepted && dialog.fit())
        applyFit(*dialog.fit());
}

void TForm1::applyFit(const FitResult& fit)
{
    N4Click(); // back to entering: the table shown was of the tank before the fit
    // the fit belongs to the tank: its file keeps it, so the fitted tank opens as it was applied
    m_tank = withFit(currentTank(), fit);
    for (size_t i = 0; i < m_tank.dimensions.size() && i < kDimensionRows; ++i)
        m_fields[i]->setText(QString::fromStdString(formatGeneral(m_tank.dimensions[i], decimalSeparator())));
    updateTankTitle();
}

void TForm1::forgetFit() { m_tank.fit.reset(); }

QString TForm1::fitLine() const
{
    return m_tank.fit ? QString::fromStdString(fitTitleLine(*m_tank.fit, decimalSeparator())) : QString();
}

} // namespace tarvol
