// What reaches a dimension field, and where Enter takes the focus.

#include <QClipboard>
#include <QContextMenuEvent>

#include "form_fixture.h"

namespace {

// Types `keys` one key at a time; "\b" is Backspace. Letters outside ASCII arrive as typed text.
void typeKeys(QWidget* widget, const QString& keys)
{
    for (const QChar c : keys) {
        if (c == u'\b') {
            QTest::keyClick(widget, Qt::Key_Backspace);
        } else if (c.unicode() < 0x80) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(widget, &release);
        }
    }
}

struct Typing {
    const char* test;
    QString before;
    bool selectAll;
    QString keys;
    QString after;
};
void PrintTo(const Typing& row, std::ostream* out) { *out << row.test; }

class CharacterFilter : public FormTest, public ::testing::WithParamInterface<Typing> {};

TEST_P(CharacterFilter, KeepsDigitsUpToEight)
{
    const Typing& t = GetParam();
    chooseItem(24); // all eight rows in use
    for (int row = 1; row <= 8; ++row) {
        QLineEdit* edit = field(row);
        edit->setText(t.before);
        if (t.selectAll)
            edit->selectAll();
        else
            edit->end(false);
        typeKeys(edit, t.keys);
        EXPECT_EQ(edit->text(), t.after) << "Edit" << row;
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, CharacterFilter,
                         ::testing::Values(Typing{"LetterBetweenDigits", "", false, "12a3", "123"},
                                           Typing{"DecimalPoint", "", false, "1.5", "15"},
                                           Typing{"DecimalComma", "", false, "1,5", "15"},
                                           Typing{"SignsAndBlank", "", false, "-+ 7", "7"},
                                           Typing{"CyrillicLetters", "", false, QStringLiteral("1я2Ё"), "12"},
                                           Typing{"LeadingZerosKept", "", false, "00012", "00012"},
                                           Typing{"SingleZero", "", false, "0", "0"},
                                           Typing{"NinthDigit", "", false, "123456789", "12345678"},
                                           Typing{"BackspaceFreesOnePlace", "12345678", false, "\b9", "12345679"},
                                           Typing{"BackspaceInAnEmptyField", "", false, "\b4", "4"},
                                           Typing{"FullFieldSelectedStillRefuses", "12345678", true, "9", "12345678"},
                                           Typing{"ShortFieldSelectedIsReplaced", "123", true, "4", "4"}),
                         [](const auto& testInfo) { return std::string(testInfo.param.test); });

struct Shortcut {
    const char* test;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString clipboard;
    QString after;
};
void PrintTo(const Shortcut& row, std::ostream* out) { *out << row.test; }

class ClipboardKeys : public FormTest, public ::testing::WithParamInterface<Shortcut> {};

// The Ctrl keys type control characters, which the filter refuses; other paste keys go through the
// validator, which lets in nothing but digits.
TEST_P(ClipboardKeys, BringOnlyDigits)
{
    const Shortcut& s = GetParam();
    QApplication::clipboard()->setText(s.clipboard);
    QLineEdit* edit = field(1);
    QTest::keyClicks(edit, "12");
    edit->selectAll();

    QTest::keyClick(edit, s.key, s.modifiers);

    EXPECT_EQ(edit->text(), s.after);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ClipboardKeys,
    ::testing::Values(Shortcut{"CtrlVRefused", Qt::Key_V, Qt::ControlModifier, "345", "12"},
                      Shortcut{"CtrlXRefused", Qt::Key_X, Qt::ControlModifier, "", "12"},
                      Shortcut{"CtrlZRefused", Qt::Key_Z, Qt::ControlModifier, "", "12"},
                      Shortcut{"ShiftInsertPastesDigits", Qt::Key_Insert, Qt::ShiftModifier, "345", "345"},
                      Shortcut{"ShiftInsertRefusesLetters", Qt::Key_Insert, Qt::ShiftModifier, "3a4", "12"},
                      Shortcut{"ShiftInsertRefusesNineDigits", Qt::Key_Insert, Qt::ShiftModifier, "123456789", "12"}),
    [](const auto& testInfo) { return std::string(testInfo.param.test); });

struct Insertion {
    const char* test;
    QString inserted;
    QString after;
};
void PrintTo(const Insertion& row, std::ostream* out) { *out << row.test; }

class DroppedText : public FormTest, public ::testing::WithParamInterface<Insertion> {};

// A drop inserts text without any key event.
TEST_P(DroppedText, IsTakenOnlyAsDigits)
{
    QLineEdit* edit = field(1);
    edit->setText("5");
    edit->end(false);

    edit->insert(GetParam().inserted);

    EXPECT_EQ(edit->text(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Drops, DroppedText,
                         ::testing::Values(Insertion{"Digits", "42", "542"}, Insertion{"DecimalText", "4,2", "5"},
                                           Insertion{"Negative", "-4", "5"}, Insertion{"Blank", " ", "5"},
                                           Insertion{"PastTheEighthDigit", "12345678", "5"}),
                         [](const auto& testInfo) { return std::string(testInfo.param.test); });

TEST_F(FormTest, NoDimensionFieldOpensAContextMenu)
{
    chooseItem(24);
    for (int row = 1; row <= 9; ++row) {
        QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5), field(row)->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(field(row), &request);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "Edit" << row;
    }
}

TEST_F(FormTest, EditRestoresWritableFieldsWithTheirValues)
{
    enter(1, "1000");
    trigger("N2");
    QTest::keyClicks(field(1), "7");
    EXPECT_EQ(field(1)->text(), QStringLiteral("1000"));

    trigger("N4");
    QTest::keyClick(field(1), Qt::Key_Backspace);
    QTest::keyClicks(field(1), "7");

    EXPECT_EQ(field(1)->text(), QStringLiteral("1007"));
}

struct EnterWalk {
    const char* test;
    int orientation; // -1: none chosen
    int item;
    const char* start;
    QStringList focusAfterEachEnter;
};
void PrintTo(const EnterWalk& row, std::ostream* out) { *out << row.test; }

class EnterKey : public FormTest, public ::testing::WithParamInterface<EnterWalk> {};

TEST_P(EnterKey, MovesToTheNextTabStopOfTheWindow)
{
    const EnterWalk& w = GetParam();
    if (w.orientation >= 0)
        chooseOrientation(w.orientation);
    chooseItem(w.item);
    QWidget* current = control<QWidget>(w.start);
    current->setFocus();

    QStringList visited;
    for (qsizetype i = 0; i < w.focusAfterEachEnter.size(); ++i) {
        QTest::keyClick(current, Qt::Key_Return);
        current = form->focusWidget();
        visited << (current ? current->objectName() : QStringLiteral("<none>"));
    }
    EXPECT_EQ(visited, w.focusAfterEachEnter);
}

INSTANTIATE_TEST_SUITE_P(
    Walks, EnterKey,
    ::testing::Values(
        EnterWalk{"TwoRowsWithoutOrientation", -1, 1, "ComboBox1", {"Edit1", "Edit2", "ComboBox1"}},
        EnterWalk{"InclinedEndsOnItsButton", 2, 0, "ComboBox1", {"Edit1", "Edit2", "Edit3", "Edit4", "RG1Item2"}},
        EnterWalk{"AllEightRows", 2, 6, "Edit7", {"Edit8", "RG1Item2"}},
        EnterWalk{"StepFieldWithoutOrientation", -1, 0, "Edit9", {"ComboBox1"}},
        EnterWalk{"StepFieldWithOrientation", 1, 0, "Edit9", {"RG1Item1"}}),
    [](const auto& testInfo) { return std::string(testInfo.param.test); });

TEST_F(FormTest, EnterStillMovesInTheCalculatedState)
{
    chooseItem(1);
    enter(1, "1500");
    enter(2, "2000");
    trigger("N2");
    field(1)->setFocus();

    QTest::keyClick(field(1), Qt::Key_Return);

    EXPECT_EQ(form->focusWidget(), field(2));
    EXPECT_EQ(field(1)->text(), QStringLiteral("1500"));
}

} // namespace
