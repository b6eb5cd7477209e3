#include "export/xlsxfile.h"

#include <QFile>
#include <QTemporaryDir>

#include "export/atomicfile.h"

namespace tarvol {

QString xlsxErrorText(lxw_error error) { return QString::fromUtf8(lxw_strerror(error)); }

ExportResult saveXlsx(const QString& path, bool constantMemory, const XlsxBuilder& build)
{
    if (path.isEmpty())
        return writeError(path, QStringLiteral("не задано имя файла"));
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return writeError(path, scratch.errorString());
    const QByteArray scratchDir = QFile::encodeName(scratch.path());
    const QString built = scratch.filePath(QStringLiteral("book.xlsx"));

    lxw_workbook_options options{};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    options.tmpdir = const_cast<char*>(scratchDir.constData());
    lxw_workbook* workbook = workbook_new_opt(QFile::encodeName(built).constData(), &options);
    if (!workbook)
        return writeError(path, QStringLiteral("не удаётся начать книгу"));

    std::optional<ExportError> refused = build(workbook);
    const lxw_error closed = workbook_close(workbook); // frees the workbook in every case
    if (refused)
        return *refused;
    if (closed != LXW_NO_ERROR)
        return writeError(path, xlsxErrorText(closed));
    return replaceFileWith(path, built);
}

} // namespace tarvol
