// "Рассчитать" and "Погрешность" from the window: the grid, the step, the error line and the dialog.

#include "form_fixture.h"
#include "tests/published_figures.h"

namespace {

using tarvol::published::kSphereErrorLine;
using tarvol::published::kSphereReport;
using tarvol::published::sphereVolume;

QString withComma(const char* text) { return QString::fromUtf8(text); }
QString withPoint(const char* text) { return QString::fromStdString(tarvol::published::withPoint(text)); }

struct Separator {
    const char* test;
    QLocale locale;
    QString (*shown)(const char*); // a published figure as this locale prints it
};
void PrintTo(const Separator& row, std::ostream* out) { *out << row.test; }

class SphereRun : public FormTest, public ::testing::WithParamInterface<Separator> {};

TEST_P(SphereRun, FillsTheGridStepErrorLineAndDialogInTheUsersNumberFormat)
{
    const Separator& s = GetParam();
    QLocale::setDefault(s.locale);
    enter(1, "1000");
    control<QComboBox>("ComboBox2")->setCurrentIndex(3);

    trigger("N2");

    ASSERT_EQ(grid()->rowCount(), 11);
    for (int row = 1; row <= 10; ++row)
        EXPECT_EQ(cell(row, 0), QString::number(row * 100)) << row;
    const int sampled[] = {1, 2, 3, 5, 10};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(cell(sampled[i], 1), s.shown(sphereVolume(100 * sampled[i]))) << "row " << sampled[i];
    EXPECT_EQ(field(9)->text(), QStringLiteral("100"));
    EXPECT_EQ(pg(), s.shown(kSphereErrorLine));
    EXPECT_TRUE(messages.shown.empty());

    trigger("N6");
    EXPECT_EQ(messages.texts(), QStringList{s.shown(kSphereReport)});
}

INSTANTIATE_TEST_SUITE_P(Locales, SphereRun,
                         ::testing::Values(Separator{"Comma", QLocale(QLocale::Russian, QLocale::Russia), withComma},
                                           Separator{"Point", QLocale(QLocale::English, QLocale::UnitedStates),
                                                     withPoint}),
                         [](const auto& testInfo) { return std::string(testInfo.param.test); });

struct Decimals {
    const char* test;
    int entry; // -1: none chosen
    QString half;
};
void PrintTo(const Decimals& row, std::ostream* out) { *out << row.test; }

class DecimalPlaces : public FormTest, public ::testing::WithParamInterface<Decimals> {};

TEST_P(DecimalPlaces, AreReadFromTheBoxWhenTheRunStarts)
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    enter(1, "1000");
    control<QComboBox>("ComboBox2")->setCurrentIndex(GetParam().entry);

    trigger("N2");
    control<QComboBox>("ComboBox2")->setCurrentIndex(2); // too late for this table

    EXPECT_EQ(cell(5, 1), GetParam().half);
}

INSTANTIATE_TEST_SUITE_P(Entries, DecimalPlaces,
                         ::testing::Values(Decimals{"NoneChosen", -1, "262"}, Decimals{"Zero", 0, "262"},
                                           Decimals{"One", 1, "261,8"},
                                           Decimals{"Three", 3, withComma(sphereVolume(500))}),
                         [](const auto& testInfo) { return std::string(testInfo.param.test); });

TEST_F(FormTest, InconsistentHeadsAreRefusedWithTheirLimits)
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    chooseItem(3);
    for (const auto& [row, value] : {std::pair{1, "1000"}, {2, "1000"}, {3, "50"}, {4, "600"}})
        enter(row, value);

    trigger("N2");

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, RecordingMessages::Kind::Information);
    EXPECT_EQ(messages.shown[0].text,
              QStringLiteral("Размеры указаны неверно!\nУвеличьте диаметр ёмкости не менее чем 1200,0 мм\n"
                             "или уменьшите высоту сферической части днища не более чем 500,0 мм."));
    EXPECT_EQ(grid()->rowCount(), 1);
    // the field the refusal names takes the focus, its text selected for the correction
    EXPECT_EQ(form->focusWidget(), field(4));
    EXPECT_EQ(field(4)->selectedText(), QStringLiteral("600"));

    trigger("N6"); // nothing was calculated: nothing to report
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(FormTest, AnEmptyVisibleFieldStopsTheRunBeforeAnythingChanges)
{
    chooseItem(4);
    enter(1, "1000");
    enter(2, "1000");
    enter(4, "200"); // row 3 left empty

    trigger("N2");

    EXPECT_EQ(messages.texts(), QStringList{"Данные введены не полностью!"});
    EXPECT_FALSE(field(1)->isReadOnly());
    EXPECT_TRUE(offered("N2"));
    EXPECT_TRUE(field(9)->text().isEmpty());

    trigger("N6");
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(FormTest, HiddenFieldsTakeNoPartInTheCompletenessCheck)
{
    chooseItem(1);
    enter(1, "1500");
    enter(2, "2000");
    field(3)->setText(""); // hidden for this shape

    trigger("N2");

    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(grid()->rowCount(), 11);
}

TEST_F(FormTest, CylinderVolumesAgreeToSixDecimals)
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    chooseItem(1);
    enter(1, "1500");
    enter(2, "2000");

    trigger("N2");

    EXPECT_EQ(pg(), QStringLiteral("Погрешность расчётов: 0,000000 %."));
    EXPECT_EQ(field(9)->text(), QStringLiteral("150"));
    EXPECT_EQ(cell(10, 0), QStringLiteral("1500"));
}

} // namespace
