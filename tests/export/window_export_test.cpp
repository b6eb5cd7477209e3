// The save commands driven from the window: dialog, overwrite question, files and error boxes.

#include <gtest/gtest.h>

#include <QProgressBar>

#include "export/savedialog.h"
#include "export/workbookcomponent.h"
#include "support.h"
#include "tests/app/form_fixture.h"

namespace tarvol::test {
namespace {

// Answers every save dialog with the scripted path and filter, or cancels when there is none.
class ScriptedDialog final : public SaveDialogService {
public:
    ScriptedDialog() : m_previous(setSaveDialogService(this)) {}
    ~ScriptedDialog() override { setSaveDialogService(m_previous); }

    std::optional<SaveChoice> choose(const SaveRequest& request) override
    {
        requests.push_back(request);
        return answer;
    }

    std::optional<SaveChoice> answer;
    std::vector<SaveRequest> requests;

private:
    SaveDialogService* m_previous;
};

class SaveCommand : public FormTest {
public:
    void SetUp() override
    {
        FormTest::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        enter(1, QStringLiteral("1000"));
        control<QComboBox>("ComboBox2")->setCurrentIndex(3);
        trigger("N2");
        ASSERT_EQ(grid()->rowCount(), 11);
    }

    QString file(const QString& name) const { return m_dir.filePath(name); }
    void choose(const QString& path, int filter = 0) { dialog.answer = SaveChoice{path, filter}; }
    int barPosition() const { return control<QProgressBar>("ProgressBar1")->value(); }

    // What the window shows, which no save command may change.
    QStringList windowState() const
    {
        QStringList state{pg(), field(1)->text(), field(9)->text(), QString::number(grid()->rowCount()), cell(10, 1)};
        for (const char* item : {"N1", "N2", "N6"})
            state << QString::number(offered(QString::fromLatin1(item)));
        state << QString::number(field(1)->isReadOnly());
        return state;
    }

