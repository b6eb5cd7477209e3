// The full table as an xlsx workbook: the title block and signatures, the table, the curve as a chart, the reverse
// table.

#include <algorithm>

#include <QByteArray>
#include <xlsxwriter.h>

#include "calc/format.h"
#include "calc/reverse.h"
#include "export/atomicfile.h"
#include "export/tablewriters.h"
#include "export/xlsxfile.h"

namespace tarvol {

namespace {

QByteArray numberFormat(int decimals) { return decimals > 0 ? "0." + QByteArray(decimals, '0') : QByteArray("0"); }

ExportResult failed(const QString& path, lxw_error e)
{
    if (e == LXW_NO_ERROR)
        return {};
    return writeError(path, xlsxErrorText(e));
}

constexpr uint8_t kPaperA4 = 9;

void setUpPrinting(lxw_worksheet* sheet, lxw_row_t headerRow)
{
    worksheet_set_paper(sheet, kPaperA4);
    worksheet_set_portrait(sheet);
    worksheet_fit_to_pages(sheet, 1, 0); // every column on one page width, as many pages down as needed
    worksheet_repeat_rows(sheet, headerRow, headerRow);
    worksheet_set_footer(sheet, "&CЛист &P из &N");
}

ExportResult writeReverseSheet(lxw_worksheet* sheet, const TableContent& content, lxw_format* header,
                               lxw_workbook* workbook, const QString& path)
{
    const ReverseTable& reverse = content.reverse;
    setUpPrinting(sheet, 1);
    worksheet_set_column(sheet, 0, 1, 16, nullptr);
    const QString title =
        QStringLiteral("%1, шаг %2 л")
            .arg(kReverseTitle, QString::fromStdString(formatFixed(
                                    reverse.volumeStep, 16, stepDecimals(reverse.volumeStep), content.separator)));
    if (auto e = failed(path, worksheet_write_string(sheet, 0, 0, title.toUtf8().constData(), nullptr)); !e)
        return e;
    worksheet_write_string(sheet, 1, 0, "Объём, л", header);
    worksheet_write_string(sheet, 1, 1, "Уровень, мм", header);
    lxw_format* volume = workbook_add_format(workbook);
    format_set_num_format(volume, numberFormat(stepDecimals(reverse.volumeStep)).constData());
    lxw_format* level = workbook_add_format(workbook);
    format_set_num_format(level, "0.0");
    lxw_row_t row = 2;
    for (const ReverseRow& r : reverse.rows) {
        if (auto e = failed(path, worksheet_write_number(sheet, row, 0, r.volume, volume)); !e)
            return e;
        if (auto e = failed(path, worksheet_write_number(sheet, row, 1, r.level, level)); !e)
            return e;
        ++row;
    }
    return {};
}

ExportResult writeCurveSheet(lxw_workbook* workbook, lxw_worksheet* sheet, const TableContent& content,
                             lxw_format* header, lxw_format* volume, const QString& path,
                             const std::atomic<bool>* cancel)
{
    worksheet_set_paper(sheet, kPaperA4);
    worksheet_set_landscape(sheet);
    worksheet_fit_to_pages(sheet, 1, 0);
    worksheet_set_column(sheet, 0, 1, 14, nullptr);
    worksheet_write_string(sheet, 0, 0, "Уровень, мм", header);
    worksheet_write_string(sheet, 0, 1, "Объём, л", header);
    const int top = content.topLevel();
    lxw_row_t row = 1;
    // every 10 mm and the top draw the curve without a million points
    for (int level = 0;; level = std::min(level + 10, top)) {
        if (level % 10000 == 0 && cancelRequested(cancel))
            return ExportError{ExportFailure::Cancelled, path, {}};
        if (auto e = failed(path, worksheet_write_number(sheet, row, 0, level, nullptr)); !e)
            return e;
        if (auto e = failed(
                path, worksheet_write_number(sheet, row, 1, content.levelVolumes[static_cast<size_t>(level)], volume));
            !e)
            return e;
        ++row;
        if (level == top)
            break;
    }

    lxw_chart* chart = workbook_add_chart(workbook, LXW_CHART_SCATTER_STRAIGHT);
    lxw_chart_series* series = chart_add_series(chart, nullptr, nullptr);
    const QByteArray sheetName = kCurveSheetName.toUtf8();
    chart_series_set_categories(series, sheetName.constData(), 1, 0, row - 1, 0);
    chart_series_set_values(series, sheetName.constData(), 1, 1, row - 1, 1);
    chart_title_set_name(chart, kCurveTitle.toUtf8().constData());
    chart_axis_set_name(chart->x_axis, "Уровень, мм");
    chart_axis_set_name(chart->y_axis, "Объём, л");
    chart_axis_set_min(chart->x_axis, 0);
    chart_axis_set_max(chart->x_axis, top);
    chart_legend_set_position(chart, LXW_CHART_LEGEND_NONE);
    lxw_chart_options placement{};
    placement.x_scale = 2.2;
    placement.y_scale = 2.2;
    return failed(path, worksheet_insert_chart_opt(sheet, 1, 3, chart, &placement));
}

// The correction grid's appendix: levels down, angles across.
ExportResult writeGridSheet(lxw_worksheet* sheet, const TableContent::GridAppendix& grid, lxw_format* header,
                            lxw_format* volume, const QString& path)
{
    setUpPrinting(sheet, 1);
    worksheet_set_column(sheet, 0, static_cast<lxw_col_t>(grid.angles.size()), 12, nullptr);
    if (auto e = failed(path, worksheet_write_string(sheet, 0, 0, grid.title.toUtf8().constData(), nullptr)); !e)
        return e;
    worksheet_write_string(sheet, 1, 0, "Уровень, мм", header);
    for (qsizetype c = 0; c < grid.angles.size(); ++c)
        worksheet_write_string(sheet, 1, static_cast<lxw_col_t>(c + 1), grid.angles[c].toUtf8().constData(), header);
    worksheet_freeze_panes(sheet, 2, 1);
    lxw_row_t row = 2;
    for (std::size_t i = 0; i < grid.levels.size(); ++i, ++row) {
        if (auto e = failed(path, worksheet_write_number(sheet, row, 0, grid.levels[i], nullptr)); !e)
            return e;
        for (std::size_t c = 0; c < grid.volumes[i].size(); ++c)
            if (auto e = failed(path, worksheet_write_number(sheet, row, static_cast<lxw_col_t>(c + 1),
                                                             grid.volumes[i][c], volume));
                !e)
                return e;
    }
    return {};
}

ExportResult buildWorkbook(lxw_workbook* workbook, const TableContent& content, const QString& path,
                           const Progress& progress, const std::atomic<bool>* cancel)
{
    // the title block has a sheet of its own, so that the table's sheet keeps only its column header in view
    lxw_worksheet* front = workbook_add_worksheet(workbook, kTitleSheetName.toUtf8().constData());
    lxw_worksheet* table = workbook_add_worksheet(workbook, kTableSheetName.toUtf8().constData());
    lxw_worksheet* curve = workbook_add_worksheet(workbook, kCurveSheetName.toUtf8().constData());
    lxw_worksheet* reverse = workbook_add_worksheet(workbook, kReverseSheetName.toUtf8().constData());
    if (!front || !table || !curve || !reverse)
        return writeError(path, QStringLiteral("не удаётся добавить лист"));
    worksheet_activate(table); // the workbook opens on the table

    lxw_format* title = workbook_add_format(workbook);
    format_set_bold(title);
    format_set_font_size(title, 13);
    lxw_format* header = workbook_add_format(workbook);
    format_set_bold(header);
    format_set_align(header, LXW_ALIGN_CENTER);
    format_set_bottom(header, LXW_BORDER_THIN);
    format_set_bg_color(header, 0xE8E8E8);
    lxw_format* level = workbook_add_format(workbook);
    format_set_bold(level);
    format_set_num_format(level, "0");
    format_set_align(level, LXW_ALIGN_CENTER);
    format_set_bg_color(level, 0xF4F4F4);
    lxw_format* volume = workbook_add_format(workbook);
    format_set_num_format(volume, numberFormat(content.decimalPlaces).constData());
    lxw_format* uncertainty = workbook_add_format(workbook);
    format_set_num_format(uncertainty, "0.000");
    // a row over the limit is marked as the grid marks it, its U still a number
    lxw_format* overLimit = workbook_add_format(workbook);
    format_set_num_format(overLimit, "0.000\" *\"");

    worksheet_set_paper(front, kPaperA4);
    worksheet_set_portrait(front);
    worksheet_set_column(front, 0, 0, 100, nullptr);
    lxw_row_t row = 0;
    for (const QString& line : tableTitleLines(content)) {
        if (auto e = failed(
                path, worksheet_write_string(front, row, 0, line.toUtf8().constData(), row == 0 ? title : nullptr));
            !e)
            return e;
        ++row;
    }
    ++row;
    for (const QString& line : signatureLines(content.passport)) {
        if (auto e = failed(path, worksheet_write_string(front, row, 0, line.toUtf8().constData(), nullptr)); !e)
            return e;
        row += 2; // room to sign
    }

    const lxw_row_t headerRow = 0;
    worksheet_set_column(table, 0, 0, 13, nullptr);
    worksheet_set_column(table, 1, content.hasUncertainty() ? 11 : 10, 12, nullptr);
    worksheet_freeze_panes(table, headerRow + 1, 1);
    setUpPrinting(table, headerRow);
    // every printed page names the tank, as the PDF's running head does; "&" starts a code in a page header
    if (const QString number = QString::fromStdString(content.passport.tankNumber).trimmed(); !number.isEmpty()) {
        const QString head =
            QStringLiteral("&L%1&Rёмкость № %2")
                .arg(kDocumentTitle, QString(number).replace(QLatin1Char('&'), QStringLiteral("&&")).left(200));
        worksheet_set_header(table, head.toUtf8().constData());
    }
    worksheet_write_string(table, headerRow, 0, kTableLevelHeader.toUtf8().constData(), header);
    for (int mm = 0; mm < 10; ++mm)
        worksheet_write_string(table, headerRow, static_cast<lxw_col_t>(mm + 1),
                               millimetreHeader(mm).toUtf8().constData(), header);
    if (content.hasUncertainty())
        worksheet_write_string(table, headerRow, 11, kTableUncertaintyHeader.toUtf8().constData(), header);

    const int rows = content.tableRows();
    const int top = content.topLevel();
    if (progress)
        progress(rows, 0);
    for (int r = 0; r < rows; ++r) {
        if (cancelRequested(cancel))
            return ExportError{ExportFailure::Cancelled, path, {}};
        const lxw_row_t at = headerRow + 1 + static_cast<lxw_row_t>(r);
        if (auto e = failed(path, worksheet_write_number(table, at, 0, r, level)); !e)
            return e;
        for (int mm = 0; mm < 10 && 10 * r + mm <= top; ++mm) {
            const double v = content.levelVolumes[10 * static_cast<size_t>(r) + static_cast<size_t>(mm)];
            if (auto e = failed(path, worksheet_write_number(table, at, static_cast<lxw_col_t>(mm + 1), v, volume)); !e)
                return e;
        }
        if (content.hasUncertainty()) { // U at the row's level
            const auto rowLevel = 10 * static_cast<size_t>(r);
            const double u = content.expandedUncertainty[rowLevel];
            if (auto e = failed(path, worksheet_write_number(table, at, 11, u,
                                                             content.overLimit(rowLevel) ? overLimit : uncertainty));
                !e)
                return e;
        }
        if (progress)
            progress(rows, r + 1);
    }
    if (auto e = writeCurveSheet(workbook, curve, content, header, volume, path, cancel); !e)
        return e;
    if (cancelRequested(cancel))
        return ExportError{ExportFailure::Cancelled, path, {}};
    if (auto e = writeReverseSheet(reverse, content, header, workbook, path); !e)
        return e;
    if (const auto& grid = content.gridAppendix) {
        lxw_worksheet* sheet = workbook_add_worksheet(workbook, kGridSheetName.toUtf8().constData());
        if (!sheet)
            return writeError(path, QStringLiteral("не удаётся добавить лист"));
        if (auto e = writeGridSheet(sheet, *grid, header, volume, path); !e)
            return e;
    }
    return {};
}

} // namespace

ExportResult writeTableXlsx(const QString& path, const TableContent& content, const Progress& progress,
                            const std::atomic<bool>* cancel)
{
    // the rows are nine tenths of one progress; packing the workbook, which tells nothing of its own, the last tenth
    Progress rowsPart;
    if (progress)
        rowsPart = [&progress](int maximum, int position) { progress(maximum, position - position / 10); };
    ExportResult saved = saveXlsx(
        path, true, [&](lxw_workbook* workbook) { return buildWorkbook(workbook, content, path, rowsPart, cancel); },
        cancel);
    if (saved.ok() && progress) {
        progress(content.tableRows(), content.tableRows());
        progress(content.tableRows(), 0);
    }
    return saved;
}

} // namespace tarvol
