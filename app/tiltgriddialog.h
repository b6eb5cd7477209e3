#pragma once

// «Сетка наклонов…»: a horizontal tank's volumes at every level over a range of pitches (or of rolls), as a table,
// a plot of the volume against the angle at a few levels and a CSV file for an inclinometer's system; the range may
// be kept with the tank for its documents' appendix.

#include <optional>

#include <QDialog>

#include "tank/tank.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;
class QChartView;

namespace tarvol {

class TiltGridDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TiltGridDialog)

public:
    // tank: the window's current tank, its dimensions filled
    explicit TiltGridDialog(Tank tank, QWidget* parent = nullptr);

    // The range the documents append, as the box «Приложить к документам» leaves it.
    std::optional<TiltGridRange> appendix();
    const std::optional<TiltGrid>& grid() const { return m_grid; }
    // Computes the grid of the typed range; false, with the reason shown, when the range or the tank refuses.
    bool compute();
    // Writes the grid shown as CSV (`level_mm;-2;-1;0;1;2`); the reason when there is none or the file fails.
    std::optional<QString> saveCsv(const QString& path);

private:
    std::optional<TiltGridRange> typedRange();
    void showGrid();
    void saveCommand();

    Tank m_tank;
    QComboBox* m_vary;
    QLineEdit* m_from;
    QLineEdit* m_to;
    QLineEdit* m_step;
    QLineEdit* m_levelStep;
    QCheckBox* m_attach;
    QTableWidget* m_table;
    QChartView* m_chart;
    QLabel* m_problem;
    std::optional<TiltGrid> m_grid;
    TiltGridRange m_gridRange; // the range m_grid was made of
};

} // namespace tarvol
