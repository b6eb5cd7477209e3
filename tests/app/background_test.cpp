// Long runs compute off the window's thread: the window keeps answering, the progress dialog cancels,
// and a finished run fills the window as a direct run of the core would.

#include <functional>
#include <stdexcept>

#include <QElapsedTimer>
#include <QGroupBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>

#include "calc/run.h"
#include "form_fixture.h"

namespace {

using tarvol::kProgressDialogName;

// Calls `step` every few milliseconds, which during a long run means from inside its local loop,
// until it returns true.
class WhileRunning final {
public:
    explicit WhileRunning(std::function<bool()> step) : m_step(std::move(step))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (m_step())
                m_timer.stop();
        });
        m_timer.start();
    }

private:
    std::function<bool()> m_step;
    QTimer m_timer;
};

// Notes every showing of the progress dialog, however briefly it stays.
class DialogWatch final : public QObject {
public:
    DialogWatch() { qApp->installEventFilter(this); }
    ~DialogWatch() override { qApp->removeEventFilter(this); }

    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->objectName() == QLatin1String(kProgressDialogName))
            ++shown;
        return false;
    }
};

QProgressDialog* progressDialog(const tarvol::TForm1& form)
{
    auto* dialog = form.findChild<QProgressDialog*>(kProgressDialogName);
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

// A run that takes hours uncancelled: the cone summation of shape 12 at its largest sizes.
const QStringList kEndlessCones{"1000", "99999999", "1000", "99999999"};
const QStringList kEndlessTilt{"99999999", "99999999", "1", "0"};

class BackgroundRun : public FormTest {
public:
    // Chooses a shape of the full catalogue and types its dimensions in field order.
    void type(int shape, const QStringList& values) const
    {
        chooseItem(shape);
        for (int row = 0; row < values.size(); ++row)
            enter(row + 1, values[row]);
    }

    // The window's own commands and inputs, all of which a run switches off.
    std::vector<std::pair<QString, bool>> commandStates() const
    {
        std::vector<std::pair<QString, bool>> states;
        for (const char* name : {"N1", "N2", "N3", "N4", "N5", "N6"})
            states.emplace_back(name, offered(name));
        for (const char* name : {"ComboBox1", "ComboBox2", "RG1"})
            states.emplace_back(name, control<QWidget>(name)->isEnabled());
        for (int row = 1; row <= 8; ++row)
            states.emplace_back(QStringLiteral("Edit%1").arg(row), field(row)->isEnabled());
        return states;
    }
};

enum class CancelBy { Button, Closing, Escape };

struct Cancelled {
    const char* test;
    int shape;
    QStringList first; // a finished run and "Правка" before the long one: its step must stay shown
    QStringList values;
    CancelBy how;
};
void PrintTo(const Cancelled& row, std::ostream* out) { *out << row.test; }

class CancelledRun : public BackgroundRun, public ::testing::WithParamInterface<Cancelled> {};

TEST_P(CancelledRun, StopsAtOnceAndLeavesTheWindowAsEditWould)
{
    const Cancelled& c = GetParam();
    type(c.shape, c.first);
    trigger("N2");
    trigger("N4");
    const QString step = field(9)->text();
    ASSERT_FALSE(step.isEmpty());
    for (int row = 0; row < c.values.size(); ++row)
        enter(row + 1, c.values[row]);
    field(2)->setFocus();

    QElapsedTimer sinceCancel;
    WhileRunning cancel([&] {
        QProgressDialog* dialog = progressDialog(*form);
        if (!dialog)
            return false;
        switch (c.how) {
        case CancelBy::Button:
            sinceCancel.start();
            dialog->findChild<QPushButton*>()->click();
            break;
        case CancelBy::Closing:
            sinceCancel.start();
            dialog->close();
            break;
        case CancelBy::Escape:
            sinceCancel.start();
            QTest::keyClick(dialog, Qt::Key_Escape);
            break;
        }
        return true;
    });
    trigger("N2");

    ASSERT_TRUE(sinceCancel.isValid()) << "the progress dialog never appeared";
    EXPECT_LT(sinceCancel.elapsed(), 100);
    EXPECT_EQ(grid()->rowCount(), 1);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(offered("N2"));
    EXPECT_FALSE(offered("N1"));
    EXPECT_FALSE(offered("N6"));
    EXPECT_EQ(pg(), QStringLiteral("Погрешность расчётов в %"));
    EXPECT_EQ(field(9)->text(), step);
    for (int row = 0; row < c.values.size(); ++row) {
        EXPECT_EQ(field(row + 1)->text(), c.values[row]) << row + 1;
        EXPECT_FALSE(field(row + 1)->isReadOnly()) << row + 1;
    }
    for (const auto& [name, enabled] : commandStates())
        EXPECT_EQ(enabled, name != "N1" && name != "N6") << name.toStdString();
    EXPECT_EQ(form->focusWidget(), field(2));
    EXPECT_EQ(progressDialog(*form), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, CancelledRun,
    ::testing::Values(
        Cancelled{"ConeHeadsByTheCancelButton", 12, {"1000", "1000", "200", "300"}, kEndlessCones, CancelBy::Button},
        Cancelled{"ConeHeadsByClosingTheDialog", 12, {"1000", "1000", "200", "300"}, kEndlessCones, CancelBy::Closing},
        Cancelled{"ConeHeadsByEscape", 12, {"1000", "1000", "200", "300"}, kEndlessCones, CancelBy::Escape},
        // a tilted shell of 10^8 levels runs for minutes, however fast the machine
        Cancelled{"InclinedCylinderByTheCancelButton", 18, {"1000", "1000", "0", "0"}, kEndlessTilt, CancelBy::Button}),
    [](const auto& testInfo) { return std::string(testInfo.param.test); });

TEST_F(BackgroundRun, ShortRunsShowNoDialogAndKeepEveryControlAsItWas)
{
    DialogWatch watch;
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(0);
    type(0, {"3000"});

    trigger("N2");

    EXPECT_EQ(watch.shown, 0);
    EXPECT_EQ(ticks, 0) << "a short run is simply waited for, no event in between";
    EXPECT_EQ(grid()->rowCount(), 11);
    for (const auto& [name, enabled] : commandStates())
        EXPECT_EQ(enabled, name != "N2") << name.toStdString();
}

TEST_F(BackgroundRun, LongRunsShowTheProgressOfTheirLevelsAfterAPause)
{
    DialogWatch watch;
    type(18, kEndlessTilt);
    QElapsedTimer sinceStart;
    qint64 appeared = -1;
    int firstValue = -1;
    QString title, label, button;
    Qt::WindowModality modality = Qt::NonModal;
    WhileRunning observe([&] {
        QProgressDialog* dialog = progressDialog(*form);
        if (!dialog)
            return false;
        if (appeared < 0) {
            appeared = sinceStart.elapsed();
            firstValue = dialog->value();
            title = dialog->windowTitle();
            label = dialog->labelText();
            button = dialog->findChild<QPushButton*>()->text();
            modality = dialog->windowModality();
            EXPECT_EQ(dialog->maximum(), 100);
        }
        if (dialog->value() <= firstValue || dialog->value() == 0)
            return false;
        dialog->cancel();
        return true;
    });
    sinceStart.start();
    trigger("N2");

    EXPECT_EQ(watch.shown, 1);
    EXPECT_GE(appeared, tarvol::kProgressDelayMs - 20);
    EXPECT_LT(appeared, tarvol::kProgressDelayMs + 250);
    EXPECT_EQ(title, tarvol::messageCaption());
    EXPECT_EQ(label, QStringLiteral("Расчёт…"));
    EXPECT_EQ(button, QStringLiteral("Отмена"));
    EXPECT_EQ(modality, Qt::NonModal); // a modal dialog would make the window ignore a request to close it
    EXPECT_EQ(grid()->rowCount(), 1);
}

struct Finished {
    const char* test;
    int shape;
    QStringList values;
    QLocale locale;
    int decimals;
};
void PrintTo(const Finished& row, std::ostream* out) { *out << row.test; }

class FinishedRun : public BackgroundRun, public ::testing::WithParamInterface<Finished> {};

TEST_P(FinishedRun, FillsTheWindowAsTheCoreComputesDirectly)
{
    const Finished& f = GetParam();
    QLocale::setDefault(f.locale);
    type(f.shape, f.values);
    control<QComboBox>("ComboBox2")->setCurrentIndex(f.decimals);
    int ticks = 0;
    WhileRunning count([&] {
        ++ticks;
        return false;
    });

    trigger("N2");

    std::vector<std::string> texts;
    for (const QString& v : f.values)
        texts.push_back(v.toStdString());
    tarvol::RunOptions options;
    options.decimalPlaces = f.decimals;
    options.separator = f.locale.decimalPoint().front().toLatin1();
    const tarvol::RunOutcome direct = tarvol::calculateFromTexts(f.shape, texts, options);
    ASSERT_TRUE(direct.ok());

    EXPECT_GT(ticks, 0) << "the run never reached the background";
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_EQ(grid()->rowCount(), direct.result().rowCount);
    for (size_t i = 0; i < direct.result().rows.size(); ++i) {
        const int row = static_cast<int>(i) + 1;
        EXPECT_EQ(cell(row, 0).toStdString(), direct.result().rows[i].level) << row;
        EXPECT_EQ(cell(row, 1).toStdString(), direct.result().rows[i].volume) << row;
    }
    EXPECT_EQ(field(9)->text(), QString::number(direct.result().outputStep));
    EXPECT_EQ(pg().toStdString(), direct.result().errorLine);
    EXPECT_FALSE(offered("N2"));
    EXPECT_TRUE(offered("N1"));
    EXPECT_TRUE(offered("N6"));
    for (int row = 1; row <= f.values.size(); ++row) {
        EXPECT_TRUE(field(row)->isReadOnly()) << row;
        EXPECT_TRUE(field(row)->isEnabled()) << row;
    }
    for (const char* name : {"N3", "N4", "N5"})
        EXPECT_TRUE(offered(name)) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, FinishedRun,
    ::testing::Values(
        Finished{"SphereAtTheLimitWithComma", 0, {"99999999"}, QLocale(QLocale::Russian, QLocale::Russia), 3},
        Finished{"SphereAtTheLimitWithPoint", 0, {"99999999"}, QLocale::c(), 0}),
    [](const auto& testInfo) { return std::string(testInfo.param.test); });

TEST_F(BackgroundRun, NoOtherCommandStartsWhileARunComputes)
{
    type(12, kEndlessCones);
    bool checkedEarly = false;
    bool checkedUnderDialog = false;
    qint64 reentry = -1;
    WhileRunning probe([&] {
        if (!checkedEarly) {
            checkedEarly = true;
            // nothing greys before the dialog: the window already looks calculated, and the user's input is held back
            for (const auto& [name, enabled] : commandStates())
                EXPECT_EQ(enabled, name != "N2") << name.toStdString() << " before the dialog";
            QTest::keyClick(selector(), Qt::Key_Down);
            QTest::mouseClick(control<QRadioButton>("RG1Item1"), Qt::LeftButton);
            EXPECT_EQ(selector()->currentIndex(), 12);
            EXPECT_FALSE(control<QRadioButton>("RG1Item1")->isChecked());
            QElapsedTimer clock;
            clock.start();
            form->N2Click(); // a second run would nest here and compute for hours
            trigger("N2");
            trigger("N4");
            trigger("N5");
            reentry = clock.elapsed();
            EXPECT_EQ(field(2)->text(), QStringLiteral("99999999"));
            return false;
        }
        QProgressDialog* dialog = progressDialog(*form);
        if (!dialog)
            return false;
        for (const auto& [name, enabled] : commandStates())
            EXPECT_FALSE(enabled) << name.toStdString() << " under the dialog";
        checkedUnderDialog = true;
        dialog->cancel();
        return true;
    });

    trigger("N2");

    EXPECT_TRUE(checkedEarly);
    EXPECT_TRUE(checkedUnderDialog);
    EXPECT_GE(reentry, 0);
    EXPECT_LT(reentry, 50);
    EXPECT_EQ(grid()->rowCount(), 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(BackgroundRun, TheWindowKeepsHandlingEventsAndRepaintingWhileItComputes)
{
    type(12, kEndlessCones);
    int ticks = 0;
    int repaints = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        grid()->viewport()->update();
    });
    struct PaintCount final : QObject {
        int* count;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } paints;
    paints.count = &repaints;
    grid()->viewport()->installEventFilter(&paints);
    ticker.start(20);
    QElapsedTimer clock;
    WhileRunning stop([&] {
        if (clock.elapsed() < 600)
            return false;
        if (QProgressDialog* dialog = progressDialog(*form))
            dialog->cancel();
        return true;
    });

    clock.start();
    trigger("N2");
    grid()->viewport()->removeEventFilter(&paints);

    EXPECT_GE(ticks, 10); // 600 ms at 20 ms, with room for a loaded machine
    EXPECT_GE(repaints, 5);
}

struct Closing {
    const char* test;
    bool answer; // to "Прервать расчёт и закрыть программу?"
};
void PrintTo(const Closing& row, std::ostream* out) { *out << row.test; }

class ClosingDuringRun : public BackgroundRun, public ::testing::WithParamInterface<Closing> {};

TEST_P(ClosingDuringRun, AsksAndOnYesCancelsAndCloses)
{
    const bool yes = GetParam().answer;
    messages.answer = yes;
    type(12, kEndlessCones);
    bool closed = false;
    WhileRunning closeThenCancel([&] {
        if (!closed) {
            closed = true;
            form->close();
            return false;
        }
        // on "Нет" the run goes on until its own "Отмена"
        if (QProgressDialog* dialog = progressDialog(*form)) {
            dialog->cancel();
            return true;
        }
        return false;
    });
    QElapsedTimer clock;
    clock.start();

    trigger("N2");
    QTest::qWait(50);

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].kind, RecordingMessages::Kind::Question);
    EXPECT_EQ(messages.shown[0].text, QStringLiteral("Прервать расчёт и закрыть программу?"));
    EXPECT_EQ(form->isVisible(), !yes);
    EXPECT_EQ(grid()->rowCount(), 1);
    if (yes) {
        EXPECT_LT(clock.elapsed(), 1000) << "the run was not cancelled";
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, ClosingDuringRun,
                         ::testing::Values(Closing{"YesCancelsAndCloses", true}, Closing{"NoKeepsComputing", false}),
                         [](const auto& testInfo) { return std::string(testInfo.param.test); });

// A real question, open until something closes it.
class LingeringQuestion final : public tarvol::MessageService {
public:
    void information(const QString&) override {}
    void error(const QString&) override {}
    bool question(const QString& text, const QString& caption) override
    {
        QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No);
        box.setObjectName(QStringLiteral("LingeringQuestion"));
        ++asked;
        // fail rather than hang when nothing closes it
        QTimer::singleShot(60000, &box, [&] {
            forgotten = true;
            box.done(QMessageBox::No);
        });
        return box.exec() == QMessageBox::Yes;
    }
    tarvol::UnsavedAnswer unsavedChanges(const QString&) override { return tarvol::UnsavedAnswer::Cancel; }

    int asked = 0;
    bool forgotten = false;
};

