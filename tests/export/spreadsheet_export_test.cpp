#include <gtest/gtest.h>

#include "export/spreadsheetexport.h"
#include "export/workbookcomponent.h"
#include "support.h"

namespace tarvol::test {
namespace {

// Every call the export makes, as "object kind member(args)", the object named by the member that gave it.
struct Log {
    QStringList calls;
    QStringList releases;
    QString failMember; // empty: nothing fails
    int failOccurrence = 1;
    int seen = 0;

    bool shouldFail(const QString& member) { return member == failMember && ++seen == failOccurrence; }
};

QString describe(const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
        return QStringLiteral("int %1").arg(v.toInt());
    case QMetaType::QString:
        return QStringLiteral("str \"%1\"").arg(v.toString());
    default:
        return QStringLiteral("%1 %2").arg(QString::fromLatin1(v.typeName()), v.toString());
    }
}

QString describe(const QVariantList& args)
{
    QStringList parts;
    for (const QVariant& v : args)
        parts << describe(v);
    return parts.join(QStringLiteral(", "));
}

const QStringList kObjectMembers{QStringLiteral("Workbooks"), QStringLiteral("item"), QStringLiteral("WorkSheets"),
                                 QStringLiteral("Range"), QStringLiteral("ActiveWorkbook")};

class RecordingObject final : public AutomationObject {
public:
    RecordingObject(QString label, std::shared_ptr<Log> log) : m_label(std::move(label)), m_log(std::move(log)) {}
    ~RecordingObject() override { m_log->releases << m_label; }

    AutomationReply get(const QString& member, const QVariantList& args) override
    {
        m_log->calls << QStringLiteral("%1 get %2(%3)").arg(m_label, member, describe(args));
        if (m_log->shouldFail(member))
            return AutomationReply::fail(QStringLiteral("сбой: ") + member);
        if (kObjectMembers.contains(member))
            return AutomationReply::of(std::make_shared<RecordingObject>(member, m_log));
        return {};
    }

    AutomationReply put(const QString& member, const QVariant& value) override
    {
        m_log->calls << QStringLiteral("%1 put %2(%3)").arg(m_label, member, describe(value));
        if (m_log->shouldFail(member))
            return AutomationReply::fail(QStringLiteral("сбой: ") + member);
        return {};
    }

    AutomationReply call(const QString& member, const QVariantList& args) override
    {
        m_log->calls << QStringLiteral("%1 call %2(%3)").arg(m_label, member, describe(args));
        if (m_log->shouldFail(member))
            return AutomationReply::fail(QStringLiteral("сбой: ") + member);
        return {};
    }

private:
    QString m_label;
    std::shared_ptr<Log> m_log;
};

class RecordingAutomation final : public AutomationFactory {
public:
    std::shared_ptr<Log> log = std::make_shared<Log>();

