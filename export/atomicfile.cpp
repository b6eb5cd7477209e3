#include "export/atomicfile.h"

#include <cerrno>
#include <string_view>
#include <utility>

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

bool SafeSaveFile::openForWriting()
{
    if (m_path.isEmpty()) {
        m_failure = QStringLiteral("не задано имя файла");
        return false;
    }
    auto file = AtomicFile::open(QFile::encodeName(m_path).toStdString());
    if (!file) {
        fail(file.error());
        return false;
    }
    m_file.emplace(std::move(*file));
    return open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 SafeSaveFile::readData(char* /*data*/, qint64 /*maxSize*/) { return -1; }

qint64 SafeSaveFile::writeData(const char* data, qint64 len)
{
    if (!m_file || !m_failure.isEmpty())
        return -1;
    if (!m_file->write(std::string_view(data, static_cast<std::size_t>(len)))) {
        fail(m_file->writeError()); // and the commit refuses
        return -1;
    }
    return len;
}

bool SafeSaveFile::finish()
{
    if (isOpen())
        close();
    if (!m_file)
        return false;
    auto committed = m_file->commit();
    m_file.reset();
    if (committed)
        return true;
    fail(committed.error());
    return false;
}

void SafeSaveFile::cancelWriting()
{
    if (isOpen())
        close();
    m_file.reset();
}

QString SafeSaveFile::failure() const
{
    return m_failure.isEmpty() ? QStringLiteral("не удаётся записать файл") : m_failure;
}

void SafeSaveFile::fail(int error)
{
    if (!m_failure.isEmpty())
        return;
    // a file its owner made read-only, told apart from a folder the user may not write in
    const QFileInfo target(m_path);
    if ((error == EACCES || error == EPERM) && target.exists() && !target.isWritable())
        m_failure = QStringLiteral("файл доступен только для чтения");
    else
        m_failure = systemReason(error);
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
