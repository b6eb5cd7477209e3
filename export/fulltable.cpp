#include "export/fulltable.h"

#include <algorithm>

#include <QFileInfo>

#include "calc/catalogue.h"
#include "export/tablewriters.h"
#include "uncertainty/statement.h"

namespace tarvol {

namespace {

const QString kBlank = QStringLiteral("____________");
const QString kBasisInner = QStringLiteral("Рассчитана по номинальным внутренним размерам ёмкости");
const QString kBasisOuter = QStringLiteral("Рассчитана по наружным размерам и толщине стенки");
const QString kGauge = QStringLiteral("Уровень отсчитывается по уровнемеру на расстоянии %1 мм от нижнего края");

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

void addFilled(QStringList& lines, const QString& label, const QString& value)
{
    if (!value.trimmed().isEmpty())
        lines << label + value.trimmed();
}

} // namespace

QStringList tableTitleLines(const TableContent& content)
{
    QStringList lines{kDocumentTitle};
    const TablePassport& p = content.passport;
    addFilled(lines, QStringLiteral("Номер ёмкости: "), p.tankNumber);
    addFilled(lines, QStringLiteral("Владелец / место установки: "), p.owner);
    addFilled(lines, QStringLiteral("Составил: "), p.author);
    addFilled(lines, QStringLiteral("Дата: "), p.date);
    lines << content.shapeName;
    for (const auto& [caption, value] : content.dimensions)
        lines << dimensionLine(caption, value) + QStringLiteral(" мм");
    lines << content.basis;
    if (!content.fullVolumeLine.isEmpty())
        lines << content.fullVolumeLine;
    if (!content.errorLine.isEmpty())
        lines << content.errorLine;
    if (!content.shellLine.isEmpty())
        lines << content.shellLine;
    lines << content.uncertaintyLines;
    lines << QStringLiteral("Объём жидкости в литрах: строка — уровень в сантиметрах, столбец — миллиметры сверх него");
    return lines;
}

QStringList signatureLines(const TablePassport& passport)
{
    const QString author = passport.author.trimmed().isEmpty() ? kBlank : passport.author.trimmed();
    const QString date = passport.date.trimmed().isEmpty() ? kBlank : passport.date.trimmed();
    return {QStringLiteral("Составил: %1 / %2 /").arg(kBlank, author),
            QStringLiteral("Проверил: %1 / %1 /").arg(kBlank), QStringLiteral("Дата: %1").arg(date)};
}

TableContent fullTableDocument(TableRun run, TablePassport passport)
{
    const ShapeInfo& info = shape(run.shape);
    TableContent content;
    content.passport = std::move(passport);
    content.shapeName = fromUtf8(info.name);
    for (size_t k = 0; k < run.fieldTexts.size() && k < info.captions.size(); ++k)
        content.dimensions.emplace_back(fromUtf8(info.captions[k]), QString::fromStdString(run.fieldTexts[k]));
    content.basis << (info.outerDimensions ? kBasisOuter : kBasisInner);
    if (info.group == Group::Inclined && !content.dimensions.empty()) // the last field is the gauge's distance
        content.basis << kGauge.arg(content.dimensions.back().second);
    content.fullVolumeLine = fromUtf8(fullVolumeLine(run.result.accuracy, run.separator));
    content.decimalPlaces = run.decimalPlaces;
    content.errorLine = fromUtf8(run.result.errorLine);
    content.separator = run.separator;
    content.levelVolumes = std::move(run.result.levelVolumes);
    content.reverse = reverseTable(content.levelVolumes);
    content.shellLine = fromUtf8(shellLine({}, run.separator));
    return content;
}

std::span<const TableFormat> tableFormats()
{
    static const TableFormat kFormats[] = {
        {QStringLiteral("Книга Excel (*.xlsx)"), QStringLiteral("xlsx"), writeTableXlsx},
        {QStringLiteral("Документ PDF (*.pdf)"), QStringLiteral("pdf"), writeTablePdf},
        {QStringLiteral("Текст CSV (*.csv)"), QStringLiteral("csv"), writeTableCsv},
    };
    return kFormats;
}

QStringList tableFormatFilters()
{
    QStringList filters;
    for (const TableFormat& format : tableFormats())
        filters << format.filter;
    return filters;
}

const TableFormat* tableFormat(QStringView suffix)
{
    for (const TableFormat& format : tableFormats())
        if (suffix.compare(format.suffix, Qt::CaseInsensitive) == 0)
            return &format;
    return nullptr;
}

TableTarget tableTarget(const QString& chosen, int filter)
{
    if (const TableFormat* own = tableFormat(QFileInfo(chosen).suffix()))
        return {chosen, own};
    const std::span<const TableFormat> formats = tableFormats();
    const TableFormat& selected =
        formats[static_cast<size_t>(std::clamp<qsizetype>(filter, 0, std::ssize(formats) - 1))];
    // an unknown suffix such as "tablica.v2" is part of the name, so the format's suffix follows it
    return {chosen + QLatin1Char('.') + selected.suffix, &selected};
}

QString millimetreHeader(int mm) { return QStringLiteral("%1 мм").arg(mm); }

ExportResult exportFullTable(const QString& path, const TableFormat* format, const TableContent& content,
                             const Progress& progress, const std::atomic<bool>* cancel)
{
    if (content.levelVolumes.empty())
        return ExportError{ExportFailure::BadTable, path, QStringLiteral("таблица пуста: нет ни одного уровня")};
    if (content.tableRows() > kMaxTableRows)
        return ExportError{ExportFailure::BadTable, path,
                           QStringLiteral("таблица в %1 строк длиннее наибольшей в %2 строк")
                               .arg(content.tableRows())
                               .arg(kMaxTableRows)};
    if (!format)
        return ExportError{ExportFailure::BadTable, path, QStringLiteral("формат файла не выбран")};
    ExportResult result = format->write(path, content, progress, cancel);
    if (!result.ok() && progress)
        progress(content.tableRows(), 0);
    return result;
}

} // namespace tarvol
