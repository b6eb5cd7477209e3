#include "export/fulltable.h"

#include <algorithm>

#include <xlsxwriter.h>

#include "export/atomicfile.h"
#include "export/tablepdf.h"
#include "export/xlsxfile.h"

namespace tarvol {

QStringList tableTitleLines(const TableContent& content)
{
    QStringList lines{content.shapeName};
    for (const auto& [caption, value] : content.dimensions)
        lines << dimensionLine(caption, value);
    lines << QStringLiteral("Знаков после запятой: %1").arg(content.decimalPlaces);
    if (!content.errorLine.isEmpty())
        lines << content.errorLine;
    lines << QStringLiteral("Объём жидкости в литрах: строка — уровень в сантиметрах, столбец — миллиметры сверх него");
    return lines;
}

QString millimetreHeader(int mm) { return QStringLiteral("%1 мм").arg(mm); }

namespace {

bool cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

QByteArray numberFormat(int decimals) { return decimals > 0 ? "0." + QByteArray(decimals, '0') : QByteArray("0"); }

std::optional<ExportError> failed(const QString& path, lxw_error e)
{
    if (e == LXW_NO_ERROR)
        return std::nullopt;
    return writeError(path, xlsxErrorText(e));
}

std::optional<ExportError> writeCurveSheet(lxw_workbook* workbook, lxw_worksheet* sheet, const TableContent& content,
                                           lxw_format* header, lxw_format* volume, const QString& path)
{
    worksheet_set_column(sheet, 0, 1, 14, nullptr);
    worksheet_write_string(sheet, 0, 0, "Уровень, мм", header);
    worksheet_write_string(sheet, 0, 1, "Объём, л", header);
    const int top = content.topLevel();
    lxw_row_t row = 1;
    // every 10 mm and the top draw the curve without a million points
    for (int level = 0;; level = std::min(level + 10, top)) {
        if (auto e = failed(path, worksheet_write_number(sheet, row, 0, level, nullptr)))
            return e;
        if (auto e = failed(
                path, worksheet_write_number(sheet, row, 1, content.levelVolumes[static_cast<size_t>(level)], volume)))
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

std::optional<ExportError> buildWorkbook(lxw_workbook* workbook, const TableContent& content, const QString& path,
                                         const Progress& progress, const std::atomic<bool>* cancel)
{
    lxw_worksheet* table = workbook_add_worksheet(workbook, kTableSheetName.toUtf8().constData());
    lxw_worksheet* curve = workbook_add_worksheet(workbook, kCurveSheetName.toUtf8().constData());
    if (!table || !curve)
        return writeError(path, QStringLiteral("не удаётся добавить лист"));

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

    const QStringList lines = tableTitleLines(content);
    lxw_row_t row = 0;
    for (const QString& line : lines) {
        if (auto e = failed(
                path, worksheet_write_string(table, row, 0, line.toUtf8().constData(), row == 0 ? title : nullptr)))
            return e;
        ++row;
    }
    const lxw_row_t headerRow = row + 1;
    worksheet_set_column(table, 0, 0, 13, nullptr);
    worksheet_set_column(table, 1, 10, 12, nullptr);
    worksheet_freeze_panes(table, headerRow + 1, 1);
    worksheet_write_string(table, headerRow, 0, kTableLevelHeader.toUtf8().constData(), header);
    for (int mm = 0; mm < 10; ++mm)
        worksheet_write_string(table, headerRow, static_cast<lxw_col_t>(mm + 1),
                               millimetreHeader(mm).toUtf8().constData(), header);

    const int rows = content.tableRows();
    const int top = content.topLevel();
    if (progress)
        progress(rows, 0);
    for (int r = 0; r < rows; ++r) {
        if (cancelled(cancel))
            return ExportError{ExportFailure::Cancelled, path, {}};
        const lxw_row_t at = headerRow + 1 + static_cast<lxw_row_t>(r);
        if (auto e = failed(path, worksheet_write_number(table, at, 0, r, level)))
            return e;
        for (int mm = 0; mm < 10 && 10 * r + mm <= top; ++mm) {
            const double v = content.levelVolumes[static_cast<size_t>(10 * r + mm)];
            if (auto e = failed(path, worksheet_write_number(table, at, static_cast<lxw_col_t>(mm + 1), v, volume)))
                return e;
        }
        if (progress)
            progress(rows, r + 1);
    }
    if (auto e = writeCurveSheet(workbook, curve, content, header, volume, path))
        return e;
    if (progress)
        progress(rows, 0);
    return std::nullopt;
}

} // namespace

ExportResult exportFullTable(const QString& path, TableFormat format, const TableContent& content,
                             const Progress& progress, const std::atomic<bool>* cancel)
{
    if (content.levelVolumes.empty())
        return ExportError{ExportFailure::BadTable, path, QStringLiteral("таблица пуста: нет ни одного уровня")};
    if (content.tableRows() > kMaxTableRows)
        return ExportError{ExportFailure::BadTable, path,
                           QStringLiteral("таблица в %1 строк длиннее наибольшей в %2 строк")
                               .arg(content.tableRows())
                               .arg(kMaxTableRows)};
    ExportResult result;
    if (format == TableFormat::Pdf) {
        result = writeTablePdf(path, content, progress, cancel);
    } else {
        result = saveXlsx(path, true, [&](lxw_workbook* workbook) {
            return buildWorkbook(workbook, content, path, progress, cancel);
        });
    }
    if (!result.ok() && progress)
        progress(content.tableRows(), 0);
    return result;
}

} // namespace tarvol
