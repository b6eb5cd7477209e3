// The save commands driven from the window: dialog, overwrite question, files and error boxes.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>

#include "app/backgroundrun.h"
#include "app/textwindow.h"
#include "app/translations.h"

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
        DialogCase{"Spreadsheet", "N8", QStringLiteral("emkost.xlsx"), {QStringLiteral("Excel (*.xlsx)")}, "b.xlsx"},
        DialogCase{"Table",
                   "N9",
                   QStringLiteral("tablica.xlsx"),
                   {QStringLiteral("Книга Excel (*.xlsx)"), QStringLiteral("Документ PDF (*.pdf)"),
                    QStringLiteral("Текст CSV (*.csv)")},
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

// The file stays Windows-1251; the program shows it decoded, where a desktop editor reading UTF-8 garbles it.
TEST_F(SaveCommand, TextFileIsShownDecodedInAReadOnlyWindow)
{
    const TextWindowOpener textWindows(form.get());
    const QString path = file(QStringLiteral("emkost.txt"));
    choose(path);
    trigger("D1");
    EXPECT_EQ(readAll(path), kSphereFile);
    auto* window = form->findChild<QDialog*>(QStringLiteral("TextFileWindow"));
    ASSERT_NE(window, nullptr);
    const auto* view = window->findChild<QPlainTextEdit*>();
    EXPECT_TRUE(view->isReadOnly());
    QString expected = QStringLiteral("Сферическая ёмкость\nВнутренний диаметр ёмкости (D)  1000\n\n"
                                      "Уровень (мм)\tОбъём (л)\n");
    for (const auto& row : tarvol::published::kSphereRows)
        expected += QStringLiteral("%1\t%2\n").arg(row.level).arg(QString::fromLatin1(row.volume));
    EXPECT_EQ(view->toPlainText().toStdString(), expected.toStdString());
    EXPECT_TRUE(opener.paths.isEmpty()) << "the desktop's editor was started as well";
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(form->findChild<QDialog*>(QStringLiteral("TextFileWindow")), nullptr);
}

struct OverwriteCase {
    const char* name;
    const char* command;
    const char* file;
    bool answer;
    QByteArray (*written)(const QString& path); // what a replaced file starts with
    int opened;                                 // files handed to the opener after "Да"
};

class Overwrite : public SaveCommand, public ::testing::WithParamInterface<OverwriteCase> {};

TEST_P(Overwrite, AsksAndKeepsOrReplacesTheFile)
{
    const OverwriteCase& c = GetParam();
    const QString path = file(QString::fromLatin1(c.file));
    writeBytes(path, "old file");
    choose(path);
    messages.answer = c.answer;
    trigger(QString::fromLatin1(c.command));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, RecordingMessages::Kind::Question);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Такой файл уже есть! Заменить новым?"));
    const QByteArray now = readAll(path);
    if (c.answer)
        EXPECT_EQ(now.left(c.written(path).size()), c.written(path));
    else
        EXPECT_EQ(now, QByteArray("old file"));
    EXPECT_EQ(opener.paths.size(), c.answer ? c.opened : 0);
}

QByteArray sphereText(const QString&) { return kSphereFile; }
QByteArray zipStart(const QString&) { return QByteArray("PK"); }

INSTANTIATE_TEST_SUITE_P(Answers, Overwrite,
                         ::testing::Values(OverwriteCase{"TextNo", "D1", "emkost.txt", false, sphereText, 1},
                                           OverwriteCase{"TextYes", "D1", "emkost.txt", true, sphereText, 1},
                                           OverwriteCase{"TableNo", "N9", "tablica.xlsx", false, zipStart, 0},
                                           OverwriteCase{"TableYes", "N9", "tablica.xlsx", true, zipStart, 0}),
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

// A spreadsheet user sums and charts the columns: numbers, shown with the grid's decimals.
TEST_F(SaveCommand, SpreadsheetHoldsTheGridAsNumbers)
{
    const QString path = file(QStringLiteral("emkost.xls"));
    choose(path);
    trigger("N8");
    ASSERT_TRUE(messages.shown.empty()) << messages.texts().join(u'\n').toStdString();
    const auto cells = XlsxFile(path).cells(1);
    ASSERT_TRUE(cells.count(QStringLiteral("B22")));
    EXPECT_EQ(cells.at(QStringLiteral("A1")).text, QStringLiteral("Сферическая ёмкость"));
    const XlsxCell& level = cells.at(QStringLiteral("A22"));
    const XlsxCell& volume = cells.at(QStringLiteral("B22"));
    EXPECT_FALSE(level.isText || volume.isText);
    EXPECT_EQ(level.number, 1000);
    EXPECT_EQ(level.numberFormat, QStringLiteral("0"));
    EXPECT_EQ(QString::number(volume.number, 'f', 3).replace(u'.', u','),
              QString::fromLatin1(tarvol::published::sphereVolume(1000)));
    EXPECT_EQ(volume.numberFormat, QStringLiteral("0.000"));
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
    const auto cells = XlsxFile(xlsx + QStringLiteral(".xlsx")).cells(2);
    int found = 0;
    for (const auto& [address, cell] : cells)
        if (!cell.isText && std::fabs(cell.number - 523.599) < 5e-4) // the full volume at 1000 mm
            ++found;
    EXPECT_EQ(found, 1);
    EXPECT_TRUE(readAll(pdf).startsWith("%PDF-"));
    EXPECT_TRUE(opener.paths.isEmpty()) << "the table is saved, not opened";
}

// A tank taller than the table holds is refused before its every level is computed or a file is asked for.
TEST_F(SaveCommand, TooTallTableIsRefusedBeforeTheDialogInWholeMillimetres)
{
    trigger("N4");
    enter(1, QStringLiteral("99999999"));
    trigger("N2");
    const QStringList before = windowState();
    trigger("N9");
    EXPECT_TRUE(dialog.requests.empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, RecordingMessages::Kind::Error);
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("не более 9 999 999 мм.")))
        << messages.texts().join(u'\n').toStdString();
    EXPECT_FALSE(messages.shown[0].text.contains(QLatin1Char('e')));
    EXPECT_EQ(windowState(), before);
}

