// The window as it opens, and the program folder it makes sure of.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScrollArea>

#include "form_fixture.h"

namespace {

TEST_F(FormTest, OpensWithEveryShapeOfferedAndNoOrientationChosen)
{
    // the catalogue's shapes, then the tank made from its measurements
    ASSERT_EQ(selector()->count(), tarvol::kShapeCount + 1);
    EXPECT_EQ(selector()->currentIndex(), 0);
    EXPECT_EQ(selector()->currentText(), QStringLiteral("Сферическая ёмкость"));
    EXPECT_EQ(selector()->itemText(25), QStringLiteral("Прямоугольная емкость с наклоном"));
    EXPECT_EQ(selector()->itemText(26), QStringLiteral("Вертикальный резервуар по измерениям"));
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(control<QRadioButton>(QStringLiteral("RG1Item%1").arg(i))->isChecked()) << i;
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FormTest, OpensInTheEnteringStateWithTheDesignTimeTexts)
{
    EXPECT_TRUE(offered("N2"));
    EXPECT_FALSE(offered("N1"));
    EXPECT_FALSE(offered("N6"));
    for (const char* always : {"N3", "N4", "N5", "N8", "N9", "D1"})
        EXPECT_TRUE(offered(always)) << always;
    EXPECT_FALSE(field(1)->isReadOnly());
    EXPECT_TRUE(field(9)->isReadOnly());

    ASSERT_EQ(grid()->rowCount(), 1);
    EXPECT_EQ(cell(0, 0), QStringLiteral("УРОВЕНЬ(мм)"));
    EXPECT_EQ(cell(0, 1), QStringLiteral("ОБЪЁМ (литров)"));
    EXPECT_EQ(grid()->columnWidth(0), 110);
    EXPECT_EQ(grid()->columnWidth(1), 140);

    // the full stop goes with the first run or reset
    EXPECT_EQ(pg(), QStringLiteral("Погрешность расчётов в %."));
    auto* decimals = control<QComboBox>("ComboBox2");
    EXPECT_EQ(decimals->currentIndex(), -1);
    EXPECT_EQ(decimals->placeholderText(), QStringLiteral("0"));
    EXPECT_EQ(decimals->count(), 4);
}

TEST_F(FormTest, OpensWithTheSphereRowAndThumbnail)
{
    EXPECT_EQ(visibleRows(), (std::vector<int>{1, 9}));
    EXPECT_EQ(caption(1)->text(), QStringLiteral("Внутренний диаметр ёмкости (D)"));
    EXPECT_EQ(control<QLabel>("L9")->text(), QStringLiteral("Шаг вывода результатов"));
    EXPECT_EQ(control<QLabel>("mm1")->text(), QStringLiteral("(мм)"));
    EXPECT_EQ(visibleThumbnails(), QStringList{"Image10"});
    EXPECT_EQ(control<QLabel>("Label0")->text(), QStringLiteral("ВНУТРЕННИЕ РАЗМЕРЫ ЕМКОСТИ"));
    EXPECT_EQ(control<QLabel>("Image10")->toolTip(), QStringLiteral("Нажмите для уееличения"));
}

TEST_F(FormTest, WindowHasItsCaptionAndFixedClientArea)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("  ПРОГРАММА  TARVOL."));
    // the layout keeps its size; on a screen smaller than it (this one is 800 x 600) it scrolls in the window
    EXPECT_EQ(form->findChild<QScrollArea*>()->widget()->size(), QSize(888, 626));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    auto* web = control<QLineEdit>("Edit10");
    EXPECT_TRUE(web->isReadOnly());
    EXPECT_EQ(web->text(), QStringLiteral("https://tarvol.example.org"));
    EXPECT_FALSE(control<QWidget>("Txt")->isVisible());
    EXPECT_FALSE(control<QWidget>("Txt")->isEnabled());
}

