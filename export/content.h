#pragma once

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

#include "calc/expected.h"

namespace tarvol {

inline constexpr int kDimensionRows = 8;

// One dimension row of the window: caption label, field text and whether the row is shown.
struct DimensionRow {
    QString caption;
    QString text;
    bool visible = false;
};

// One result row of the grid below its heading row, texts exactly as the grid shows them.
struct GridRow {
    QString level;
    QString volume;
};

// What the text and spreadsheet exports copy from the window.
struct ExportContent {
    QString shapeName;
    std::array<DimensionRow, kDimensionRows> dimensions;
    std::vector<GridRow> rows;
    // What the table's figures rest on beyond the dimensions: the fill calibration they come from, the gauge's zero
    // the levels are read from, the shell's temperature; none for a plain tank.
    QStringList notes;

    // The grid's row count, heading row included.
    int gridRowCount() const { return static_cast<int>(rows.size()) + 1; }
};

// "caption  value", the form every export gives a dimension in.
inline QString dimensionLine(const QString& caption, const QString& text)
{
    return caption + QStringLiteral("  ") + text;
}

// Progress display: the bar's maximum and its position.
using Progress = std::function<void(int maximum, int position)>;

enum class ExportFailure {
    Write,      // the file could not be created, written or put in place
    Encoding,   // a text has characters that code page 1251 cannot hold
    Automation, // an automation call failed
    BadTable,   // a table with no levels, or longer than the file format holds
    Cancelled,
};

struct ExportError {
    ExportFailure kind = ExportFailure::Write;
    QString path;
    QString reason;

    // Text for the error box.
    QString message() const;
};

// A save that wrote its file, or why it did not.
class [[nodiscard]] ExportResult : public expected<void, ExportError> {
public:
    ExportResult() = default;
    ExportResult(ExportError error) : expected(unexpected<ExportError>(std::move(error))) {}

    bool ok() const { return has_value(); }
    // the user stopped the save: nothing to report
    bool cancelled() const { return !ok() && error().kind == ExportFailure::Cancelled; }
};

} // namespace tarvol