// A long PDF is cancelled from its progress dialog: no file, at once, the window as it was.
TEST_F(SaveCommand, CancelledTableLeavesNoFile)
{
    trigger("N4");
    enter(1, QStringLiteral("2000000"));
    trigger("N2");
    const QStringList before = windowState();
    const QString path = file(QStringLiteral("tablica.pdf"));
    choose(path, 1);
    QElapsedTimer sinceCancel;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* progress = form->findChild<QProgressDialog*>(QLatin1String(kProgressDialogName));
        if (sinceCancel.isValid() || !progress || !progress->isVisible()
            || progress->labelText() != QStringLiteral("Запись файла…"))
            return;
        sinceCancel.start();
        progress->findChild<QPushButton*>()->click();
    });
    watch.start();
    trigger("N9");
    watch.stop();
    ASSERT_TRUE(sinceCancel.isValid()) << "the save's progress dialog never appeared";
    EXPECT_LT(sinceCancel.elapsed(), 1000);
    EXPECT_TRUE(messages.shown.empty()) << messages.texts().join(u'\n').toStdString();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(windowState(), before);
}

struct BasisCase {
    const char* name;
    int shape;
    std::vector<const char*> fields;
    QStringList lines; // lines the title block must hold
};

class TableBasis : public SaveCommand, public ::testing::WithParamInterface<BasisCase> {};

TEST_P(TableBasis, TitleSaysWhatTheTableIsCalculatedFrom)
{
    const BasisCase& c = GetParam();
    chooseItem(c.shape);
    for (size_t k = 0; k < c.fields.size(); ++k)
        enter(static_cast<int>(k) + 1, QString::fromLatin1(c.fields[k]));
    trigger("N2");
    const QString path = file(QStringLiteral("basis.xlsx"));
    choose(path);
    trigger("N9");
    ASSERT_TRUE(messages.shown.empty()) << messages.texts().join(u'\n').toStdString();
    QStringList texts;
    for (const auto& [address, cell] : XlsxFile(path).cells(1))
        texts << cell.text;
    for (const QString& line : c.lines)
        EXPECT_TRUE(texts.contains(line)) << line.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, TableBasis,
    ::testing::Values(
        BasisCase{"InnerDimensions",
                  8,
                  {"2000", "1000"},
                  {QStringLiteral("Рассчитана по номинальным внутренним размерам ёмкости")}},
        BasisCase{"OuterDimensionsAndWall",
                  17,
                  {"2000", "800", "300", "1500", "2000", "60", "5"},
                  {QStringLiteral("Рассчитана по наружным размерам и толщине стенки")}},
        BasisCase{"InclinedNamesTheGauge",
                  18,
                  {"3000", "1000", "100", "500"},
                  {QStringLiteral("Рассчитана по номинальным внутренним размерам ёмкости"),
                   QStringLiteral("Уровень отсчитывается по уровнемеру на расстоянии 500 мм от нижнего края")}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

TEST(QtTranslations, QuestionButtonsReadInRussian)
{
    QTranslator* russian = installQtTranslations(QLocale(QLocale::Russian, QLocale::Russia));
    if (!russian)
        GTEST_SKIP() << "Qt's Russian translation is not installed";
    QMessageBox box(QMessageBox::Question, QStringLiteral("Информация"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No);
    const QString yes = box.button(QMessageBox::Yes)->text().remove(u'&');
    const QString no = box.button(QMessageBox::No)->text().remove(u'&');
    QCoreApplication::removeTranslator(russian);
    delete russian;
    EXPECT_EQ(yes, QStringLiteral("Да"));
    EXPECT_EQ(no, QStringLiteral("Нет"));
}

} // namespace
} // namespace tarvol::test
