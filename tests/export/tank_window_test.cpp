// The tank as a document in the window: save, open, the same full table, the passport that stays with its tank,
// the question before unsaved changes go, and the document made without the window.

#include <gtest/gtest.h>

#include <deque>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QProcess>
#include <QSettings>
#include <QUrl>

#include "export/savedialog.h"
#include "support.h"
#include "tests/app/form_fixture.h"

namespace tarvol::test {
namespace {

bool samePassport(const TankPassport& a, const TankPassport& b)
{
    return a.tankNumber == b.tankNumber && a.owner == b.owner && a.author == b.author && a.date == b.date;
}

const TankPassport kPassport{"Бак D-17", "тягач А123ВС", "Иванов И. И.", "08.12.2026", {}};

class TankCommand : public FormTest {
public:
    void SetUp() override
    {
        FormTest::SetUp();
        ASSERT_TRUE(m_dir.isValid());
        QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tarvol"), QStringLiteral("tarvol"))
            .remove(QStringLiteral("tank"));
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        enter(1, QStringLiteral("1000"));
        control<QComboBox>("ComboBox2")->setCurrentIndex(3);
        trigger("N2");
        ASSERT_EQ(grid()->rowCount(), 11);
    }

    QString file(const QString& name) const { return m_dir.filePath(name); }
    QString file(const char* name) const { return file(QString::fromUtf8(name)); }
    void saveAs(const QString& path)
    {
        dialog.paths.push_back(path);
        ASSERT_TRUE(form->saveTankAs());
    }
    void table(const QString& path)
    {
        dialog.paths.push_back(path);
        trigger("N9");
    }

    ScriptedTank dialog;

private:
    QTemporaryDir m_dir;
};

// Save, clear, open: the same inputs, the same passport offered and the same full table, cell for cell; and the
// document made without the window from the file is that table too.
TEST_F(TankCommand, SavedAndOpenedTankGivesTheSameTable)
{
    dialog.passportAnswer = kPassport;
    table(file("before.xlsx"));
    saveAs(file("bak"));
    const QString tank = file("bak.tarvol");
    EXPECT_TRUE(form->windowTitle().startsWith(QStringLiteral("bak.tarvol")));
    EXPECT_FALSE(form->isWindowModified());

    trigger("N5");
    EXPECT_TRUE(field(1)->text().isEmpty());
    EXPECT_TRUE(form->tankPath().isEmpty());
    ASSERT_TRUE(form->openTank(tank));
    EXPECT_EQ(field(1)->text(), QStringLiteral("1000"));
    EXPECT_EQ(control<QComboBox>("ComboBox2")->currentIndex(), 3);
    EXPECT_EQ(grid()->rowCount(), 11) << "opening calculates";
    EXPECT_FALSE(form->isWindowModified());

    dialog.passportAnswer.reset();
    table(file("after.xlsx"));
    ASSERT_EQ(dialog.offers.size(), 2U);
    EXPECT_TRUE(samePassport(dialog.offers[1], kPassport));

    QProcess headless;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8"));
    headless.setProcessEnvironment(environment);
    headless.start(QStringLiteral(TARVOL_PATH),
                   {QStringLiteral("--tank"), tank, QStringLiteral("--save-document"), file("headless.xlsx")});
    ASSERT_TRUE(headless.waitForFinished(60000));
    EXPECT_EQ(headless.exitCode(), 0) << headless.readAllStandardError().toStdString();

    const XlsxFile before(file("before.xlsx"));
    ASSERT_TRUE(before.isZip());
    ASSERT_FALSE(before.cells(1).empty());
    for (const char* made : {"after.xlsx", "headless.xlsx"}) {
        const XlsxFile after(file(QString::fromLatin1(made)));
        ASSERT_TRUE(after.isZip()) << made;
        EXPECT_EQ(after.sheetNames(), before.sheetNames()) << made;
        for (int sheet = 1; sheet <= before.sheetNames().size(); ++sheet) {
            const auto a = before.cells(sheet), b = after.cells(sheet);
            ASSERT_EQ(a.size(), b.size()) << made << " sheet " << sheet;
            for (const auto& [address, cell] : a) {
                const XlsxCell& other = b.at(address);
                EXPECT_TRUE(cell.isText == other.isText && cell.text == other.text && cell.number == other.number)
                    << made << " " << address.toStdString() << ": " << cell.text.toStdString() << " / "
                    << other.text.toStdString();
            }
        }
    }
    EXPECT_EQ(TForm1::recentTanks(), QStringList{tank});
    EXPECT_TRUE(messages.shown.empty()) << messages.texts().join(u'\n').toStdString();

    // a recent file deleted meanwhile is said so once, and then no longer offered
    ASSERT_TRUE(QFile::remove(tank));
    EXPECT_FALSE(form->openTank(tank));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown.front().text.contains(QStringLiteral("bak.tarvol")))
        << messages.texts().join(u'\n').toStdString();
    EXPECT_TRUE(TForm1::recentTanks().isEmpty());
}

// A tank file dropped on the window opens once the drop is over; other files are not taken.
TEST_F(TankCommand, DroppedTankFileOpens)
{
    saveAs(file("bak.tarvol"));
    trigger("N5");
    for (const QString& name : {QStringLiteral("bak.txt"), QStringLiteral("bak.tarvol")}) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file(name))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &enter);
        EXPECT_EQ(enter.isAccepted(), name.endsWith(QStringLiteral(".tarvol"))) << name.toStdString();
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(form.get(), &drop);
        QApplication::processEvents();
    }
    EXPECT_EQ(form->tankPath(), file("bak.tarvol"));
    EXPECT_EQ(field(1)->text(), QStringLiteral("1000"));
}

