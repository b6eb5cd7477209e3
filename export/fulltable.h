#pragma once

#include <atomic>
#include <vector>

#include <QString>
#include <QStringList>

#include "export/content.h"

namespace tarvol {

// The full calibration table: the volume at every millimetre of level, as printed and hung at the tank.
struct TableContent {
    QString shapeName;
    std::vector<std::pair<QString, QString>> dimensions; // shown rows only: caption, value
    int decimalPlaces = 0;
    QString errorLine;
    char separator = ',';             // decimal separator of printed numbers
    std::vector<double> levelVolumes; // litres at level 0 .. top, index = level in mm

    int topLevel() const { return static_cast<int>(levelVolumes.size()) - 1; }
    // One row per 10 mm; the row holding the top level closes the table.
    int tableRows() const { return levelVolumes.empty() ? 0 : topLevel() / 10 + 1; }
};

enum class TableFormat { Xlsx, Pdf };

// Longest table either format takes: a worksheet holds at most 1 048 576 rows.
inline constexpr int kMaxTableRows = 1'000'000;

inline const QString kTableLevelHeader = QStringLiteral("Уровень, см");
inline const QString kTableSheetName = QStringLiteral("Таблица");
inline const QString kCurveSheetName = QStringLiteral("График");
inline const QString kCurveTitle = QStringLiteral("Градуировочная кривая");

// Shape name, "caption  value" per dimension, decimal places, the error line and the unit line.
QStringList tableTitleLines(const TableContent& content);

// Column header of the millimetre column `mm` (0..9).
QString millimetreHeader(int mm);

// Writes the table as an xlsx workbook (numbers with the decimal places, frozen header row and level
// column, the curve as a chart on a second sheet) or as an A4 PDF (title block and column header on
// every page, "Лист N из M", the curve on the last page). In one step: a failure or a cancellation
// leaves an existing file as it was. Progress: maximum the table's row count, position per row, then 0.
ExportResult exportFullTable(const QString& path, TableFormat format, const TableContent& content,
                             const Progress& progress = {}, const std::atomic<bool>* cancel = nullptr);

} // namespace tarvol
