// Choosing a shape or an orientation: the rows, captions, thumbnail and title the window shows.

#include <QRegularExpression>
#include <QSignalSpy>
#include <QSvgWidget>

#include "calc/catalogue.h"
#include "form_fixture.h"
#include "viewer/presentation.h"
#include "viewer/tform2.h"

namespace {

QString name(int shape)
{
    const std::string_view text = tarvol::shape(shape).name;
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::vector<int> firstRows(int n)
{
    std::vector<int> rows;
    for (int k = 1; k <= n; ++k)
        rows.push_back(k);
    rows.push_back(9); // the step row never goes away
    return rows;
}

class EveryShape : public FormTest, public ::testing::WithParamInterface<int> {};

TEST_P(EveryShape, ShowsItsRowsCaptionsAndThumbnailAndNothingElse)
{
    const int k = GetParam();
    const tarvol::ShapeInfo& info = tarvol::shape(k);
    enter(1, "123");
    chooseItem(k);

    EXPECT_EQ(selector()->currentText(), name(k));
    const int n = static_cast<int>(info.captions.size());
    EXPECT_EQ(visibleRows(), firstRows(n));
    for (int row = 1; row <= n; ++row) {
        EXPECT_EQ(caption(row)->text().toStdString(), std::string(info.captions[static_cast<size_t>(row - 1)])) << row;
        EXPECT_TRUE(field(row)->text().isEmpty()) << row;
    }
    const tarvol::Presentation& shown = tarvol::presentation(k);
    const QString thumbnail = QString::fromLatin1(shown.thumbnail);
    ASSERT_EQ(visibleThumbnails(), QStringList{thumbnail});
    auto* image = control<QLabel>(thumbnail);
    EXPECT_EQ(image->geometry(), shown.thumbnailBounds);

    QTest::mouseClick(image, Qt::LeftButton);
    TForm2* viewer = form->pictureViewer();
    ASSERT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->windowTitle(), name(k));
    EXPECT_EQ(viewer->frameGeometry().size(), shown.viewerSize);
    EXPECT_TRUE(viewer->drawing(k)->isVisible());

    chooseItem(k == 0 ? 1 : 0); // every shape set-up closes the viewer
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_FALSE(viewer->drawing(k)->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryShape, ::testing::Range(0, tarvol::kShapeCount),
                         [](const auto& testInfo) { return "Shape" + std::to_string(testInfo.param); });

// A label no shape names would never show; two shapes naming one label would share a picture.
TEST_F(FormTest, EveryThumbnailLabelIsNamedByExactlyOneShape)
{
    QStringList named;
    for (int k = 0; k < tarvol::kShapeCount; ++k)
        named << QString::fromLatin1(tarvol::presentation(k).thumbnail);
    QStringList labels;
    for (const QLabel* label : form->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^Image\\d+$"))))
        labels << label->objectName();
    named.sort();
    labels.sort();
    EXPECT_EQ(named, labels);
}

struct Orientation {
    const char* test;
    int button;
    int first, last;
    const char* shownName;
    QStringList captions;
    const char* thumbnail;
};
void PrintTo(const Orientation& row, std::ostream* out) { *out << row.test; }

class OrientationChoice : public FormTest, public ::testing::WithParamInterface<Orientation> {};

TEST_P(OrientationChoice, NarrowsTheSelectorToItsGroupAndSetsUpTheFirstShape)
{
    const Orientation& o = GetParam();
    chooseOrientation(o.button);

    // the vertical group ends with the tank made from its measurements, after the catalogue's shapes
    const int shapes = o.last - o.first + 1;
    const bool measured = o.button == 0;
    ASSERT_EQ(selector()->count(), shapes + (measured ? 1 : 0));
    for (int i = 0; i < shapes; ++i)
        EXPECT_EQ(selector()->itemText(i), name(o.first + i)) << i;
    if (measured) {
        EXPECT_EQ(selector()->itemText(shapes), QStringLiteral("Вертикальный резервуар по измерениям"));
    }
    EXPECT_EQ(selector()->currentIndex(), 0);
    EXPECT_EQ(selector()->currentText(), QString::fromUtf8(o.shownName));
    EXPECT_EQ(visibleRows(), firstRows(static_cast<int>(o.captions.size())));
    for (int row = 1; row <= o.captions.size(); ++row)
        EXPECT_EQ(caption(row)->text(), o.captions[row - 1]) << row;
    EXPECT_EQ(visibleThumbnails(), QStringList{o.thumbnail});
}

INSTANTIATE_TEST_SUITE_P(
    Groups, OrientationChoice,
    ::testing::Values(
        Orientation{"Vertical", 0, 0, 7, "Сферическая ёмкость", {"Внутренний диаметр ёмкости (D)"}, "Image10"},
        Orientation{"Horizontal",
                    1,
                    8,
                    17,
                    "Горизонтальный цилиндр",
                    {"Длина ёмкости (L)", "Внутренний диаметр емкости (D)"},
                    "Image12"},
        Orientation{"Inclined",
                    2,
                    18,
                    25,
                    "Горизонтальный цилиндр с наклоном",
                    {"Длина ёмкости (L)", "Внутренний диаметр емкости (D)", "Разность высот краёв емкости (A)",
                     "От нижнего края до уровнемера (B)"},
                    "Image20"}),
    [](const auto& testInfo) { return std::string(testInfo.param.test); });

TEST_F(FormTest, ANarrowedListIsReadByNameNotByPosition)
{
    chooseOrientation(1);
    chooseItem(8); // the ninth entry of the horizontal group is shape 16, not entry 8 + 9 = 17

    EXPECT_EQ(selector()->currentText(), QStringLiteral("Прямоугольная емкость со скруглёнными краями"));
    EXPECT_EQ(visibleRows(), firstRows(4));
    EXPECT_EQ(caption(4)->text(), QStringLiteral("Радиус скругления углов (RS)"));
    EXPECT_EQ(visibleThumbnails(), QStringList{"Image3"});
}

TEST_F(FormTest, FourthInclinedEntryIsTheEllipticHeadsWithTilt)
{
    chooseOrientation(2);
    chooseItem(3);

    EXPECT_EQ(visibleRows(), firstRows(6));
    EXPECT_EQ(caption(5)->text(), QStringLiteral("Разность высот цилиндрической части (A)"));
    EXPECT_EQ(caption(6)->text(), QStringLiteral("От нижнего края до уровнемера (B)"));
    EXPECT_EQ(visibleThumbnails(), QStringList{"Image22"});
}

TEST_F(FormTest, OnlyTheDTankTurnsTheTitleToOuterDimensionsOnWhite)
{
    auto* title = control<QLabel>("Label0");
    const auto background = [title] { return title->grab().toImage().pixelColor(1, 1); };

    chooseItem(17);
    EXPECT_EQ(title->text(), QStringLiteral("ВНЕШНИЕ   РАЗМЕРЫ   ЕМКОСТИ"));
    EXPECT_EQ(background(), QColor(Qt::white));
    EXPECT_EQ(visibleRows(), firstRows(7));

    chooseItem(16);
    EXPECT_EQ(title->text(), QStringLiteral("ВНУТРЕННИЕ РАЗМЕРЫ ЕМКОСТИ"));
    EXPECT_EQ(background(), form->palette().color(QPalette::Button));
}

TEST_F(FormTest, ChoosingTheSameShapeAgainEmptiesTheFieldsAndResetsDecimals)
{
    chooseItem(1);
    enter(1, "1500");
    enter(2, "2000");
    control<QComboBox>("ComboBox2")->setCurrentIndex(2);

    chooseItem(1);

    EXPECT_TRUE(field(1)->text().isEmpty());
    EXPECT_TRUE(field(2)->text().isEmpty());
    EXPECT_EQ(control<QComboBox>("ComboBox2")->currentIndex(), 0);
    EXPECT_EQ(pg(), QStringLiteral("Погрешность расчётов в %"));
}

TEST_F(FormTest, OneTypedCharacterBringsBackTheFirstShapeOfTheList)
{
    chooseOrientation(2);
    chooseItem(3);
    enter(1, "77");
    selector()->lineEdit()->selectAll();

    QTest::keyClick(selector(), Qt::Key_X);

    EXPECT_EQ(selector()->currentIndex(), 0);
    EXPECT_EQ(selector()->currentText(), QStringLiteral("Горизонтальный цилиндр с наклоном"));
    EXPECT_EQ(visibleRows(), firstRows(4));
    EXPECT_TRUE(field(1)->text().isEmpty());
}

TEST_F(FormTest, SelectorTakesNoSecondTypedCharacter)
{
    selector()->lineEdit()->end(false);
    enter(1, "77");

    QTest::keyClicks(selector(), "ab");

    EXPECT_EQ(selector()->currentText(), QStringLiteral("Сферическая ёмкость"));
    EXPECT_EQ(field(1)->text(), QStringLiteral("77"));
}

TEST_F(FormTest, DeletingFromTheSelectorTextLeavesNoShapeSelected)
{
    chooseItem(3);
    selector()->setFocus(); // a choice moves the focus on to the first field
    selector()->lineEdit()->end(false);

    for (int i = 0; i < 5; ++i)
        QTest::keyClick(selector(), Qt::Key_Backspace);

    EXPECT_EQ(selector()->currentIndex(), -1);
    EXPECT_EQ(selector()->currentText(), name(3).chopped(5));
    EXPECT_EQ(visibleRows(), std::vector<int>{9});
    EXPECT_TRUE(visibleThumbnails().isEmpty());
    EXPECT_EQ(control<QLabel>("Label0")->text(), QStringLiteral("ВНУТРЕННИЕ РАЗМЕРЫ ЕМКОСТИ"));
}

TEST_F(FormTest, EmptyingTheSelectorTextBringsBackTheFirstShape)
{
    chooseItem(5);
    selector()->lineEdit()->selectAll();

    QTest::keyClick(selector(), Qt::Key_Backspace);

    EXPECT_EQ(selector()->currentIndex(), 0);
    EXPECT_EQ(visibleRows(), firstRows(1));
}

} // namespace
