// The window's side of calibration by filling: the command, and the fitted tank as the current one.

#include "app/tform1.h"

#include <QLineEdit>
#include <QLocale>

#include "app/filldialog.h"
#include "app/messages.h"
#include "app/tankdocument.h"
#include "calc/catalogue.h"
#include "fit/filljson.h"
#include "fit/report.h"
#include "ui_tform1.h"

namespace tarvol {
namespace {

const QString kNoDrawing =
    QStringLiteral("Для градуировки по наливу выберите форму и введите размеры по чертежу: с них начинается подбор.");

} // namespace

void TForm1::FillCommandClick()
{
    const auto k = findShape(selectedShapeName().toStdString());
    if (!k || !inputComplete()) {
        messages().information(kNoDrawing);
        return;
    }
    const std::vector<std::string> texts = fieldTexts(*k);
    std::vector<double> dims = m_fitDims;
    if (!m_fit || texts != m_fitTexts) {
        dims.clear();
        for (const auto& text : texts) {
            bool ok = false;
            dims.push_back(QLocale::c().toDouble(QString::fromStdString(text).replace(u',', u'.'), &ok));
            if (!ok) {
                messages().information(kNoDrawing);
                return;
            }
        }
    }
    FillDialog dialog(*k, dims, this);
    if (dialog.exec() == QDialog::Accepted && dialog.fit())
        applyFit(*dialog.fit());
}

void TForm1::applyFit(const FitResult& fit)
{
    N4Click(); // back to entering: the table shown was of the tank before the fit
    m_fit = fit;
    m_fitDims = fittedDimensions(fit);
    for (size_t i = 0; i < m_fitDims.size() && i < kDimensionRows; ++i)
        m_fields[i]->setText(QString::fromStdString(tenths(m_fitDims[i], decimalSeparator())));
    m_fitTexts = fieldTexts(fit.shape);
    // the fit belongs to the tank: its file keeps it, so the fitted tank opens as it was applied
    m_tank.setSection(kFillSection, nlohmann::ordered_json{{"fit", fitJson(fit)}});
    updateTankTitle();
}

// A tank opened with a fit takes it back: its fields hold the fitted values the fit computes with.
void TForm1::restoreFit(const TankDocument& tank)
{
    forgetFit();
    m_fit = savedFit(tank);
    if (!m_fit)
        return;
    m_fitDims = fittedDimensions(*m_fit);
    m_fitTexts = fieldTexts(tank.shape);
}

void TForm1::forgetFit()
{
    m_fit.reset();
    m_fitTexts.clear();
    m_fitDims.clear();
}

QString TForm1::fitLine() const
{
    return m_fit ? QString::fromStdString(fitTitleLine(*m_fit, decimalSeparator())) : QString();
}

} // namespace tarvol
