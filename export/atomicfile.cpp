#include "export/atomicfile.h"

#include <cerrno>
#include <cstring>

#include <QFile>

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

qint64 SafeSaveFile::writeData(const char* data, qint64 len)
{
    if (!m_shortWrite.isEmpty())
        return -1;
    errno = 0;
    const qint64 written = QSaveFile::writeData(data, len);
    if (written >= 0 && written < len) {
        const int cause = errno;
        m_shortWrite =
            cause != 0 ? QString::fromLocal8Bit(std::strerror(cause)) : QStringLiteral("записана лишь часть данных");
        return -1;
    }
    return written;
}

bool SafeSaveFile::finish()
{
    if (!m_shortWrite.isEmpty()) {
        cancelWriting();
        commit(); // refused after the cancel; removes the temporary file
        return false;
    }
    return commit();
}

QString SafeSaveFile::failure() const { return m_shortWrite.isEmpty() ? errorString() : m_shortWrite; }

ExportResult writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty())
        return writeError(path, QStringLiteral("не задано имя файла"));
    SafeSaveFile file(path);
    if (!file.openForWriting())
        return writeError(path, file.failure());
    file.write(bytes);
    if (!file.finish())
        return writeError(path, file.failure());
    return {};
}

ExportResult replaceFileWith(const QString& path, const QString& finishedFile)
{
    if (path.isEmpty())
        return writeError(path, QStringLiteral("не задано имя файла"));
    QFile source(finishedFile);
    if (!source.open(QIODevice::ReadOnly))
        return writeError(path, source.errorString());
    SafeSaveFile file(path);
    if (!file.openForWriting())
        return writeError(path, file.failure());
    QByteArray chunk;
    while (!(chunk = source.read(1 << 20)).isEmpty())
        if (file.write(chunk) != chunk.size())
            break;
    if (source.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return writeError(path, source.errorString());
    }
    if (!file.finish())
        return writeError(path, file.failure());
    return {};
}

} // namespace tarvol
