#pragma once

#include <atomic>
#include <optional>
#include <utility>

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include "export/content.h"
#include "tank/atomicwrite.h"

namespace tarvol {

// The shared atomic writer (tank/atomicwrite.h) as a device Qt's writers can stream into: a short write of a full
// disk or a file size limit fails the save instead of committing a file cut short.
class SafeSaveFile final : public QIODevice {
public:
    explicit SafeSaveFile(QString path) : m_path(std::move(path)) {}

    bool openForWriting();
    // Puts the file in place if every byte was written; otherwise drops the temporary file.
    bool finish();
    // Drops what was written; the file stays as it was.
    void cancelWriting();
    // Why opening, writing or finishing failed, in Russian, from the failing call's own error code.
    QString failure() const;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 len) override;

private:
    void fail(int error);

    QString m_path;
    std::optional<AtomicFile> m_file;
    QString m_failure; // set by the first failing call
};

// The reason a system call gave, as a user reads it: no space, no permission, a missing folder, a read-only
// file or disk, or a plain text with the code for the rest.
QString systemReason(int error);

// Puts `bytes` at `path` in one step: an existing file stays byte for byte as it was unless the whole
// new content reached the disk, and a failure leaves no new file behind.
ExportResult writeFileAtomically(const QString& path, const QByteArray& bytes);

// The same for a finished file built elsewhere (libraries that insist on a file name of their own).
// Setting `cancel` stops the copy and leaves the existing file as it was.
ExportResult replaceFileWith(const QString& path, const QString& finishedFile,
                             const std::atomic<bool>* cancel = nullptr);

ExportError writeError(const QString& path, const QString& reason);

} // namespace tarvol
