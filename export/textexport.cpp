#include "export/textexport.h"

#include <QStringEncoder>

#include "export/atomicfile.h"
#include "export/fileopener.h"

namespace tarvol {

namespace {

// A note in letters code page 1251 has: the expansion coefficient's Greek letter and exponent spelled out.
QString inCodePage1251(QString note)
{
    static const QString kSuperscripts = QStringLiteral("⁰¹²³⁴⁵⁶⁷⁸⁹⁻");
    static const QString kPlain = QStringLiteral("0123456789-");
    note.replace(QStringLiteral("α"), QStringLiteral("альфа"));
    QString out;
    bool raised = false;
    for (const QChar c : note) {
        const qsizetype at = kSuperscripts.indexOf(c);
        if (at >= 0 && !raised)
            out += QLatin1Char('^');
        out += at >= 0 ? kPlain[at] : c;
        raised = at >= 0;
    }
    return out;
}

} // namespace

QStringList textLines(const ExportContent& content, const Progress& progress)
{
    QStringList lines;
    lines << content.shapeName;
    for (const DimensionRow& row : content.dimensions)
        if (row.visible)
            lines << dimensionLine(row.caption, row.text);
    for (const QString& note : content.notes)
        lines << inCodePage1251(note);
    lines << QString() << kTextHeader;

    const int maximum = content.gridRowCount();
    if (progress)
        progress(maximum, 0);
    int r = 0;
    for (const GridRow& row : content.rows) {
        lines << row.level + QLatin1Char('\t') + row.volume;
        if (progress)
            progress(maximum, ++r);
    }
    if (progress)
        progress(maximum, 0);
    return lines;
}

std::optional<QByteArray> encodeTextLines(const QStringList& lines)
{
    QStringEncoder encoder("windows-1251");
    if (!encoder.isValid())
        return std::nullopt;
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += encoder.encode(line);
        bytes += "\r\n";
    }
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

ExportResult exportText(const QString& path, const ExportContent& content, const Progress& progress)
{
    const std::optional<QByteArray> bytes = encodeTextLines(textLines(content, progress));
    if (!bytes)
        return ExportError{ExportFailure::Encoding, path,
                           QStringLiteral("в тексте есть знаки, которых нет в кодировке Windows-1251")};
    if (ExportResult written = writeFileAtomically(path, *bytes); !written.ok())
        return written;
    fileOpener().openText(path);
    return {};
}

} // namespace tarvol