struct NewTankCase {
    const char* name;
    void (*setUp)(FormTest&);
};

void PrintTo(const NewTankCase& c, std::ostream* out) { *out << c.name; }

class PassportOfANewTank : public TankCommand, public ::testing::WithParamInterface<NewTankCase> {};

// Another tank starts without the last one's number, owner and date; the engineer who signs stays.
TEST_P(PassportOfANewTank, KeepsOnlyTheAuthor)
{
    dialog.passportAnswer = kPassport;
    table(file("first.xlsx"));
    GetParam().setUp(*this);
    const TankPassport passport = form->currentTank().passport;
    EXPECT_TRUE(passport.tankNumber.empty());
    EXPECT_TRUE(passport.owner.empty());
    EXPECT_TRUE(passport.date.empty());
    EXPECT_EQ(passport.author, kPassport.author);
}

INSTANTIATE_TEST_SUITE_P(SetUps, PassportOfANewTank,
                         ::testing::Values(NewTankCase{"Clearing", [](FormTest& f) { f.trigger("N5"); }},
                                           NewTankCase{"AnotherShape", [](FormTest& f) { f.chooseItem(2); }},
                                           NewTankCase{"AnotherOrientation",
                                                       [](FormTest& f) { f.chooseOrientation(1); }}),
                         [](const auto& row) { return std::string(row.param.name); });

struct UnsavedCase {
    const char* name;
    void (*act)(TankCommand&, const QString& other);
    UnsavedAnswer answer;
    const char* inFile; // the dimension the file holds afterwards
    bool windowGoesOn;  // the window still shows the changed tank
};

void PrintTo(const UnsavedCase& c, std::ostream* out) { *out << c.name; }

class UnsavedChanges : public TankCommand, public ::testing::WithParamInterface<UnsavedCase> {};

