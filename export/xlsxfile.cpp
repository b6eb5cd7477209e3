#include "export/xlsxfile.h"

#include <cerrno>

#include <QFile>
#include <QTemporaryDir>

#include "export/atomicfile.h"

namespace tarvol {

QString xlsxErrorText(lxw_error error, int systemError)
{
    switch (error) {
    case LXW_ERROR_MEMORY_MALLOC_FAILED:
        return QStringLiteral("не хватает памяти");
    case LXW_ERROR_CREATING_XLSX_FILE:
    case LXW_ERROR_CREATING_TMPFILE:
    case LXW_ERROR_READING_TMPFILE:
    case LXW_ERROR_ZIP_FILE_OPERATION:
    case LXW_ERROR_ZIP_FILE_ADD:
    case LXW_ERROR_ZIP_CLOSE:
        // the book is assembled in the temporary folder first
        return systemError != 0 ? QStringLiteral("во временной папке: %1").arg(systemReason(systemError))
                                : QStringLiteral("не удаётся собрать книгу во временной папке");
    case LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE:
        return QStringLiteral("таблица не помещается на лист книги");
    default:
        return QStringLiteral("ошибка построения книги с кодом %1").arg(static_cast<int>(error));
    }
}

ExportResult saveXlsx(const QString& path, bool constantMemory, const XlsxBuilder& build)
{
    if (path.isEmpty())
        return writeError(path, QStringLiteral("не задано имя файла"));
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return writeError(path, QStringLiteral("не удаётся создать временную папку"));
    const QByteArray scratchDir = QFile::encodeName(scratch.path());
    const QString built = scratch.filePath(QStringLiteral("book.xlsx"));

    lxw_workbook_options options{};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    options.tmpdir = const_cast<char*>(scratchDir.constData());
    lxw_workbook* workbook = workbook_new_opt(QFile::encodeName(built).constData(), &options);
    if (!workbook)
        return writeError(path, QStringLiteral("не удаётся начать книгу"));

    std::optional<ExportError> refused = build(workbook);
    errno = 0;
    const lxw_error closed = workbook_close(workbook); // frees the workbook in every case
    const int closeErrno = errno;
    if (refused)
        return *refused;
    if (closed != LXW_NO_ERROR)
        return writeError(path, xlsxErrorText(closed, closeErrno));
    return replaceFileWith(path, built);
}

} // namespace tarvol
