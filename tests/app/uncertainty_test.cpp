// The tank's uncertainty budget in the window: the grid's U columns, the report's lines and the dialog's fields.

#include <QDialogButtonBox>

#include "app/uncertaintydialog.h"
#include "form_fixture.h"

namespace {

struct GridCase {
    const char* test;
    int shape;
    QStringList dims;
    std::vector<double> uDims;
    double uLevel;
    QString lastU, lastRelative; // the top row's U, л and U, %
    QString fullLine;            // the report's line for the full volume
};
void PrintTo(const GridCase& row, std::ostream* out) { *out << row.test; }

class UncertaintyGrid : public FormTest, public ::testing::WithParamInterface<GridCase> {};

// Figures by hand: a sphere's full volume πD³/6 moves by πD²/2 per mm of D; a vertical cylinder's volume by
// πD²/4 per mm of level at every row.
TEST_P(UncertaintyGrid, ShowsUColumnsAndTheReportOnlyWithABudget)
{
    const GridCase& c = GetParam();
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    chooseItem(c.shape);
    for (int i = 0; i < c.dims.size(); ++i)
        enter(i + 1, c.dims[i]);
    trigger("N2");
    ASSERT_EQ(grid()->columnCount(), 2);

    tarvol::UncertaintyInputs inputs;
    inputs.dims = c.uDims;
    inputs.level = c.uLevel;
    form->applyUncertainty(inputs);
    ASSERT_EQ(grid()->columnCount(), 4);
    EXPECT_EQ(cell(0, 2), QStringLiteral("U, л"));
    EXPECT_EQ(cell(0, 3), QStringLiteral("U, %"));
    const int last = grid()->rowCount() - 1;
    EXPECT_EQ(cell(last, 2), c.lastU);
    EXPECT_EQ(cell(last, 3), c.lastRelative);
    EXPECT_TRUE(form->uncertaintyReport().contains(c.fullLine)) << form->uncertaintyReport().toStdString();

    trigger("N6");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_TRUE(messages.shown[0].text.contains(c.fullLine));
    EXPECT_TRUE(messages.shown[0].text.contains(QStringLiteral("Наибольшая U выше 10 % высоты")));

    form->applyUncertainty(std::nullopt);
    EXPECT_EQ(grid()->columnCount(), 2);
    EXPECT_TRUE(form->uncertaintyReport().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, UncertaintyGrid,
    ::testing::Values(
        GridCase{"SphereDiameter", 0, {"1000"}, {1.0}, 0, "3,142", "0,600", "U при полном объёме: 3,142 л (0,600 %)."},
        GridCase{"VerticalCylinderLevel",
                 1,
                 {"1500", "2000"},
                 {},
                 1.0,
                 "6,283",
                 "0,133",
                 "U при полном объёме: 6,283 л (0,133 %)."}),
    [](const auto& testInfo) { return std::string(testInfo.param.test); });

struct DialogCase {
    const char* test;
    QStringList dims; // the fields uDim1, uDim2 of the horizontal cylinder
    QString level, limit, temperature;
    int material;
    bool accepted;
    std::optional<tarvol::UncertaintyInputs> inputs;
};
void PrintTo(const DialogCase& row, std::ostream* out) { *out << row.test; }

class UncertaintyFields : public FormTest, public ::testing::WithParamInterface<DialogCase> {};

TEST_P(UncertaintyFields, ReadAsTheBudget)
{
    const DialogCase& c = GetParam();
    tarvol::UncertaintyDialog dialog(8, std::nullopt, form.get());
    for (int i = 0; i < c.dims.size(); ++i)
        dialog.findChild<QLineEdit*>(QStringLiteral("uDim%1").arg(i + 1))->setText(c.dims[i]);
    dialog.findChild<QLineEdit*>(QStringLiteral("uLevel"))->setText(c.level);
    dialog.findChild<QLineEdit*>(QStringLiteral("limit"))->setText(c.limit);
    dialog.findChild<QLineEdit*>(QStringLiteral("shellTemperature"))->setText(c.temperature);
    dialog.findChild<QComboBox*>(QStringLiteral("material"))->setCurrentIndex(c.material);
    EXPECT_EQ(dialog.readFields(), c.accepted);
    if (c.accepted)
        EXPECT_EQ(dialog.inputs(), c.inputs);
    else
        EXPECT_FALSE(dialog.findChild<QLabel*>(QStringLiteral("problem"))->text().isEmpty());
}

tarvol::UncertaintyInputs budget(std::vector<double> dims, double level, std::optional<double> limit,
                                 std::optional<tarvol::ShellTemperature> shell)
{
    tarvol::UncertaintyInputs in;
    in.dims = std::move(dims);
    in.level = level;
    in.limitPercent = limit;
    in.shell = shell;
    return in;
}

INSTANTIATE_TEST_SUITE_P(
    Typed, UncertaintyFields,
    ::testing::Values(
        DialogCase{"PerFieldWithComma", {"0,5", "1.5"}, "2", "0,2", "", 0, true, budget({0.5, 1.5}, 2, 0.2, {})},
        DialogCase{"SameForEveryField", {"1", "1"}, "", "", "", 0, true, budget({1}, 0, {}, {})},
        DialogCase{"LimitWithItsSign", {"1"}, "", "0,4%", "", 0, true, budget({1, 0}, 0, 0.4, {})},
        DialogCase{"AluminiumShellOnly",
                   {},
                   "",
                   "",
                   "35",
                   1,
                   true,
                   budget({0}, 0, {}, tarvol::ShellTemperature{35, tarvol::kAluminiumExpansion})},
        DialogCase{"NothingTyped", {}, "", "", "", 0, true, std::nullopt},
        DialogCase{"NotANumber", {"1 мм"}, "", "", "", 0, false, std::nullopt},
        DialogCase{"NegativeLevel", {}, "-1", "", "", 0, false, std::nullopt}),
    [](const auto& testInfo) { return std::string(testInfo.param.test); });

} // namespace