TEST_P(UnsavedChanges, AreOfferedForSavingFirst)
{
    const UnsavedCase& c = GetParam();
    saveAs(file("bak.tarvol"));
    QFile other(file("other.tarvol"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write(R"({"format": "tarvol-tank", "version": 1, "shape": "sphere", "dimensions_mm": [500]})");
    other.close();
    trigger("N4");
    enter(1, QStringLiteral("1200"));
    EXPECT_TRUE(form->isWindowModified());
    messages.unsavedAnswer = c.answer;

    c.act(*this, file("other.tarvol"));

    ASSERT_EQ(messages.shown.size(), 1U) << messages.texts().join(u'\n').toStdString();
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("bak.tarvol")));
    const auto saved = readTankFile(QFile::encodeName(file("bak.tarvol")).toStdString());
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(saved->dimensions, std::vector<std::string>{c.inFile});
    EXPECT_EQ(field(1)->text() == QStringLiteral("1200") && form->isVisible(), c.windowGoesOn);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, UnsavedChanges,
    ::testing::Values(
        UnsavedCase{"CloseSave", [](TankCommand& window, const QString&) { window.form->close(); }, UnsavedAnswer::Save,
                    "1200", false},
        UnsavedCase{"CloseDiscard", [](TankCommand& window, const QString&) { window.form->close(); },
                    UnsavedAnswer::Discard, "1000", false},
        UnsavedCase{"CloseCancel", [](TankCommand& window, const QString&) { window.form->close(); },
                    UnsavedAnswer::Cancel, "1000", true},
        UnsavedCase{"ClearCancel", [](TankCommand& window, const QString&) { window.trigger("N5"); },
                    UnsavedAnswer::Cancel, "1000", true},
        UnsavedCase{"ClearSave", [](TankCommand& window, const QString&) { window.trigger("N5"); }, UnsavedAnswer::Save,
                    "1200", false},
        UnsavedCase{"OpenCancel",
                    [](TankCommand& window, const QString& other) { EXPECT_FALSE(window.form->openTank(other)); },
                    UnsavedAnswer::Cancel, "1000", true},
        UnsavedCase{"OpenDiscard",
                    [](TankCommand& window, const QString& other) { EXPECT_TRUE(window.form->openTank(other)); },
                    UnsavedAnswer::Discard, "1000", false}),
    [](const auto& row) { return std::string(row.param.name); });

// The passport form answered as it was offered, today's date included, is no change to the tank.
TEST_F(TankCommand, PassportAcceptedAsOfferedLeavesTheTankUnchanged)
{
    saveAs(file("bak"));
    ASSERT_FALSE(form->isWindowModified());
    table(file("tablica.csv"));
    ASSERT_EQ(dialog.offers.size(), 1U);
    EXPECT_FALSE(dialog.offers[0].date.empty());
    EXPECT_FALSE(form->isWindowModified());
}

struct HeadlessCase {
    const char* name;
    const char* content; // nullptr: no tank file
    int status;
};

void PrintTo(const HeadlessCase& c, std::ostream* out) { *out << c.name; }

class DocumentWithoutWindow : public ::testing::TestWithParam<HeadlessCase> {};

TEST_P(DocumentWithoutWindow, ExitsAsTheCommandLineDoes)
{
    const HeadlessCase& c = GetParam();
    QTemporaryDir dir;
    const QString tank = dir.filePath(QStringLiteral("t.tarvol")), pdf = dir.filePath(QStringLiteral("t.pdf"));
    if (c.content)
        writeBytes(tank, c.content);
    QProcess headless;
    headless.start(QStringLiteral(TARVOL_PATH),
                   {QStringLiteral("--tank"), tank, QStringLiteral("--save-document"), pdf});
    ASSERT_TRUE(headless.waitForFinished(60000));
    EXPECT_EQ(headless.exitCode(), c.status);
    EXPECT_EQ(QFileInfo::exists(pdf), c.status == 0);
    if (c.status == 65 || c.status == 66) {
        EXPECT_TRUE(QString::fromLocal8Bit(headless.readAllStandardError()).contains(tank));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, DocumentWithoutWindow,
    ::testing::Values(
        HeadlessCase{"Made", R"({"format": "tarvol-tank", "version": 1, "shape": "sphere", "dimensions_mm": [800]})",
                     0},
        HeadlessCase{"Missing", nullptr, 66}, HeadlessCase{"Broken", "{\"format\": ", 65},
        HeadlessCase{"Newer", R"({"format": "tarvol-tank", "version": 3})", 65},
        HeadlessCase{"Refused", R"({"format": "tarvol-tank", "version": 1, "shape": "sphere", "dimensions_mm": [5]})",
                     2}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace tarvol::test
