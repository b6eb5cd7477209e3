#pragma once

#include <atomic>

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

    bool openForWriting();
    // Puts the file in place if every byte was written; otherwise drops the temporary file.
    bool finish();
    // Why opening, writing or finishing failed, in Russian, from the failing call's own error code.
    QString failure() const;

protected:
    qint64 writeData(const char* data, qint64 len) override;

private:
    QString m_failure;     // set by the first failing call
    bool m_failed = false; // a write failed: the file must not be put in place
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
