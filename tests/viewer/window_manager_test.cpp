// The picture viewer under a real window manager: its outer size, frame and title bar included, as the X
// server sees it, equals the table's entry on every showing, and the drawing fills the client area.
// Run by under-window-manager.sh on a display of its own with openbox.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/messages.h"
#include "app/tform1.h"
#include "calc/catalogue.h"
#include "viewer/presentation.h"
#include "viewer/tform2.h"

namespace {

class SilentMessages final : public tarvol::MessageService {
public:
    void information(const QString& text) override { ADD_FAILURE() << text.toStdString(); }
    void error(const QString& text) override { ADD_FAILURE() << text.toStdString(); }
    bool question(const QString& text, const QString&) override
    {
        ADD_FAILURE() << text.toStdString();
        return false;
    }
    tarvol::UnsavedAnswer unsavedChanges(const QString& text) override
    {
        ADD_FAILURE() << text.toStdString();
        return tarvol::UnsavedAnswer::Cancel;
    }
};

QString xwininfo(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xwininfo"), arguments);
    process.waitForFinished(5000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

int field(const QString& text, const QString& label)
{
    const QRegularExpression pattern(QRegularExpression::escape(label) + QStringLiteral(":\\s+(-?\\d+)"));
    return pattern.match(text).captured(1).toInt();
}

// The window manager's frame around a client: the client's topmost ancestor below the root window.
QRect outerGeometry(WId client)
{
    QString window = QStringLiteral("0x%1").arg(client, 0, 16);
    for (int depth = 0; depth < 10; ++depth) {
        const QString tree = xwininfo({QStringLiteral("-tree"), QStringLiteral("-id"), window});
        const QString parent =
            QRegularExpression(QStringLiteral("Parent window id: (0x[0-9a-f]+)")).match(tree).captured(1);
        if (parent.isEmpty() || tree.contains(QStringLiteral("Parent window id: %1 (the root window)").arg(parent)))
            break;
        window = parent;
    }
    const QString info = xwininfo({QStringLiteral("-id"), window});
    return {field(info, QStringLiteral("Absolute upper-left X")), field(info, QStringLiteral("Absolute upper-left Y")),
            field(info, QStringLiteral("Width")), field(info, QStringLiteral("Height"))};
}

QString name(int shape)
{
    const std::string_view text = tarvol::shape(shape).name;
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

struct Openings {
    int shape;
    int times;
};
void PrintTo(const Openings& row, std::ostream* out) { *out << "shape " << row.shape << " x" << row.times; }

class UnderWindowManager : public ::testing::TestWithParam<Openings> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb")) << "run by under-window-manager.sh";
        ASSERT_TRUE(m_programFiles.isValid());
        qputenv("ProgramFiles", m_programFiles.path().toUtf8());
        m_previous = tarvol::setMessageService(&m_messages);
        form = std::make_unique<tarvol::TForm1>();
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void TearDown() override
    {
        form.reset();
        tarvol::setMessageService(m_previous);
    }

    void choose(int shape) const
    {
        QComboBox* selector = form->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
        selector->setCurrentIndex(shape);
        emit selector->activated(shape);
    }

    QLabel* visibleThumbnail() const
    {
        for (QLabel* label : form->findChildren<QLabel*>(QRegularExpression(QStringLiteral("^Image\\d+$"))))
            if (label->isVisible())
                return label;
        return nullptr;
    }

    std::unique_ptr<tarvol::TForm1> form;

private:
    QTemporaryDir m_programFiles;
    SilentMessages m_messages;
    tarvol::MessageService* m_previous = nullptr;
};

TEST_P(UnderWindowManager, EveryShowingHasTheTablesOuterSize)
{
    const auto [k, times] = GetParam();
    const QSize expected = tarvol::presentation(k).viewerSize;
    TForm2* viewer = form->pictureViewer();
    QPoint firstPosition;
    for (int opening = 1; opening <= times; ++opening) {
        SCOPED_TRACE(opening);
        choose(k == 1 ? 0 : 1); // another shape first: its set-up closes the viewer
        choose(k);
        QLabel* thumbnail = visibleThumbnail();
        ASSERT_NE(thumbnail, nullptr);
        QTest::mouseClick(thumbnail, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(viewer));

        // the size may be set again once the window manager has told its frame; then it must hold
        QRect outer;
        const bool reached = QTest::qWaitFor(
            [&] {
                outer = outerGeometry(viewer->winId());
                return outer.size() == expected;
            },
            3000);
        EXPECT_TRUE(reached) << outer.width() << "x" << outer.height();
        QTest::qWait(800); // past the viewer's own checks: what stays is what the user gets
        outer = outerGeometry(viewer->winId());
        EXPECT_EQ(outer.size(), expected);
        EXPECT_EQ(viewer->frameGeometry().size(), expected);
        EXPECT_EQ(viewer->windowTitle(), name(k));
        EXPECT_TRUE(viewer->drawing(k)->isVisible());
        EXPECT_EQ(viewer->drawing(k)->geometry(), viewer->rect()); // the drawing fills the client area
        if (opening == 1)
            firstPosition = outer.topLeft();
        else
            EXPECT_EQ(outer.topLeft(), firstPosition) << "later showings keep the position";
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, UnderWindowManager,
                         ::testing::Values(Openings{0, 25}, Openings{1, 25}, Openings{18, 25}, Openings{21, 25},
                                           Openings{25, 25}),
                         [](const auto& testInfo) { return "Shape" + std::to_string(testInfo.param.shape); });

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
