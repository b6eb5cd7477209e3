#include "support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QXmlStreamReader>
#include <unzip.h>

#include "calc/catalogue.h"

namespace tarvol::test {

TankTable everyLevel(const Tank& tank)
{
    TableRequest request;
    request.separator = ',';
    request.keepLevels = true;
    TableOutcome outcome = tableOf(tank, request);
    EXPECT_TRUE(outcome.ok());
    return outcome.ok() ? std::move(outcome.table()) : TankTable{};
}

ExportContent calculatedContent(int shapeIndex, const std::vector<std::string>& texts, int decimals, char separator)
{
    RunOptions options;
    options.decimalPlaces = decimals;
    options.separator = separator;
    const RunOutcome run = calculateFromTexts(shapeIndex, texts, options);
    ExportContent content;
    const ShapeInfo& info = shape(shapeIndex);
    content.shapeName = QString::fromUtf8(info.name.data(), static_cast<qsizetype>(info.name.size()));
    for (size_t k = 0; k < info.captions.size() && k < content.dimensions.size(); ++k)
        content.dimensions[k] = {
            QString::fromUtf8(info.captions[k].data(), static_cast<qsizetype>(info.captions[k].size())),
            QString::fromStdString(texts[k]), true};
    if (run.ok())
        for (const ResultRow& row : run.result().rows)
            content.rows.push_back({QString::fromStdString(row.level), QString::fromStdString(row.volume)});
    return content;
}

ExportContent sphereContent() { return calculatedContent(0, {"1000"}, 3, ','); }

QByteArray readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

FileSizeLimit::FileSizeLimit(long bytes)
{
    m_handler = std::signal(SIGXFSZ, SIG_IGN); // the write then fails with EFBIG instead of killing us
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    m_soft = static_cast<long>(old.rlim_cur);
    m_hard = static_cast<long>(old.rlim_max);
    rlimit small = old;
    small.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &small);
}

FileSizeLimit::~FileSizeLimit()
{
    rlimit old{static_cast<rlim_t>(m_soft), static_cast<rlim_t>(m_hard)};
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, m_handler);
}

bool runningAsRoot() { return geteuid() == 0; }

XlsxFile::XlsxFile(const QString& path)
{
    unzFile zip = unzOpen64(QFile::encodeName(path).constData());
    if (!zip)
        return;
    m_ok = true;
    for (int more = unzGoToFirstFile(zip); more == UNZ_OK; more = unzGoToNextFile(zip)) {
        char name[512];
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK
            || unzOpenCurrentFile(zip) != UNZ_OK) {
            m_ok = false;
            break;
        }
        QByteArray data;
        char buffer[65536];
        int got = 0;
        while ((got = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0)
            data.append(buffer, got);
        if (got < 0 || unzCloseCurrentFile(zip) != UNZ_OK)
            m_ok = false;
        m_parts.insert(QString::fromUtf8(name), data);
    }
    unzClose(zip);
}

std::optional<QByteArray> XlsxFile::part(const QString& name) const
{
    const auto found = m_parts.constFind(name);
    if (found == m_parts.constEnd())
        return std::nullopt;
    return *found;
}

QStringList XlsxFile::sheetNames() const
{
    QStringList names;
    QXmlStreamReader xml(part(QStringLiteral("xl/workbook.xml")).value_or(QByteArray()));
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"sheet")
            names << xml.attributes().value(QLatin1String("name")).toString();
    }
    return names;
}

namespace {

// Text of the current element's <t> descendants (rich-text runs come in several).
QString collectText(QXmlStreamReader& xml)
{
    QString text;
    const QString end = xml.name().toString();
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"t")
            text += xml.readElementText();
        else if (xml.isEndElement() && xml.name() == end)
            break;
    }
    return text;
}

QStringList sharedStrings(const XlsxFile& file)
{
    QStringList strings;
    QXmlStreamReader xml(file.part(QStringLiteral("xl/sharedStrings.xml")).value_or(QByteArray()));
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"si")
            strings << collectText(xml);
    }
    return strings;
}

// Each cell style's number format code, by the style's index (the cells' "s").
QStringList styleNumberFormats(const XlsxFile& file)
{
    QMap<int, QString> codes{{0, QStringLiteral("General")}, {1, QStringLiteral("0")}, {2, QStringLiteral("0.00")}};
    QStringList styles;
    bool inCellStyles = false;
    QXmlStreamReader xml(file.part(QStringLiteral("xl/styles.xml")).value_or(QByteArray()));
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"numFmt")
            codes[xml.attributes().value(QLatin1String("numFmtId")).toInt()] =
                xml.attributes().value(QLatin1String("formatCode")).toString();
        else if (xml.name() == u"cellXfs")
            inCellStyles = xml.isStartElement();
        else if (inCellStyles && xml.isStartElement() && xml.name() == u"xf")
            styles << codes.value(xml.attributes().value(QLatin1String("numFmtId")).toInt());
    }
    return styles;
}

} // namespace

std::map<QString, XlsxCell> XlsxFile::cells(int number) const
{
    std::map<QString, XlsxCell> out;
    const QStringList strings = sharedStrings(*this);
    const QStringList styles = styleNumberFormats(*this);
    QXmlStreamReader xml(part(QStringLiteral("xl/worksheets/sheet%1.xml").arg(number)).value_or(QByteArray()));
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != u"c")
            continue;
        const QString address = xml.attributes().value(QLatin1String("r")).toString();
        const QString type = xml.attributes().value(QLatin1String("t")).toString();
        const int style = xml.attributes().value(QLatin1String("s")).toInt();
        XlsxCell cell;
        cell.numberFormat = style < styles.size() ? styles[style] : QStringLiteral("General");
        QString value;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == u"v")
                value = xml.readElementText();
            else if (xml.isStartElement() && xml.name() == u"is")
                value = collectText(xml);
            else if (xml.isEndElement() && xml.name() == u"c")
                break;
        }
        if (type == u"s") {
            cell.isText = true;
            const int index = value.toInt();
            cell.text = index >= 0 && index < strings.size() ? strings[index] : QString();
        } else if (type == u"inlineStr" || type == u"str") {
            cell.isText = true;
            cell.text = value;
        } else {
            cell.number = value.toDouble();
        }
        out[address] = cell;
    }
    return out;
}

QString cellName(int row, int column)
{
    QString letters;
    for (int c = column; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    return letters + QString::number(row);
}

// The text of each page, when poppler's pdftotext is at hand.
std::optional<QStringList> pdfPages(const QString& path)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (tool.isEmpty())
        return std::nullopt;
    QProcess p;
    p.start(tool, {QStringLiteral("-layout"), path, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return std::nullopt;
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

} // namespace tarvol::test
