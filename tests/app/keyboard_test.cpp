// The window used with the keyboard alone: access keys, the menu from F10 and Alt, where the focus goes,
// and no row left highlighted by keyboard moves in the grid.

#include <map>
#include <set>

#include <QAbstractButton>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QStyleOption>
#include <QTimer>

#include "form_fixture.h"

namespace {

QString withoutAccessKey(QString text) { return text.remove(u'&'); }

QChar accessKey(const QString& text)
{
    const qsizetype at = text.indexOf(u'&');
    return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
}

TEST_F(FormTest, EveryMenuCommandHasItsOwnAccessKeyAndItsCaption)
{
    struct Command {
        const char* name;
        const char* caption;
    };
    const std::vector<std::vector<Command>> menus{
        {{"N1", "Сохранить"},
         {"N2", "Рассчитать"},
         {"N4", "Правка"},
         {"N5", "Очистка"},
         {"N6", "Погрешность"},
         {"N3", "Справка"}},
        {{"N8", "В два столбца"}, {"N9", "В виде таблицы"}, {"D1", "В текстовом виде"}}};
    for (const auto& menu : menus) {
        std::set<QChar> keys;
        for (const Command& command : menu) {
            auto* submenu = form->findChild<QMenu*>(command.name);
            const QString text = submenu ? submenu->title() : control<QAction>(command.name)->text();
            EXPECT_EQ(withoutAccessKey(text), QString::fromUtf8(command.caption)) << command.name;
            const QChar key = accessKey(text);
            EXPECT_FALSE(key.isNull()) << command.name;
            EXPECT_TRUE(keys.insert(key).second) << command.name << " repeats an access key";
        }
    }
}

struct DialogOpening {
    const char* command;
    const char* dialog;
};

class DialogKeys : public FormTest, public ::testing::WithParamInterface<DialogOpening> {};

// Every check box, radio button and labelled field of a dialog the tank's commands open can be reached with
// Alt and a key of its own; the dialog's closing buttons answer Enter and Escape.
TEST_P(DialogKeys, EveryControlHasItsOwnAccessKey)
{
    chooseOrientation(1);
    chooseItem(0); // horizontal cylinder
    enter(1, "3000");
    enter(2, "1000");
    trigger("N2");
    guard.expected << GetParam().dialog;
    messages.followAction = true; // the accuracy's box leads on to the uncertainty
    QStringList faults;
    bool seen = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog->objectName() != GetParam().dialog)
            return;
        poll.stop();
        seen = true;
        std::map<QChar, QString> keys;
        const auto check = [&](const QString& text) {
            const QChar key = accessKey(text);
            if (key.isNull())
                faults << "no key: " + text;
            else if (const auto [at, fresh] = keys.emplace(key, text); !fresh)
                faults << "«" + text + "» repeats the key of «" + at->second + "»";
        };
        for (auto* button : dialog->findChildren<QAbstractButton*>())
            if (button->isVisibleTo(dialog) && !qobject_cast<QDialogButtonBox*>(button->parentWidget())
                && !button->text().isEmpty())
                check(button->text());
        for (auto* label : dialog->findChildren<QLabel*>())
            if (label->buddy() && label->isVisibleTo(dialog))
                check(label->text());
        dialog->reject();
    });
    poll.start();
    trigger(GetParam().command);
    poll.stop();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(faults.isEmpty()) << faults.join("; ").toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Commands, DialogKeys,
    ::testing::Values(DialogOpening{"N10", "SensorDialog"}, DialogOpening{"N6", "UncertaintyDialog"},
                      DialogOpening{"FillCommand", "FillDialog"}, DialogOpening{"DeadwoodCommand", "DeadwoodDialog"},
                      DialogOpening{"TiltCommand", "TiltDialog"}, DialogOpening{"TiltGridCommand", "TiltGridDialog"}),
    [](const auto& testInfo) { return std::string(testInfo.param.dialog); });

struct MenuOpening {
    const char* test;
    const char* from;
    Qt::Key key;
    bool calculated;
    const char* highlighted;
};
void PrintTo(const MenuOpening& row, std::ostream* out) { *out << row.test; }

class MenuFromTheKeyboard : public FormTest, public ::testing::WithParamInterface<MenuOpening> {};

TEST_P(MenuFromTheKeyboard, StartsAtTheFirstEnabledCommandAndEscapeGoesBack)
{
    const MenuOpening& m = GetParam();
    chooseItem(0);
    enter(1, "1000");
    if (m.calculated)
        trigger("N2");
    QWidget* start = control<QWidget>(m.from);
    start->setFocus();
    auto* bar = form->findChild<QMenuBar*>("MainMenu1");

    QTest::keyClick(start, m.key, m.key == Qt::Key_Alt ? Qt::AltModifier : Qt::NoModifier);
    QApplication::processEvents();

    const auto* menu = form->findChild<QMenu*>(m.highlighted);
    EXPECT_EQ(bar->activeAction(), menu ? menu->menuAction() : control<QAction>(m.highlighted));
    EXPECT_EQ(QApplication::focusWidget(), bar);
    QTest::keyClick(bar, Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), start);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, MenuFromTheKeyboard,
    ::testing::Values(MenuOpening{"F10FromAFieldPassesOverSave", "Edit1", Qt::Key_F10, false, "N2"},
                      MenuOpening{"AltFromTheSelectorPassesOverSave", "ComboBox1", Qt::Key_Alt, false, "N2"},
                      MenuOpening{"F10FromAnOrientationButton", "RG1Item1", Qt::Key_F10, false, "N2"},
                      MenuOpening{"F10AfterARunStartsAtSave", "Edit1", Qt::Key_F10, true, "N1"}),
    [](const auto& testInfo) { return std::string(testInfo.param.test); });

