#pragma once

#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include "export/content.h"

namespace tarvol {

// A QSaveFile that also catches the short writes of a full disk or a file size limit, which QSaveFile
// alone lets through to a successful commit with the file cut short.
class SafeSaveFile final : public QSaveFile {
public:
    using QSaveFile::QSaveFile;

    bool openForWriting() { return open(QIODevice::WriteOnly | QIODevice::Unbuffered); }
    // Puts the file in place if every byte was written; otherwise drops the temporary file.
    bool finish();
    // Why opening, writing or finishing failed.
    QString failure() const;

protected:
    qint64 writeData(const char* data, qint64 len) override;

private:
    QString m_shortWrite;
};

// Puts `bytes` at `path` in one step: an existing file stays byte for byte as it was unless the whole
// new content reached the disk, and a failure leaves no new file behind.
ExportResult writeFileAtomically(const QString& path, const QByteArray& bytes);

// The same for a finished file built elsewhere (libraries that insist on a file name of their own).
ExportResult replaceFileWith(const QString& path, const QString& finishedFile);

ExportError writeError(const QString& path, const QString& reason);

} // namespace tarvol
