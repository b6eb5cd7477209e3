#include "export/fileopener.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace tarvol {
namespace {

class DesktopFileOpener final : public FileOpener {
public:
    void open(const QString& path) override
    {
        // a file URL carries the whole path, spaces included, as one argument
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    }
};

DesktopFileOpener g_desktopOpener;
FileOpener* g_opener = &g_desktopOpener;

} // namespace

FileOpener& fileOpener() { return *g_opener; }

FileOpener* setFileOpener(FileOpener* opener)
{
    FileOpener* previous = g_opener;
    g_opener = opener ? opener : &g_desktopOpener;
    return previous;
}

} // namespace tarvol
