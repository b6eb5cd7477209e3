#pragma once

#include <atomic>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <QString>
#include <QStringList>

#include "calc/reverse.h"
#include "calc/run.h"
#include "export/content.h"
#include "tank/table.h"

namespace tarvol {

// The full calibration table: the volume at every millimetre of level, as printed and hung at the tank.
struct TableContent {
    TankPassport passport; // what the user tells about the tank, UTF-8
    QString shapeName;
    std::vector<std::pair<QString, QString>> dimensions; // shown rows only: caption, value in mm
    QStringList basis;                                   // what the table is calculated from
    QString fullVolumeLine;                              // the full volume, one name for every shape
    std::optional<double> deadVolume;                    // litres below the gauge's zero, for an inclined tank
    int decimalPlaces = 0;
    QString errorLine;
    char separator = ',';             // decimal separator of printed numbers
    std::vector<double> levelVolumes; // litres at level 0 .. top, index = level in mm
    ReverseTable reverse;             // the levels of round volumes, for marking a dipstick
    // The uncertainty budget, when one is given: U in litres at level 0 .. top (index = level in mm), drawn as a
    // column of its own, and its statement for the title block; the shell's temperature line always.
    std::vector<double> expandedUncertainty;
    QStringList uncertaintyLines;
    QString shellLine;
    QStringList deadwoodLines; // the items added and deducted, the floating roof and its zone

    std::optional<double> limitPercent; // U in % of the volume above which a row is marked «*»

    // The appendix of a horizontal tank's correction grid: the volume at each level for each angle.
    struct GridAppendix {
        QString title;      // what varies over the columns, and what stays
        QStringList angles; // the columns' headings, "−2°"
        std::vector<double> levels;
        std::vector<std::vector<double>> volumes; // [row][column], litres
    };
    std::optional<GridAppendix> gridAppendix;

    bool hasUncertainty() const { return !expandedUncertainty.empty(); }
    // Whether U at `level` exceeds the limit, as the grid marks the row.
    bool overLimit(std::size_t level) const
    {
        const double v = levelVolumes[level];
        return limitPercent && v > 0 && 100 * expandedUncertainty[level] / v > *limitPercent;
    }

    int topLevel() const { return static_cast<int>(levelVolumes.size()) - 1; }
    // One row per 10 mm; the row holding the top level closes the table.
    int tableRows() const { return levelVolumes.empty() ? 0 : topLevel() / 10 + 1; }
};

// The whole document of a tank's table, its every level kept: title block (shape, dimensions, basis, gauge, full
// volume, error line, shell, U), passport, the volume and U at every level and the reverse table. The window and
// every format take it from here.
TableContent fullTableDocument(const TankTable& table, TankPassport passport);

// Writes `content` to `path` in one step; progress and cancellation as exportFullTable describes.
using TableWriter = ExportResult (*)(const QString& path, const TableContent& content, const Progress& progress,
                                     const std::atomic<bool>* cancel);

// One document format of the full table: the save dialog's filter, the file suffix and the writer.
struct TableFormat {
    QString filter;
    QString suffix;
    TableWriter write = nullptr;
};

// The formats, in the save dialog's order.
std::span<const TableFormat> tableFormats();
QStringList tableFormatFilters();
// The format of a suffix in any letter case ("xlsx", "PDF"); null for none.
const TableFormat* tableFormat(QStringView suffix);

// Longest table the formats take: a worksheet holds at most 1 048 576 rows.
inline constexpr int kMaxTableRows = 1'000'000;
// The tallest level of such a table, in mm.
inline constexpr int kMaxTableLevel = kMaxTableRows * 10 - 1;

inline const QString kTableLevelHeader = QStringLiteral("Уровень, см");
inline const QString kTitleSheetName = QStringLiteral("Титульный лист");
inline const QString kTableSheetName = QStringLiteral("Таблица");
inline const QString kCurveSheetName = QStringLiteral("График");
inline const QString kCurveTitle = QStringLiteral("Градуировочная кривая");
inline const QString kReverseSheetName = QStringLiteral("Объём-уровень");
inline const QString kReverseTitle = QStringLiteral("Объём → уровень");
inline const QString kDocumentTitle = QStringLiteral("Градуировочная таблица");
inline const QString kTableUncertaintyHeader = QStringLiteral("U, л");
inline const QString kGridSheetName = QStringLiteral("Сетка наклонов");

// The title block: the document's name, the filled passport fields, the shape name, "caption  value мм"
// per dimension, the basis of the calculation, the full volume, the error line and the unit line.
QStringList tableTitleLines(const TableContent& content);

// The signature block closing the document, with the author and the date where given.
QStringList signatureLines(const TankPassport& passport);

// The format a chosen name asks for: the format of its own suffix in any letter case, otherwise the selected
// filter's (an index into tableFormats()), whose suffix a name without a known one then gets.
struct TableTarget {
    QString path;
    const TableFormat* format = nullptr;
};
TableTarget tableTarget(const QString& chosen, int filter);

// Column header of the millimetre column `mm` (0..9).
QString millimetreHeader(int mm);

// Writes the table as an xlsx workbook (numbers with the decimal places, frozen header row and level
// column, set up for A4 printing, the curve as a chart on a second sheet, the reverse table on a third),
// as an A4 PDF (title block, column header on every page, "Лист N из M", the curve, the reverse table,
// the signature block) or as CSV (every millimetre, no title). In one step: a failure or a cancellation
// leaves an existing file as it was. Progress: maximum the table's row count, position per row, then 0.
ExportResult exportFullTable(const QString& path, const TableFormat* format, const TableContent& content,
                             const Progress& progress = {}, const std::atomic<bool>* cancel = nullptr);

} // namespace tarvol
