// A horizontal tank's tilt in the window: «Наклон…» and «Сетка наклонов…», the orientation kept with the tank.

#include "app/tform1.h"

#include <algorithm>
#include <cmath>

#include "app/messages.h"
#include "app/tiltdialog.h"
#include "app/tiltgriddialog.h"
#include "calc/catalogue.h"

namespace tarvol {
namespace {

const QString kNoDimensions =
    QStringLiteral("Для сетки наклонов выберите горизонтальную ёмкость и введите её размеры.");

} // namespace

void TForm1::applyOrientation(const std::optional<Orientation>& orientation)
{
    m_tank.orientation = orientation;
    updateTankTitle();
    if (m_table && !m_running)
        runShape();
}

void TForm1::TiltCommandClick()
{
    const Tank tank = currentTank();
    if (tank.shape < 0 || shape(tank.shape).group != Group::Horizontal)
        return;
    TiltDialog dialog(tank.shape, tank.dimensions, tank.orientation, this);
    if (dialog.exec() == QDialog::Accepted && dialog.orientation() != m_tank.orientation)
        applyOrientation(dialog.orientation());
}

void TForm1::TiltGridCommandClick()
{
    const Tank tank = currentTank();
    if (tank.shape < 0 || shape(tank.shape).group != Group::Horizontal || !inputComplete()
        || !std::ranges::all_of(tank.dimensions, [](double d) { return std::isfinite(d); })) {
        messages().information(kNoDimensions);
        return;
    }
    TiltGridDialog dialog(tank, this);
    dialog.exec();
    if (const auto appendix = dialog.appendix(); appendix != m_tank.tiltGrid) {
        m_tank.tiltGrid = appendix;
        updateTankTitle();
        // the documents take the appendix from the table: it is made with it
        if (m_table && !m_running)
            runShape();
    }
}

} // namespace tarvol
