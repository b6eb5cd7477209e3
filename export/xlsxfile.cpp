#include "export/xlsxfile.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>

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
    case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED:
        // only a passport's free text can be that long
        return QStringLiteral("строка паспорта длиннее 32 767 знаков не помещается в ячейку книги: сократите её");
    default:
        return QStringLiteral("ошибка построения книги с кодом %1").arg(static_cast<int>(error));
    }
}

namespace {

// A workbook being packed on a thread of its own, with the folder its parts live in.
struct Packing {
    std::atomic<bool> finished{false};
    lxw_error result = LXW_NO_ERROR;
    int systemError = 0;
    std::unique_ptr<QTemporaryDir> scratch;
    QByteArray scratchDir;
};

bool cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

} // namespace

ExportResult saveXlsx(const QString& path, bool constantMemory, const XlsxBuilder& build,
                      const std::atomic<bool>* cancel)
{
    if (path.isEmpty())
        return writeError(path, QStringLiteral("не задано имя файла"));
    auto packing = std::make_shared<Packing>();
    packing->scratch = std::make_unique<QTemporaryDir>();
    if (!packing->scratch->isValid())
        return writeError(path, QStringLiteral("не удаётся создать временную папку"));
    packing->scratchDir = QFile::encodeName(packing->scratch->path());
    const QString built = packing->scratch->filePath(QStringLiteral("book.xlsx"));

    lxw_workbook_options options{};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    options.tmpdir = packing->scratchDir.data();
    lxw_workbook* workbook = workbook_new_opt(QFile::encodeName(built).constData(), &options);
    if (!workbook)
        return writeError(path, QStringLiteral("не удаётся начать книгу"));

    ExportResult filled = build(workbook);
    // packing a big book takes many seconds that libxlsxwriter cannot cut short: it runs on a thread of its own,
    // which a cancelled or refused save leaves behind to finish and remove its folder
    std::thread([packing, workbook] {
        errno = 0;
        packing->result = workbook_close(workbook); // frees the workbook in every case
        packing->systemError = errno;
        packing->finished.store(true);
    }).detach();
    if (!filled.ok())
        return filled;
    while (!packing->finished.load()) {
        if (cancelled(cancel))
            return ExportError{ExportFailure::Cancelled, path, {}};
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (packing->result != LXW_NO_ERROR)
        return writeError(path, xlsxErrorText(packing->result, packing->systemError));
    return replaceFileWith(path, built, cancel);
}

} // namespace tarvol