// The run ends while the user still reads "Прервать расчёт и закрыть программу?": nothing is left to stop, so the
// question goes away unanswered and the window keeps the results.
TEST_F(BackgroundRun, CloseQuestionGoesWhenTheRunEndsAndTheResultsStay)
{
    guard.expected << QStringLiteral("LingeringQuestion");
    LingeringQuestion asking;
    tarvol::MessageService* recording = tarvol::setMessageService(&asking);
    type(18, {"99999999", "20000000", "1", "0"}); // a tilted shell of 2·10⁷ levels: about a second
    WhileRunning closeOnce([&] {
        form->close();
        return true;
    });
    trigger("N2");
    tarvol::setMessageService(recording);

    EXPECT_EQ(asking.asked, 1);
    EXPECT_FALSE(asking.forgotten) << "the question outlived the run";
    EXPECT_TRUE(form->isVisible());
    EXPECT_GT(grid()->rowCount(), 1);
    EXPECT_TRUE(messages.shown.empty()) << messages.texts().join(u'\n').toStdString();
}

// A job's exception reaches the caller as a synchronous call's would, the commands unlocked first.
struct Failing {
    const char* test;
    unsigned long sleepMs;
    std::vector<bool> locks;
};
void PrintTo(const Failing& row, std::ostream* out) { *out << row.test; }

class FailingJob : public BackgroundRun, public ::testing::WithParamInterface<Failing> {};

TEST_P(FailingJob, RethrowsItsExceptionAfterTheCommandsAreBackOn)
{
    const unsigned long sleepMs = GetParam().sleepMs;
    const auto failing = [sleepMs](const tarvol::RunOptions&) -> tarvol::RunOutcome {
        QThread::msleep(sleepMs);
        throw std::runtime_error("no memory for the table");
    };
    std::vector<bool> locks;
    try {
        static_cast<void>(
            tarvol::runInBackground(form.get(), failing, {}, [&](bool locked) { locks.push_back(locked); }));
        ADD_FAILURE() << "the failure was swallowed";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "no memory for the table");
    }
    EXPECT_EQ(locks, GetParam().locks);
}

INSTANTIATE_TEST_SUITE_P(Durations, FailingJob,
                         ::testing::Values(Failing{"AtOnceWithoutLocking", 0, {}},
                                           Failing{"BeforeTheDialogWithoutLocking", 120, {}},
                                           Failing{"AfterTheDialogLockedTheWindow", 500, {true, false}}),
                         [](const auto& testInfo) { return std::string(testInfo.param.test); });

} // namespace
