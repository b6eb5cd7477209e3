// Every command's effect on the two window states.

#include <functional>

#include "form_fixture.h"
#include "tests/published_figures.h"

namespace {

const QString kIdle = QStringLiteral("Погрешность расчётов в %");
// the sphere's figures with the decimal point of the fixture's locale
const QString kSphereError = QString::fromStdString(tarvol::published::withPoint(tarvol::published::kSphereErrorLine));
const QString kSphereReport = QString::fromStdString(tarvol::published::withPoint(tarvol::published::kSphereReport));
const QString kRefusedHeads =
    QStringLiteral("Размеры указаны неверно!\nУвеличьте диаметр ёмкости не менее чем 1200.0 мм\n"
                   "или уменьшите высоту сферической части днища не более чем 500.0 мм.");

struct WindowState {
    bool calculate, save, accuracy, locked;
    int gridRows;
    QString pg, step, firstField;
};

struct Transition {
    const char* test;
    std::function<void(FormTest&)> act;
    WindowState after;
    QStringList messages;
};
void PrintTo(const Transition& row, std::ostream* out) { *out << row.test; }

void sphereRun(FormTest& t)
{
    t.enter(1, "1000");
    t.trigger("N2");
}

void refusedHeads(FormTest& t)
{
    t.chooseItem(3);
    t.enter(1, "1000");
    t.enter(2, "1000");
    t.enter(3, "50");
    t.enter(4, "600");
    t.trigger("N2");
}

const WindowState kEntering{true, false, false, false, 1, kIdle, "", ""};
const WindowState kSphereDone{false, true, true, true, 11, kSphereError, "100", "1000"};

class StateTable : public FormTest, public ::testing::WithParamInterface<Transition> {};

TEST_P(StateTable, LeavesTheWindowInTheStateItsCommandPromises)
{
    const Transition& t = GetParam();
    t.act(*this);

    const WindowState& s = t.after;
    EXPECT_EQ(offered("N2"), s.calculate);
    EXPECT_EQ(offered("N1"), s.save);
    EXPECT_EQ(offered("N6"), s.accuracy);
    for (int k = 1; k <= 8; ++k)
        EXPECT_EQ(field(k)->isReadOnly(), s.locked) << k;
    EXPECT_TRUE(field(9)->isReadOnly());
    EXPECT_EQ(grid()->rowCount(), s.gridRows);
    EXPECT_EQ(cell(0, 0), QStringLiteral("УРОВЕНЬ(мм)"));
    EXPECT_EQ(pg(), s.pg);
    EXPECT_EQ(field(9)->text(), s.step);
    EXPECT_EQ(field(1)->text(), s.firstField);
    EXPECT_EQ(messages.texts(), t.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, StateTable,
    ::testing::Values(Transition{"RunAccepted", sphereRun, kSphereDone, {}},
                      Transition{"RunWithAnEmptyField",
                                 [](FormTest& form) {
                                     form.chooseItem(1);
                                     form.enter(1, "1500");
                                     form.trigger("N2");
                                 },
                                 {true, false, false, false, 1, kIdle, "", "1500"},
                                 {"Данные введены не полностью!"}},
                      // the refused run keeps the values for correction and still offers "Сохранить"
                      Transition{"RunRefusedForInconsistentDimensions",
                                 refusedHeads,
                                 {true, true, false, false, 1, kIdle, "0", "1000"},
                                 {kRefusedHeads}},
                      Transition{"RefusedRunShowsThePreviousStep",
                                 [](FormTest& form) {
                                     sphereRun(form);
                                     refusedHeads(form);
                                 },
                                 {true, true, false, false, 1, kIdle, "100", "1000"},
                                 {kRefusedHeads}},
                      // below 10 mm there is no step: refused like inconsistent dimensions instead of dividing by zero
                      Transition{"RunOfATankTooShallowForAStep",
                                 [](FormTest& form) {
                                     form.enter(1, "9");
                                     form.trigger("N2");
                                 },
                                 {true, true, false, false, 1, kIdle, "0", "9"},
                                 {"Размер \"Внутренний диаметр ёмкости (D)\" должен быть не менее 10 мм."}},
                      Transition{"EditRightAfterStart", [](FormTest& form) { form.trigger("N4"); }, kEntering, {}},
                      Transition{"EditAfterRunKeepsValuesAndStep",
                                 [](FormTest& form) {
                                     sphereRun(form);
                                     form.trigger("N4");
                                 },
                                 {true, false, false, false, 1, kIdle, "100", "1000"},
                                 {}},
                      Transition{"ClearAfterRun",
                                 [](FormTest& form) {
                                     sphereRun(form);
                                     form.trigger("N5");
                                 },
                                 kEntering,
                                 {}},
                      Transition{"ShapeChosenAfterRun",
                                 [](FormTest& form) {
                                     sphereRun(form);
                                     form.chooseItem(2);
                                 },
                                 kEntering,
                                 {}},
                      Transition{"OrientationChosenAfterRun",
                                 [](FormTest& form) {
                                     sphereRun(form);
                                     form.chooseOrientation(0);
                                 },
                                 kEntering,
                                 {}},
                      Transition{"AccuracyAfterRun",
                                 [](FormTest& form) {
                                     sphereRun(form);
                                     form.trigger("N6");
                                 },
                                 kSphereDone,
                                 {kSphereReport}},
                      Transition{
                          "AboutAfterRun",
                          [](FormTest& form) {
                              sphereRun(form);
                              form.trigger("N3");
                          },
                          kSphereDone,
                          {"Программа  TARVOL. V 4.1\nhttps://tarvol.example.org\nПо всем вопросам пишите автору "
                           "программы:\nСлужба поддержки Tarvol\nна электронный адрес: support@tarvol.example.org"}},
                      Transition{"ThumbnailClickAfterRun",
                                 [](FormTest& form) {
                                     sphereRun(form);
                                     QTest::mouseClick(form.control<QLabel>("Image10"), Qt::LeftButton);
                                 },
                                 kSphereDone,
                                 {}},
                      Transition{"TypingIntoALockedField",
                                 [](FormTest& form) {
                                     sphereRun(form);
                                     QTest::keyClicks(form.field(1), "5");
                                 },
                                 kSphereDone,
                                 {}}),
    [](const auto& testInfo) { return std::string(testInfo.param.test); });

TEST_F(FormTest, ClickingAResultRowLeavesNoRowHighlighted)
{
    sphereRun(*this);
    const QRect row = grid()->visualRect(grid()->model()->index(3, 1));

    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, row.center());

    EXPECT_TRUE(grid()->selectionModel()->selectedIndexes().isEmpty());
    EXPECT_FALSE(grid()->selectionModel()->currentIndex().isValid());
}

TEST_F(FormTest, LeavingTheGridClearsItsSelection)
{
    sphereRun(*this);
    grid()->setFocus();
    grid()->selectRow(4);

    field(1)->setFocus();

    EXPECT_TRUE(grid()->selectionModel()->selectedIndexes().isEmpty());
}

} // namespace