    ScriptedDialog dialog;
    WatchingOpener opener;

private:
    QTemporaryDir m_dir;
};

struct DialogCase {
    const char* name;
    const char* command;
    QString fileName;
    QStringList filters;
    const char* chosen;
};

class SaveDialogOffer : public SaveCommand, public ::testing::WithParamInterface<DialogCase> {};

TEST_P(SaveDialogOffer, OffersItsNameThenTheLastChoiceAndCancelTouchesNothing)
{
    const QString command = QString::fromLatin1(GetParam().command);
    const QStringList before = windowState();
    trigger(command);
    ASSERT_EQ(dialog.requests.size(), 1u);
    EXPECT_EQ(dialog.requests[0].fileName, GetParam().fileName);
    EXPECT_EQ(dialog.requests[0].filters, GetParam().filters);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(opener.paths.isEmpty());
    EXPECT_EQ(windowState(), before);

    const QString path = file(QString::fromLatin1(GetParam().chosen));
    choose(path);
    trigger(command);
    dialog.answer.reset();
    trigger(command);
    ASSERT_EQ(dialog.requests.size(), 3u);
    EXPECT_EQ(dialog.requests[2].fileName, path);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, SaveDialogOffer,
    ::testing::Values(
        DialogCase{
            "Text", "D1", QStringLiteral("emkost.txt"), {QStringLiteral("Текстовые документы (*.txt)")}, "a.txt"},
        DialogCase{"Spreadsheet", "N8", QStringLiteral("emkost.xls"), {QStringLiteral("Excel (*.xls)")}, "b.xls"},
        DialogCase{"Table",
                   "N9",
                   QStringLiteral("tablica.xlsx"),
                   {QStringLiteral("Книга Excel (*.xlsx)"), QStringLiteral("Документ PDF (*.pdf)")},
                   "c.xlsx"}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(SaveCommand, TextOfTheSphereIsWrittenAndOpened)
{
    const QString path = file(QStringLiteral("мой файл"));
    choose(path);
    const QStringList before = windowState();
    trigger("D1");
    EXPECT_EQ(readAll(path), kSphereFile);
    EXPECT_EQ(opener.paths, QStringList{path});
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(barPosition(), 0);
    EXPECT_EQ(windowState(), before);
}

struct OverwriteCase {
    const char* name;
    bool answer;
};

class TextOverwrite : public SaveCommand, public ::testing::WithParamInterface<OverwriteCase> {};

TEST_P(TextOverwrite, AsksAndKeepsOrReplacesTheFile)
{
    const QString path = file(QStringLiteral("emkost.txt"));
    writeBytes(path, "old file");
    choose(path);
    messages.answer = GetParam().answer;
    trigger("D1");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, RecordingMessages::Kind::Question);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Такой файл уже есть! Заменить новым?"));
    EXPECT_EQ(readAll(path), GetParam().answer ? kSphereFile : QByteArray("old file"));
    EXPECT_EQ(opener.paths.size(), GetParam().answer ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Answers, TextOverwrite,
                         ::testing::Values(OverwriteCase{"No", false}, OverwriteCase{"Yes", true}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

struct FailingCommand {
    const char* name;
    const char* command;
    int filter;
};

class SaveFailure : public SaveCommand, public ::testing::WithParamInterface<FailingCommand> {};

TEST_P(SaveFailure, ShowsTheErrorBoxWithThePathAndTheWindowStaysUsable)
{
    writeBytes(file(QStringLiteral("plain")), "not a folder");
    const QString path = file(QStringLiteral("plain/out.dat"));
    choose(path, GetParam().filter);
    const QStringList before = windowState();
    for (int attempt = 0; attempt < 2; ++attempt)
        trigger(QString::fromLatin1(GetParam().command));
    ASSERT_EQ(messages.shown.size(), 2u);
    for (const auto& shown : messages.shown) {
        EXPECT_EQ(shown.kind, RecordingMessages::Kind::Error);
        EXPECT_TRUE(shown.text.contains(path)) << shown.text.toStdString();
    }
    EXPECT_TRUE(opener.paths.isEmpty());
    EXPECT_EQ(barPosition(), 0);
    EXPECT_EQ(windowState(), before);
}

INSTANTIATE_TEST_SUITE_P(Commands, SaveFailure,
                         ::testing::Values(FailingCommand{"Text", "D1", 0}, FailingCommand{"Spreadsheet", "N8", 0},
                                           FailingCommand{"TableXlsx", "N9", 0}, FailingCommand{"TablePdf", "N9", 1}),
                         [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST_F(SaveCommand, SpreadsheetHoldsTheGridAsTexts)
{
    const QString path = file(QStringLiteral("emkost.xls"));
    choose(path);
    trigger("N8");
    ASSERT_TRUE(messages.shown.empty()) << messages.texts().join(u'\n').toStdString();
    const auto cells = XlsxFile(path).cells(1);
    ASSERT_TRUE(cells.count(QStringLiteral("B22")));
    EXPECT_EQ(cells.at(QStringLiteral("A1")).text, QStringLiteral("Сферическая ёмкость"));
    EXPECT_EQ(cells.at(QStringLiteral("B22")).text, QStringLiteral("523,599"));
    EXPECT_EQ(opener.paths, QStringList{path});
    EXPECT_EQ(barPosition(), 0);
}

TEST_F(SaveCommand, TableRecalculatesEveryLevelAndLeavesTheWindowAsItWas)
{
    const QStringList before = windowState();
    const QString xlsx = file(QStringLiteral("tablica"));
    choose(xlsx, 0);
    trigger("N9");
    const QString pdf = file(QStringLiteral("tablica.pdf"));
    choose(pdf, 1);
    trigger("N9");
    ASSERT_TRUE(messages.shown.empty()) << messages.texts().join(u'\n').toStdString();
    EXPECT_EQ(windowState(), before);

    // a name typed without extension gets the chosen format's
    const auto cells = XlsxFile(xlsx + QStringLiteral(".xlsx")).cells(1);
    int found = 0;
    for (const auto& [address, cell] : cells)
        if (!cell.isText && std::fabs(cell.number - 523.599) < 5e-4) // the full volume at 1000 mm
            ++found;
    EXPECT_EQ(found, 1);
    EXPECT_TRUE(readAll(pdf).startsWith("%PDF-"));
    EXPECT_TRUE(opener.paths.isEmpty()) << "the table is saved, not opened";
}

} // namespace
} // namespace tarvol::test
