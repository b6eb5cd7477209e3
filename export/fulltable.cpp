#include "export/fulltable.h"

#include <algorithm>

#include <QFileInfo>

#include "calc/catalogue.h"
#include "calc/format.h"
#include "export/tablewriters.h"
#include "tank/measured.h"
#include "uncertainty/statement.h"

namespace tarvol {

namespace {

const QString kBlank = QStringLiteral("____________");
const QString kBasisInner = QStringLiteral("Рассчитана по номинальным внутренним размерам ёмкости");
const QString kBasisOuter = QStringLiteral("Рассчитана по наружным размерам и толщине стенки");
const QString kGauge = QStringLiteral("Уровень отсчитывается по уровнемеру на расстоянии %1 мм от нижнего края");
const QString kBasisMeasured = QStringLiteral("Рассчитана по измерениям резервуара геометрическим методом");
const QString kBasisFitted = QStringLiteral("Рассчитана по размерам ёмкости, подобранным");
const QString kCalculated = QStringLiteral("Таблица рассчитана по размерам ёмкости, а не получена измерением");
const QString kFullVolume = QStringLiteral("Полный объём ёмкости: %1 л");
const QString kDeadVolume = QStringLiteral("Объём ниже нуля уровнемера (мёртвый): %1 л");
const QString kTopLevel = QStringLiteral("Наибольший уровень: %1 мм");

QString litres(double value, char separator) { return QString::fromStdString(formatFixed(value, 16, 3, separator)); }

QString fromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

void addFilled(QStringList& lines, const QString& label, const std::string& value)
{
    if (const QString text = fromUtf8(value).trimmed(); !text.isEmpty())
        lines << label + text;
}

// A dipstick is marked from the dead volume at level 0 to the full tank at the top, whatever the step.
ReverseTable markedFromEmptyToFull(ReverseTable table, const std::vector<double>& levelVolumes)
{
    if (levelVolumes.empty())
        return table;
    const double empty = levelVolumes.front();
    const double full = levelVolumes.back();
    if (table.rows.empty() || table.rows.front().volume > empty)
        table.rows.insert(table.rows.begin(), ReverseRow{empty, 0});
    if (table.rows.back().volume < full)
        table.rows.push_back(ReverseRow{full, static_cast<double>(levelVolumes.size() - 1)});
    return table;
}

} // namespace

QStringList tableTitleLines(const TableContent& content)
{
    QStringList lines{kDocumentTitle};
    const TankPassport& p = content.passport;
    addFilled(lines, QStringLiteral("Организация: "), p.organisation);
    addFilled(lines, QStringLiteral("Номер ёмкости: "), p.tankNumber);
    addFilled(lines, QStringLiteral("Владелец / место установки: "), p.owner);
    addFilled(lines, QStringLiteral("Составил: "), p.author);
    addFilled(lines, QStringLiteral("Дата: "), p.date);
    lines << content.shapeName;
    for (const auto& [caption, value] : content.dimensions)
        lines << dimensionLine(caption, value) + QStringLiteral(" мм");
    lines << content.basis;
    if (!content.levelVolumes.empty())
        lines << kTopLevel.arg(content.topLevel());
    if (content.deadVolume)
        lines << kDeadVolume.arg(litres(*content.deadVolume, content.separator));
    if (!content.fullVolumeLine.isEmpty())
        lines << content.fullVolumeLine;
    if (!content.errorLine.isEmpty())
        lines << content.errorLine;
    if (!content.shellLine.isEmpty())
        lines << content.shellLine;
    lines << content.deadwoodLines;
    lines << content.uncertaintyLines;
    lines << QStringLiteral("Объём жидкости в литрах: строка — уровень в сантиметрах, столбец — миллиметры сверх него");
    return lines;
}

QStringList signatureLines(const TankPassport& passport)
{
    const QString given = fromUtf8(passport.author).trimmed();
    const QString on = fromUtf8(passport.date).trimmed();
    const QString author = given.isEmpty() ? kBlank : given;
    const QString date = on.isEmpty() ? kBlank : on;
    return {QStringLiteral("Составил: %1 / %2 /").arg(kBlank, author),
            QStringLiteral("Проверил: %1 / %1 /").arg(kBlank),
            QStringLiteral("Утвердил: %1 / %1 /      М.П.").arg(kBlank), QStringLiteral("Дата: %1").arg(date)};
}

TableContent fullTableDocument(const TankTable& table, TankPassport passport)
{
    const ShapeInfo& info = shapeInfo(table.shape);
    const bool measured = isMeasuredShape(table.shape);
    const char sep = table.separator;
    TableContent content;
    content.passport = std::move(passport);
    content.shapeName = fromUtf8(info.name);
    for (size_t k = 0; k < table.dimensions.size() && k < info.captions.size(); ++k)
        content.dimensions.emplace_back(fromUtf8(info.captions[k]), fromUtf8(formatGeneral(table.dimensions[k], sep)));
    // the dimensions of a fitted tank come from a fill, not from the drawing's nominal values
    const bool fitted = !table.fitLine.empty();
    content.basis << (measured               ? kBasisMeasured
                      : fitted               ? kBasisFitted
                      : info.outerDimensions ? kBasisOuter
                                             : kBasisInner);
    for (const std::string& line : table.recordLines)
        content.basis << fromUtf8(line);
    if (fitted)
        content.basis << fromUtf8(table.fitLine);
    if (info.group == Group::Inclined && !content.dimensions.empty()) // the last field is the gauge's distance
        content.basis << kGauge.arg(content.dimensions.back().second);
    for (const std::string& line : table.orientationLines)
        content.basis << fromUtf8(line);
    if (!table.gaugeLine.empty())
        content.basis << fromUtf8(table.gaugeLine);
    if (!measured)
        content.basis << kCalculated;
    if (table.accuracy.known())
        content.fullVolumeLine = kFullVolume.arg(litres(table.accuracy.fullVolume, sep));
    if (info.group == Group::Inclined && !table.levelVolumes.empty())
        content.deadVolume = table.levelVolumes.front();
    content.decimalPlaces = table.decimals;
    content.errorLine = fromUtf8(table.errorLine);
    content.separator = sep;
    content.levelVolumes = table.levelVolumes;
    content.reverse = markedFromEmptyToFull(reverseOf(table), content.levelVolumes);
    content.shellLine = fromUtf8(table.shellLine);
    if (const auto& grid = table.tiltGrid) {
        TableContent::GridAppendix appendix;
        const std::vector<double>& angles = table.tiltGridByPitch ? grid->pitches : grid->rolls;
        const std::vector<double>& other = table.tiltGridByPitch ? grid->rolls : grid->pitches;
        const auto degrees = [sep](double a) { return fromUtf8(formatGeneral(a, sep)) + QStringLiteral("°"); };
        appendix.title =
            QStringLiteral("Приложение. Сетка наклонов: объём, л, по показанию уровнемера, мм, при %1 в столбцах")
                .arg(table.tiltGridByPitch ? QStringLiteral("тангаже") : QStringLiteral("крене"));
        if (!other.empty())
            appendix.title += (table.tiltGridByPitch ? QStringLiteral(" и крене ") : QStringLiteral(" и тангаже "))
                              + degrees(other.front());
        for (const double a : angles)
            appendix.angles << degrees(a);
        appendix.levels = grid->levels;
        appendix.volumes = grid->volumes;
        content.gridAppendix = std::move(appendix);
    }
    for (const std::string& line : table.deadwoodLines)
        content.deadwoodLines << fromUtf8(line);
    if (table.hasU && table.levelU.size() == table.levelVolumes.size()) {
        content.expandedUncertainty = table.levelU;
        content.limitPercent = table.inputs.limitPercent;
        if (table.fullU)
            content.uncertaintyLines << fromUtf8("U при полном объёме: " + expandedText(table.fullU->expanded, sep)
                                                 + " л (" + relativeText(table.fullU->relative, sep) + " %).");
        for (const std::string& line : table.uncertaintyLines)
            content.uncertaintyLines << fromUtf8(line);
        for (const auto& [from, to] : table.nonlinear)
            content.uncertaintyLines << fromUtf8(linearityNote(from, to, sep));
        content.uncertaintyLines << QStringLiteral("U, л — в последнем столбце, для уровня строки.");
    }
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
