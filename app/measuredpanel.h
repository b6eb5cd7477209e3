#pragma once

// The fields of a tank made from its strapping record, in place of a drawn shape's dimensions: an editable table of
// courses (height, thickness, the tape's readings), the tape's and the shell's temperatures, the paint, the tilt,
// the bottom's survey and the uncertainties. Rows paste from a spreadsheet.

#include <optional>

#include <QString>
#include <QWidget>

#include "tank/strapping.h"

class QLineEdit;
class QTableWidget;

namespace tarvol {

class MeasuredPanel final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MeasuredPanel)

public:
    explicit MeasuredPanel(QWidget* parent = nullptr);

    // The record the fields hold: a cell that is no number reads as NaN, which the record's check then names.
    StrappingRecord record() const;
    void setRecord(const StrappingRecord& record);
    void clear();
    void setReadOnly(bool readOnly);

    // Tab-separated rows, as a spreadsheet copies them, into a table from its current cell down, rows added as
    // needed.
    static void pasteRows(QTableWidget* table, const QString& text);

    QTableWidget* courseTable() const { return m_courses; }
    QTableWidget* bottomTable() const { return m_bottom; }

signals:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* addField(const QString& caption, const QString& name, int row, int column);

    QTableWidget* m_courses = nullptr;
    QTableWidget* m_bottom = nullptr;
    QLineEdit* m_paint = nullptr;
    QLineEdit* m_tapeCelsius = nullptr;
    QLineEdit* m_tapeAlpha = nullptr; // in 10⁻⁶ 1/°C
    QLineEdit* m_shellCelsius = nullptr;
    QLineEdit* m_shellAlpha = nullptr; // in 10⁻⁶ 1/°C
    QLineEdit* m_tilt = nullptr;
    QLineEdit* m_uCircumference = nullptr;
    QLineEdit* m_uThickness = nullptr;
    std::optional<Hydrostatic> m_hydrostatic; // kept from the file: the window does not edit it
    bool m_readOnly = false;
};

} // namespace tarvol