    AutomationReply create(const QString& programId) override
    {
        log->calls << QStringLiteral("create %1").arg(programId);
        if (log->shouldFail(programId))
            return AutomationReply::fail(QStringLiteral("сбой: ") + programId);
        return AutomationReply::of(std::make_shared<RecordingObject>(programId, log));
    }
};

std::vector<std::string> toStd(const QStringList& list)
{
    std::vector<std::string> out;
    for (const QString& s : list)
        out.push_back(s.toStdString());
    return out;
}

// One cell as the export must write it: a read of Range, then a write of Value.
void cell(QStringList& calls, const QString& address, const QString& text)
{
    calls << QStringLiteral("WorkSheets get Range(str \"%1\")").arg(address)
          << QStringLiteral("Range put Value(str \"%1\")").arg(text);
}

const QStringList kStart{
    QStringLiteral("create Excel.Application"),   QStringLiteral("Excel.Application get Workbooks()"),
    QStringLiteral("Workbooks call Add()"),       QStringLiteral("Workbooks get item(int 1)"),
    QStringLiteral("item get WorkSheets(int 1)"), QStringLiteral("Excel.Application put Visible(int 0)"),
};

QStringList finish(const QString& path)
{
    return {QStringLiteral("Excel.Application get ActiveWorkbook()"),
            QStringLiteral("ActiveWorkbook call SaveAs(str \"%1\")").arg(path),
            QStringLiteral("Excel.Application put Visible(int 1)")};
}

TEST(SpreadsheetExport, SphereMakesExactlyTheCallsOfTheSequence)
{
    const QString path = QStringLiteral("/tmp/мои файлы/emkost.xls");
    QStringList expected = kStart;
    cell(expected, QStringLiteral("A1"), QStringLiteral("Сферическая ёмкость"));
    cell(expected, QStringLiteral("A3"), QStringLiteral("Внутренний диаметр ёмкости (D)  1000"));
    cell(expected, QStringLiteral("A12"), QStringLiteral("УРОВЕНЬ"));
    cell(expected, QStringLiteral("B12"), QStringLiteral("ОБЪЁМ"));
    for (int r = 1; r <= 10; ++r) {
        cell(expected, QStringLiteral("A%1").arg(r + 12), QString::number(100 * r));
        cell(expected, QStringLiteral("B%1").arg(r + 12),
             QString::fromLatin1(tarvol::published::sphereVolume(100 * r)));
    }
    expected << finish(path);

    RecordingAutomation automation;
    std::vector<int> positions;
    const ExportResult result = exportSpreadsheet(sphereContent(), path, automation, [&](int maximum, int position) {
        EXPECT_EQ(maximum, 11);
        positions.push_back(position);
    });
    ASSERT_TRUE(result.ok()) << result.error().message().toStdString();
    EXPECT_EQ(toStd(automation.log->calls), toStd(expected));
    EXPECT_EQ(positions, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0}));

    // the collection goes when the active workbook replaces it; then sheet, book, active workbook, application
    QStringList released = automation.log->releases;
    released.removeAll(QStringLiteral("Range"));
    EXPECT_EQ(toStd(released), toStd({QStringLiteral("Workbooks"), QStringLiteral("WorkSheets"), QStringLiteral("item"),
                                      QStringLiteral("ActiveWorkbook"), QStringLiteral("Excel.Application")}));
    EXPECT_EQ(automation.log->releases.last(), QStringLiteral("Range"));
}

TEST(SpreadsheetExport, HiddenRowLeavesItsCellAndHeadingOnlyGridWritesNoRows)
{
    ExportContent content;
    content.shapeName = QStringLiteral("Форма");
    content.dimensions[0] = {QStringLiteral("Первый"), QStringLiteral("1"), true};
    content.dimensions[1] = {QStringLiteral("Второй"), QStringLiteral("2"), false};
    content.dimensions[2] = {QStringLiteral("Третий"), QStringLiteral("3"), true};
    QStringList expected = kStart;
    cell(expected, QStringLiteral("A1"), QStringLiteral("Форма"));
    cell(expected, QStringLiteral("A3"), QStringLiteral("Первый  1"));
    cell(expected, QStringLiteral("A5"), QStringLiteral("Третий  3"));
    cell(expected, QStringLiteral("A12"), QStringLiteral("УРОВЕНЬ"));
    cell(expected, QStringLiteral("B12"), QStringLiteral("ОБЪЁМ"));
    expected << finish(QStringLiteral("results"));

    RecordingAutomation automation;
    std::vector<int> positions;
    ASSERT_TRUE(exportSpreadsheet(content, QStringLiteral("results"), automation, [&](int maximum, int position) {
                    EXPECT_EQ(maximum, 1);
                    positions.push_back(position);
                }).ok());
    EXPECT_EQ(toStd(automation.log->calls), toStd(expected));
    EXPECT_EQ(positions, (std::vector<int>{0, 0}));
}

struct FailingCall {
    const char* name;
    const char* member;
    int occurrence;
    int callsMade; // calls up to and including the failing one
};

class SpreadsheetFailingCall : public ::testing::TestWithParam<FailingCall> {};

