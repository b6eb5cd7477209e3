#pragma once

#include <QString>

namespace tarvol {

// Shows a written file in the desktop's application for its type (text editor, spreadsheet).
class FileOpener {
public:
    virtual ~FileOpener() = default;
    virtual void open(const QString& path) = 0;
    // A text file written in Windows-1251, which a desktop editor reading UTF-8 would garble.
    virtual void openText(const QString& path) { open(path); }
};

// The service in use: the desktop's unless replaced.
FileOpener& fileOpener();

// Replaces the service (tests watch it instead of starting an editor); nullptr brings back the desktop's.
// Returns the one it replaces.
FileOpener* setFileOpener(FileOpener* opener);

} // namespace tarvol