TEST_F(FormTest, ProgramFolderIsMadeUnderProgramFiles)
{
    EXPECT_TRUE(QDir(qEnvironmentVariable("ProgramFiles")).exists(QStringLiteral("Tarvol")));

    tarvol::TForm1 again; // the folder exists now: nothing to say
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(FormTest, ProgramFolderGoesWithTheUserDataWhenProgramFilesIsUnset)
{
    QTemporaryDir data;
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", data.path().toUtf8());
    qunsetenv("ProgramFiles");

    tarvol::TForm1 again;

    EXPECT_TRUE(QDir(data.path()).exists(QStringLiteral("Tarvol")));
    EXPECT_TRUE(messages.shown.empty());
    if (saved.isNull())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", saved);
}

TEST_F(FormTest, ProgramFolderThatCannotBeMadeIsReportedAndTheWindowStillWorks)
{
    QTemporaryDir base;
    QFile blocker(base.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    qputenv("ProgramFiles", blocker.fileName().toUtf8()); // a file cannot hold a folder

    tarvol::TForm1 again;

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, RecordingMessages::Kind::Error);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Не могу создать папку ProgramFiles\\Tarvol!"));
    EXPECT_EQ(again.findChild<QComboBox*>("ComboBox1")->count(), tarvol::kShapeCount + 1);
}

struct Homeless {
    const char* test;
    bool blocked; // a file stands where the folder would go
};
void PrintTo(const Homeless& row, std::ostream* out) { *out << row.test; }

class WithoutProgramFilesOrHome : public FormTest, public ::testing::WithParamInterface<Homeless> {};

// Qt takes the root for a missing home; the folder must not go there, and a failure names the folder tried.
TEST_P(WithoutProgramFilesOrHome, TheFolderGoesToTheTemporaryFolderAndAFailureNamesIt)
{
    QTemporaryDir temp;
    const QByteArray home = qgetenv("HOME"), data = qgetenv("XDG_DATA_HOME"), tmp = qgetenv("TMPDIR");
    qunsetenv("ProgramFiles");
    qunsetenv("HOME");
    qunsetenv("XDG_DATA_HOME");
    qputenv("TMPDIR", temp.path().toUtf8());
    const QString folder = QDir(temp.path()).filePath(QStringLiteral("Tarvol"));
    QFile blocker(folder);
    if (GetParam().blocked) {
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }

    const QString chosen = tarvol::TForm1::programFolder();
    {
        tarvol::TForm1 again;
    }

    qputenv("HOME", home);
    for (const auto& [name, value] : {std::pair{"XDG_DATA_HOME", data}, std::pair{"TMPDIR", tmp}})
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    EXPECT_EQ(chosen, folder);
    EXPECT_FALSE(QDir::root().exists(QStringLiteral(".local/share/Tarvol")));
    if (GetParam().blocked) {
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, QStringLiteral("Не могу создать папку %1!").arg(folder));
    } else {
        EXPECT_TRUE(QFileInfo(folder).isDir());
        EXPECT_TRUE(messages.shown.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WithoutProgramFilesOrHome,
                         ::testing::Values(Homeless{"Made", false}, Homeless{"Blocked", true}),
                         [](const auto& testInfo) { return std::string(testInfo.param.test); });

struct Screen {
    const char* test;
    QMargins frame;
    QRect available;
    QRect client;
};
void PrintTo(const Screen& row, std::ostream* out) { *out << row.test; }

class WindowPlacement : public ::testing::TestWithParam<Screen> {};

TEST_P(WindowPlacement, KeepsTheFrameInsideTheAvailableArea)
{
    const Screen& s = GetParam();
    const QRect client = tarvol::windowPlacement(QSize(888, 650), s.frame, s.available);
    EXPECT_EQ(client, s.client);
    EXPECT_TRUE(s.available.contains(client.marginsAdded(s.frame)));
}

INSTANTIATE_TEST_SUITE_P(
    Screens, WindowPlacement,
    ::testing::Values(Screen{"LargeScreenCentres", {1, 20, 1, 1}, {0, 0, 1280, 1024}, {196, 196, 888, 650}},
                      Screen{"SmallScreenTakesTheAvailableSize", {1, 20, 1, 1}, {0, 0, 800, 600}, {1, 20, 798, 579}},
                      Screen{"ScaledLaptopBelowAPanel", {2, 30, 2, 2}, {0, 30, 853, 503}, {2, 60, 849, 471}},
                      Screen{"NarrowButTall", {0, 0, 0, 0}, {100, 0, 700, 1200}, {100, 275, 700, 650}}),
    [](const auto& testInfo) { return std::string(testInfo.param.test); });

} // namespace