TEST_P(SpreadsheetFailingCall, StopsAtTheFailingStepWithItsMessage)
{
    const FailingCall& c = GetParam();
    RecordingAutomation automation;
    automation.log->failMember = QString::fromLatin1(c.member);
    automation.log->failOccurrence = c.occurrence;
    int lastPosition = -1;
    const ExportResult result = exportSpreadsheet(sphereContent(), QStringLiteral("/tmp/e.xls"), automation,
                                                  [&](int, int position) { lastPosition = position; });
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().kind, ExportFailure::Automation);
    EXPECT_EQ(result.error().message(), QStringLiteral("сбой: ") + QString::fromLatin1(c.member));
    EXPECT_EQ(automation.log->calls.size(), c.callsMade);
    EXPECT_TRUE(automation.log->calls.last().contains(QString::fromLatin1(c.member)));
    EXPECT_LE(lastPosition, 0) << "the bar must not stay half-way";
}

// 6 calls start the application, 4 write A1 and A3, 4 the headings, 4 each grid row, 3 save and show.
INSTANTIATE_TEST_SUITE_P(Cases, SpreadsheetFailingCall,
                         ::testing::Values(FailingCall{"ApplicationCannotStart", "Excel.Application", 1, 1},
                                           FailingCall{"AddRefused", "Add", 1, 3},
                                           FailingCall{"FirstVisibleRefused", "Visible", 1, 6},
                                           FailingCall{"ThirdRangeRefused", "Range", 3, 11},
                                           FailingCall{"ValueOfFifthRowRefused", "Value", 4 + 2 * 5, 6 + 8 + 2 * 5 * 2},
                                           FailingCall{"SaveAsRefused", "SaveAs", 1, 6 + 8 + 40 + 2},
                                           FailingCall{"FinalVisibleRefused", "Visible", 2, 6 + 8 + 40 + 3}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(SpreadsheetExport, UnregisteredApplicationFailsTheSameEveryTime)
{
    AutomationRegistry empty;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const ExportResult result = exportSpreadsheet(sphereContent(), QStringLiteral("/tmp/e.xls"), empty);
        ASSERT_FALSE(result.ok());
        EXPECT_TRUE(result.error().message().contains(QStringLiteral("Excel.Application")));
    }
}

// Our own component behind "Excel.Application", read back from the file it saves. Like the spreadsheet program,
// it reads a text that is a plain number as that number, shown as the text showed it.

TEST(WorkbookComponent, SphereWorkbookHoldsTextsAndNumbersInTheirCells)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("мой отчёт.xls"));
    WatchingOpener opener;
    const ExportResult result = exportSpreadsheet(sphereContent(), path, automationRegistry());
    ASSERT_TRUE(result.ok()) << result.error().message().toStdString();

    const XlsxFile book(path);
    ASSERT_TRUE(book.isZip());
    // each cell as a spreadsheet shows it: a text, or a number through its format
    std::map<QString, QString> shown;
    int numbers = 0;
    for (const auto& [address, c] : book.cells(1)) {
        numbers += c.isText ? 0 : 1;
        const qsizetype point = c.numberFormat.indexOf(u'.');
        const int decimals = point < 0 ? 0 : static_cast<int>(c.numberFormat.size() - point - 1);
        shown[address] = c.isText ? c.text : QString::number(c.number, 'f', decimals).replace(u'.', u',');
    }
    std::map<QString, QString> expected{
        {QStringLiteral("A1"), QStringLiteral("Сферическая ёмкость")},
        {QStringLiteral("A3"), QStringLiteral("Внутренний диаметр ёмкости (D)  1000")},
        {QStringLiteral("A12"), QStringLiteral("УРОВЕНЬ")},
        {QStringLiteral("B12"), QStringLiteral("ОБЪЁМ")},
    };
    for (int r = 1; r <= 10; ++r) {
        expected[cellName(r + 12, 1)] = QString::number(100 * r);
        expected[cellName(r + 12, 2)] = QString::fromLatin1(tarvol::published::sphereVolume(100 * r));
    }
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(numbers, 20) << "the grid's levels and volumes are numbers a spreadsheet can sum";

    ASSERT_EQ(opener.paths, QStringList{path});
    EXPECT_EQ(opener.contents.front(), readAll(path)) << "opened before the workbook was complete";
}

