#pragma once

#include <deque>

// Shared fixtures of the export tests: the window's example contents, files, a watching opener and
// a reader for the workbooks the exports write.

#include <map>
#include <optional>

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "export/content.h"
#include "export/fileopener.h"
#include "tests/published_figures.h"

#include "export/savedialog.h"
#include "tank/table.h"

namespace tarvol::test {

// The grid and fields after calculating catalogue shape `shape` from `texts` with the given decimals and
// separator, as the window shows them.
ExportContent calculatedContent(int shape, const std::vector<std::string>& texts, int decimals, char separator);

// The spherical tank, D 1000, three decimals, comma.
ExportContent sphereContent();

// Answers the save dialogs in turn and the passport form with `passportAnswer`, keeping what it was offered.
class ScriptedTank final : public SaveDialogService {
public:
    ScriptedTank() : m_previous(setSaveDialogService(this)) {}
    ~ScriptedTank() override { setSaveDialogService(m_previous); }

    std::optional<SaveChoice> choose(const SaveRequest&) override
    {
        if (paths.empty())
            return std::nullopt;
        const QString path = paths.front();
        paths.pop_front();
        return SaveChoice{path, 0};
    }
    std::optional<TankPassport> passport(const TankPassport& offered) override
    {
        offers.push_back(offered);
        return passportAnswer ? passportAnswer : offered;
    }

    std::deque<QString> paths;
    std::optional<TankPassport> passportAnswer;
    std::vector<TankPassport> offers;

private:
    SaveDialogService* m_previous;
};

// The tank's table with every level kept, decimal comma: what a full table is made from.
TankTable everyLevel(const Tank& tank);

// Its text file: code page 1251, CR LF, TAB, no byte-order mark.
inline const QByteArray kSphereFile = [] {
    QByteArray file("\xd1\xf4\xe5\xf0\xe8\xf7\xe5\xf1\xea\xe0\xff \xb8\xec\xea\xee\xf1\xf2\xfc\r\n"
                    "\xc2\xed\xf3\xf2\xf0\xe5\xed\xed\xe8\xe9 \xe4\xe8\xe0\xec\xe5\xf2\xf0 "
                    "\xb8\xec\xea\xee\xf1\xf2\xe8 (D)  1000\r\n"
                    "\r\n"
                    "\xd3\xf0\xee\xe2\xe5\xed\xfc (\xec\xec)\t\xce\xe1\xfa\xb8\xec (\xeb)\r\n");
    for (const auto& row : tarvol::published::kSphereRows)
        file += QByteArray::number(row.level) + '\t' + row.volume + "\r\n";
    return file;
}();

QByteArray readAll(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);
// Names in a folder, hidden ones included, so a stray temporary file shows up.
QStringList entries(const QString& folder);

// Records what it is asked to open and what the file held at that moment.
class WatchingOpener final : public FileOpener {
public:
    WatchingOpener() : m_previous(setFileOpener(this)) {}
    ~WatchingOpener() override { setFileOpener(m_previous); }
    void open(const QString& path) override
    {
        paths << path;
        contents << readAll(path);
    }

    QStringList paths;
    QList<QByteArray> contents;

private:
    FileOpener* m_previous;
};

// Makes writes past `bytes` fail for this process, as a full disk would, even for root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(long bytes);
    ~FileSizeLimit();

private:
    long m_soft = 0, m_hard = 0;
    void (*m_handler)(int) = nullptr;
};

bool runningAsRoot();

struct XlsxCell {
    bool isText = false;
    QString text;
    double number = 0;
    QString numberFormat; // the code a number is shown with, "General" when none was set
};

// One workbook read back from its zip parts.
class XlsxFile {
public:
    explicit XlsxFile(const QString& path);

    bool isZip() const { return m_ok; }
    std::optional<QByteArray> part(const QString& name) const;
    QStringList sheetNames() const;
    // Cells of worksheet `number` (1-based) by address, e.g. "B13".
    std::map<QString, XlsxCell> cells(int number) const;

private:
    bool m_ok = false;
    QMap<QString, QByteArray> m_parts;
};

// "B13" for row 13 and column 2 (1-based).
QString cellName(int row, int column);

// The text of each page, when poppler's pdftotext is at hand.
std::optional<QStringList> pdfPages(const QString& path);

} // namespace tarvol::test
