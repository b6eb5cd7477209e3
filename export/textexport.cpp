#include "export/textexport.h"

#include <QStringEncoder>

#include "export/atomicfile.h"
#include "export/fileopener.h"

namespace tarvol {

QStringList textLines(const ExportContent& content, const Progress& progress)
{
    QStringList lines;
    lines << content.shapeName;
    for (const DimensionRow& row : content.dimensions)
        if (row.visible)
            lines << dimensionLine(row.caption, row.text);
    if (!content.fitLine.isEmpty())
        lines << content.fitLine;
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