TEST(WorkbookComponent, NameWithoutExtensionIsSavedAsTyped)
{
    QTemporaryDir dir;
    WatchingOpener opener;
    const QString path = dir.filePath(QStringLiteral("results"));
    ASSERT_TRUE(exportSpreadsheet(sphereContent(), path, automationRegistry()).ok());
    EXPECT_EQ(entries(dir.path()), QStringList{QStringLiteral("results")});
    EXPECT_TRUE(XlsxFile(path).isZip());
}

struct FailingSave {
    const char* name;
    bool oldFile;
    long fileSizeLimit;
};

class WorkbookFailingSave : public ::testing::TestWithParam<FailingSave> {};

TEST_P(WorkbookFailingSave, ReportsThePathAndLeavesNoFileAndTheOldOneIntact)
{
    const FailingSave& c = GetParam();
    QTemporaryDir dir;
    QString path;
    if (c.oldFile) {
        path = dir.filePath(QStringLiteral("emkost.xls"));
        writeBytes(path, "old workbook");
    } else {
        writeBytes(dir.filePath(QStringLiteral("plain")), "not a folder");
        path = dir.filePath(QStringLiteral("plain/emkost.xls"));
    }
    const QStringList before = entries(dir.path());
    WatchingOpener opener;
    std::optional<ExportResult> result;
    {
        std::optional<FileSizeLimit> limit;
        if (c.fileSizeLimit > 0)
            limit.emplace(c.fileSizeLimit);
        result = exportSpreadsheet(sphereContent(), path, automationRegistry());
    }
    ASSERT_FALSE(result->ok());
    EXPECT_EQ(result->error().kind, ExportFailure::Automation);
    EXPECT_TRUE(result->error().message().contains(path)) << result->error().message().toStdString();
    EXPECT_EQ(entries(dir.path()), before);
    if (c.oldFile) {
        EXPECT_EQ(readAll(path), QByteArray("old workbook"));
    }
    EXPECT_TRUE(opener.paths.isEmpty()) << "a workbook that was not saved must not be shown";
}

INSTANTIATE_TEST_SUITE_P(Cases, WorkbookFailingSave,
                         ::testing::Values(FailingSave{"ParentIsARegularFile", false, 0},
                                           FailingSave{"DiskFullOverAnOldWorkbook", true, 2000}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct ComponentCall {
    const char* name;
    const char* member;
    QVariantList args;
    bool succeeds;
};

class WorkbookSheetCall : public ::testing::TestWithParam<ComponentCall> {};

// Calls on worksheet 1 of a fresh workbook.
TEST_P(WorkbookSheetCall, AnswersLikeTheSpreadsheet)
{
    const ComponentCall& c = GetParam();
    AutomationRef app = makeWorkbookApplication();
    AutomationRef books = app->get(QStringLiteral("WORKBOOKS")).object();
    ASSERT_TRUE(books);
    ASSERT_TRUE(books->call(QStringLiteral("add")).ok());
    AutomationRef book = books->get(QStringLiteral("Item"), {1}).object();
    ASSERT_TRUE(book);
    AutomationRef sheet = book->get(QStringLiteral("worksheets"), {1}).object();
    ASSERT_TRUE(sheet);
    const AutomationReply reply = QByteArray(c.member) == "WorkSheets"
                                      ? book->get(QString::fromLatin1(c.member), c.args)
                                      : sheet->get(QString::fromLatin1(c.member), c.args);
    EXPECT_EQ(reply.ok(), c.succeeds);
    if (!c.succeeds) {
        EXPECT_FALSE(reply.error().message.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WorkbookSheetCall,
                         ::testing::Values(ComponentCall{"PlainAddress", "Range", {QStringLiteral("B22")}, true},
                                           ComponentCall{
                                               "LowerCaseMemberAndAddress", "range", {QStringLiteral("a13")}, true},
                                           ComponentCall{"RowZero", "Range", {QStringLiteral("A0")}, false},
                                           ComponentCall{"DigitsFirst", "Range", {QStringLiteral("1A")}, false},
                                           ComponentCall{"AddressAsNumber", "Range", {1}, false},
                                           ComponentCall{"SecondSheetMissing", "WorkSheets", {2}, false},
                                           ComponentCall{"UnknownMember", "Cells", {1}, false}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

} // namespace
} // namespace tarvol::test
