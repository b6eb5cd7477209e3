// The message service: the error box's full stop, and the real boxes' look.

#include <functional>

#include "calc/run.h"
#include "form_fixture.h"

namespace {

struct Ending {
    const char* test;
    QString message;
    QString shown;
};
void PrintTo(const Ending& row, std::ostream* out) { *out << row.test; }

class ErrorText : public ::testing::TestWithParam<Ending> {};

TEST_P(ErrorText, GetsAFullStopOnlyAfterCharactersThatSortAfterIt)
{
    EXPECT_EQ(tarvol::errorBoxText(GetParam().message), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, ErrorText,
    ::testing::Values(Ending{"Letter", "Floating point division by zero", "Floating point division by zero."},
                      Ending{"CyrillicLetter", QStringLiteral("Ошибка"), QStringLiteral("Ошибка.")},
                      Ending{"Digit", "1/2", "1/2."}, Ending{"Slash", "a/", "a/."},
                      Ending{"Exclamation", QStringLiteral("Не могу создать папку ProgramFiles\\Tarvol!"),
                             QStringLiteral("Не могу создать папку ProgramFiles\\Tarvol!")},
                      Ending{"FullStop", "done.", "done."}, Ending{"Hyphen", "a-", "a-"}, Ending{"Comma", "a,", "a,"},
                      Ending{"Parenthesis", "(x)", "(x)"}, Ending{"Empty", "", ""}),
    [](const auto& testInfo) { return std::string(testInfo.param.test); });

struct Box {
    const char* test;
    std::function<void()> show;
    QMessageBox::Icon icon;
    QString text;
};
void PrintTo(const Box& row, std::ostream* out) { *out << row.test; }

class RealBoxes : public FormTest, public ::testing::WithParamInterface<Box> {};

// The guard closes the real box and keeps what it showed.
TEST_P(RealBoxes, CarryTheProgramNameAndTheirIcon)
{
    tarvol::MessageService* recording = tarvol::setMessageService(nullptr);
    GetParam().show();
    tarvol::setMessageService(recording);

    ASSERT_EQ(guard.seen.size(), 1u);
    EXPECT_EQ(guard.seen[0].title, QCoreApplication::applicationName());
    EXPECT_EQ(guard.seen[0].icon, GetParam().icon);
    EXPECT_EQ(guard.seen[0].text, GetParam().text);
    guard.seen.clear();
}

INSTANTIATE_TEST_SUITE_P(Kinds, RealBoxes,
                         ::testing::Values(Box{"Information",
                                               [] { tarvol::messages().information(QStringLiteral("Готово")); },
                                               QMessageBox::NoIcon, QStringLiteral("Готово")},
                                           Box{"Error", [] { tarvol::messages().error(QStringLiteral("Сбой")); },
                                               QMessageBox::Critical, QStringLiteral("Сбой.")}),
                         [](const auto& testInfo) { return std::string(testInfo.param.test); });

TEST_F(FormTest, RealQuestionClosedWithoutAnswerMeansNo)
{
    tarvol::MessageService* recording = tarvol::setMessageService(nullptr);
    const bool yes = tarvol::messages().question(QStringLiteral("Заменить?"), QStringLiteral("Информация"));
    tarvol::setMessageService(recording);

    EXPECT_FALSE(yes);
    ASSERT_EQ(guard.seen.size(), 1u);
    EXPECT_EQ(guard.seen[0].title, QStringLiteral("Информация"));
    EXPECT_EQ(guard.seen[0].icon, QMessageBox::Question);
    guard.seen.clear();
}

class BoxLines : public ::testing::TestWithParam<int> {};

// Qt wraps a line wider than half the screen; the refusals of the core are the longest lines shown.
TEST_P(BoxLines, NoLineOfARefusalWraps)
{
    const std::vector<std::string> texts{"1000", "1000", "99999999"};
    const tarvol::RunOutcome outcome = tarvol::calculateFromTexts(GetParam(), texts, {});
    ASSERT_FALSE(outcome.ok());
    const QString text = QString::fromStdString(outcome.refusal()->message);
    QMessageBox box(QMessageBox::NoIcon, tarvol::messageCaption(), text, QMessageBox::Ok);
    box.setStyleSheet(QStringLiteral("QLabel { font-size: 28px; }")); // a large desktop font on a small screen
    tarvol::keepLinesWhole(box);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));

    const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    const QFontMetrics metrics(label->font());
    for (const QString& line : text.split(u'\n'))
        EXPECT_LE(metrics.horizontalAdvance(line), label->contentsRect().width()) << line.toStdString();
}

// the spherical heads of shapes 3 and 10 refuse a head higher than half the diameter in two long lines
INSTANTIATE_TEST_SUITE_P(SphericalHeads, BoxLines, ::testing::Values(3),
                         [](const auto& testInfo) { return "Shape" + std::to_string(testInfo.param); });

TEST(MessageCaption, IsTheProgramFileNameWithoutExtension)
{
    EXPECT_EQ(tarvol::messageCaption(), QStringLiteral("tarvol_app_tests"));
}

} // namespace
