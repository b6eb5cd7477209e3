// The picture viewer: size and caption per shape, first-show centring, reopening, closing.

#include <gtest/gtest.h>

#include <QApplication>
#include <QSvgWidget>
#include <QTest>

#include "calc/catalogue.h"
#include "viewer/presentation.h"
#include "viewer/tform2.h"

namespace {

class Viewer : public ::testing::Test {
protected:
    void SetUp() override
    {
        main.setGeometry(100, 80, 888, 626);
        main.show();
    }
    QString selected = QString::fromStdString(std::string(tarvol::shape(0).name));
    QWidget main;
    TForm2 viewer{&main, [this] { return selected; }};

    int visibleDrawings() const
    {
        int n = 0;
        for (int k = 0; k < tarvol::kShapeCount; ++k)
            n += viewer.drawing(k)->isVisible();
        return n;
    }
};

class ViewerSize : public Viewer, public ::testing::WithParamInterface<int> {};

TEST_P(ViewerSize, TakesTheDrawingsSizeAndTitle)
{
    const int k = GetParam();
    const auto& info = tarvol::shape(k);
    selected = QString::fromStdString(std::string(info.name));
    viewer.Image26Click();
    ASSERT_TRUE(viewer.isVisible());
    EXPECT_EQ(viewer.windowTitle(), selected);
    EXPECT_EQ(viewer.frameGeometry().size(), tarvol::presentation(k).viewerSize);
    EXPECT_TRUE(viewer.drawing(k)->isVisible());
    EXPECT_EQ(viewer.drawing(k)->geometry(), viewer.rect());
    EXPECT_EQ(visibleDrawings(), 1);
}

INSTANTIATE_TEST_SUITE_P(EveryShape, ViewerSize, ::testing::Range(0, tarvol::kShapeCount));

TEST_F(Viewer, CentredOnFirstShowOnly)
{
    viewer.Image26Click();
    const QRect own = viewer.frameGeometry();
    const QRect m = main.frameGeometry();
    EXPECT_EQ(own.left(), m.left() + (m.width() - own.width()) / 2);
    EXPECT_EQ(own.top(), m.top() + (m.height() - own.height()) / 2);
    viewer.move(30, 40);
    viewer.close();
    viewer.Image26Click();
    EXPECT_EQ(viewer.frameGeometry().topLeft(), QPoint(30, 40));
}

TEST_F(Viewer, ReopensAtTheTableSizeAfterAUserResize)
{
    viewer.Image26Click();
    viewer.resize(200, 150);
    EXPECT_EQ(viewer.drawing(0)->size(), QSize(200, 150)); // the drawing follows the window
    viewer.close();
    EXPECT_EQ(visibleDrawings(), 0);
    viewer.Image26Click();
    EXPECT_EQ(viewer.frameGeometry().size(), QSize(378, 378));
}

TEST_F(Viewer, EscapeCloses)
{
    viewer.Image26Click();
    QTest::keyClick(&viewer, Qt::Key_Escape);
    EXPECT_FALSE(viewer.isVisible());
}

TEST_F(Viewer, SecondClickOnlyRaises)
{
    viewer.Image26Click();
    viewer.resize(300, 300);
    selected = QString::fromStdString(std::string(tarvol::shape(8).name));
    viewer.Image26Click();
    EXPECT_EQ(viewer.windowTitle(), QString::fromStdString(std::string(tarvol::shape(0).name)));
    EXPECT_EQ(viewer.size(), QSize(300, 300));
}

TEST_F(Viewer, ClosesOnShapeChange)
{
    viewer.Image26Click();
    viewer.closeViewer();
    EXPECT_FALSE(viewer.isVisible());
    EXPECT_EQ(visibleDrawings(), 0);
}

TEST_F(Viewer, UnknownTextShowsNoDrawing)
{
    selected.clear();
    viewer.Image26Click();
    EXPECT_EQ(viewer.windowTitle(), QString());
    EXPECT_EQ(visibleDrawings(), 0);
}

} // namespace

int main(int argc, char** argv)
{
    // widget tests never need a display
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