struct FocusAfter {
    const char* test;
    std::function<void(FormTest&)> command;
    QString typed;   // digits typed right after the command
    QString inEdit1; // what Edit1 holds afterwards
};
void PrintTo(const FocusAfter& row, std::ostream* out) { *out << row.test; }

class FocusAfterSetUp : public FormTest, public ::testing::WithParamInterface<FocusAfter> {};

// The focus starts in a field that the command hides or locks, so digits typed there would be lost.
TEST_P(FocusAfterSetUp, GoesToTheFirstDimensionField)
{
    const FocusAfter& f = GetParam();
    chooseItem(24); // all eight rows
    for (int row = 1; row <= 8; ++row)
        enter(row, "100");
    field(8)->setFocus();

    f.command(*this);
    QTest::keyClicks(QApplication::focusWidget(), f.typed);

    EXPECT_EQ(QApplication::focusWidget(), field(1));
    EXPECT_EQ(field(1)->text(), f.inEdit1);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, FocusAfterSetUp,
    ::testing::Values(FocusAfter{"Clearing", [](FormTest& window) { window.trigger("N5"); }, "12", "12"},
                      FocusAfter{"ChoosingAShape", [](FormTest& window) { window.chooseItem(0); }, "12", "12"},
                      FocusAfter{"ChoosingAnOrientation", [](FormTest& window) { window.chooseOrientation(1); }, "12",
                                 "12"},
                      // "Правка" keeps the value and leaves it unselected: a digit goes on its end
                      FocusAfter{"EditAfterARefusedLockedRun",
                                 [](FormTest& window) {
                                     window.trigger("N2");
                                     window.trigger("N4");
                                 },
                                 "5", "1005"}),
    [](const auto& testInfo) { return std::string(testInfo.param.test); });

TEST_F(FormTest, ArrowKeysInTheSelectorLeaveTheFocusThereToGoOnChoosing)
{
    selector()->setFocus();
    QTest::keyClick(selector(), Qt::Key_Down);
    QTest::keyClick(selector(), Qt::Key_Down);

    EXPECT_EQ(selector()->currentIndex(), 2);
    EXPECT_EQ(QApplication::focusWidget(), selector());
    QTest::keyClick(selector(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), field(1));
}

TEST_F(FormTest, EnterShowsTheFocusFrameOfTheControlItReaches)
{
    chooseOrientation(1);
    chooseItem(0);
    enter(1, "1000");
    enter(2, "2000");
    field(1)->setFocus();

    for (const char* next : {"Edit2", "RG1Item1"}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QWidget* focused = QApplication::focusWidget();
        ASSERT_EQ(focused->objectName(), QString::fromUtf8(next));
        QStyleOption option;
        option.initFrom(focused);
        EXPECT_TRUE(option.state & QStyle::State_HasFocus) << next;
        EXPECT_TRUE(option.state & QStyle::State_KeyboardFocusChange) << next << ": the style draws no focus frame";
    }
}

struct GridLeft {
    const char* test;
    std::function<void(FormTest&)> after;
};
void PrintTo(const GridLeft& row, std::ostream* out) { *out << row.test; }

class KeyboardMovesInTheGrid : public FormTest, public ::testing::WithParamInterface<GridLeft> {};

TEST_P(KeyboardMovesInTheGrid, LeaveNoRowHighlighted)
{
    chooseItem(0);
    enter(1, "3000");
    trigger("N2");
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                      grid()->visualRect(grid()->model()->index(2, 0)).center());
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(grid(), Qt::Key_Down);
    ASSERT_FALSE(grid()->selectionModel()->selectedIndexes().isEmpty())
        << "the moves highlight while the grid has the focus";

    GetParam().after(*this);

    EXPECT_TRUE(grid()->selectionModel()->selectedIndexes().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Then, KeyboardMovesInTheGrid,
                         ::testing::Values(GridLeft{"TheFocusLeaves",
                                                    [](FormTest& window) { window.selector()->setFocus(); }},
                                           // menu commands leave the focus in the grid
                                           GridLeft{"EditAndTheNextRun",
                                                    [](FormTest& window) {
                                                        window.trigger("N4");
                                                        window.trigger("N2");
                                                    }}),
                         [](const auto& testInfo) { return std::string(testInfo.param.test); });

} // namespace
