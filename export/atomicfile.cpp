#include "export/atomicfile.h"

#include <cerrno>
#include <cstring>

#include <QFile>
#include <QFileInfo>

namespace tarvol {

QString ExportError::message() const
{
    switch (kind) {
    case ExportFailure::Write:
        return QStringLiteral("Не удаётся записать файл \"%1\": %2").arg(path, reason);
    case ExportFailure::Encoding:
    case ExportFailure::BadTable:
        return QStringLiteral("Файл \"%1\" не записан: %2").arg(path, reason);
    case ExportFailure::Automation:
        return reason;
    case ExportFailure::Cancelled:
        return QStringLiteral("Запись файла \"%1\" прервана.").arg(path);
    }
    return reason;
}

ExportError writeError(const QString& path, const QString& reason)
{
    return ExportError{ExportFailure::Write, path, reason};
}

QString systemReason(int error)
{
    switch (error) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("на диске нет свободного места");
    case EFBIG:
        return QStringLiteral("файл превысил наибольший допустимый размер");
    case EACCES:
    case EPERM:
        return QStringLiteral("нет прав на запись");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("папка не существует");
    case EROFS:
        return QStringLiteral("диск или папка доступны только для чтения");
    case EISDIR:
        return QStringLiteral("под этим именем уже есть папка");
    case ENAMETOOLONG:
        return QStringLiteral("слишком длинное имя файла");
    case EIO:
        return QStringLiteral("ошибка ввода-вывода устройства");
    default:
        return QStringLiteral("системная ошибка с кодом %1").arg(error);
    }
}

namespace {

// What the last failing call left in errno, or a plain text when it left nothing.
QString lastReason(int error, const QString& fallback) { return error != 0 ? systemReason(error) : fallback; }

} // namespace

bool SafeSaveFile::openForWriting()
{
    if (fileName().isEmpty()) {
        m_failure = QStringLiteral("не задано имя файла");
        return false;
    }
    // QSaveFile checks these itself but answers in words of its own
    const QFileInfo target(fileName());
    const QFileInfo folder(target.absolutePath());
    if (!folder.exists() || !folder.isDir()) {
        m_failure = systemReason(ENOENT);
        return false;
    }
    if (target.isDir()) {
        m_failure = systemReason(EISDIR);
        return false;
    }
    if (target.exists() && !target.isWritable()) {
        m_failure = QStringLiteral("файл доступен только для чтения");
        return false;
    }
    errno = 0;
    if (open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return true;
    m_failure = lastReason(errno, QStringLiteral("не удаётся создать файл"));
    return false;
}

qint64 SafeSaveFile::writeData(const char* data, qint64 len)
{
    if (m_failed)
        return -1;
    errno = 0;
    const qint64 written = QSaveFile::writeData(data, len);
    if (written < len) {
        m_failed = true;
        m_failure = lastReason(errno, QStringLiteral("записана лишь часть данных"));
        return -1;
    }
    return written;
}

bool SafeSaveFile::finish()
{
    if (m_failed) {
        cancelWriting();
        commit(); // refused after the cancel; removes the temporary file
        return false;
    }
    errno = 0;
    if (commit())
        return true;
    if (m_failure.isEmpty())
        m_failure = lastReason(errno, QStringLiteral("не удаётся сохранить файл на место"));
    return false;
}

QString SafeSaveFile::failure() const
{
    return m_failure.isEmpty() ? QStringLiteral("не удаётся записать файл") : m_failure;
}

ExportResult writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    SafeSaveFile file(path);
    if (!file.openForWriting())
        return writeError(path, file.failure());
    file.write(bytes);
    if (!file.finish())
        return writeError(path, file.failure());
    return {};
}

ExportResult replaceFileWith(const QString& path, const QString& finishedFile, const std::atomic<bool>* cancel)
{
    QFile source(finishedFile);
    if (!source.open(QIODevice::ReadOnly))
        return writeError(path, source.errorString());
    SafeSaveFile file(path);
    if (!file.openForWriting())
        return writeError(path, file.failure());
    QByteArray chunk;
    while (!(chunk = source.read(1 << 20)).isEmpty()) {
        if (cancel && cancel->load(std::memory_order_relaxed)) {
            file.cancelWriting();
            file.finish();
            return ExportError{ExportFailure::Cancelled, path, {}};
        }
        if (file.write(chunk) != chunk.size())
            break;
    }
    if (source.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return writeError(path, source.errorString());
    }
    if (!file.finish())
        return writeError(path, file.failure());
    return {};
}

} // namespace tarvol
