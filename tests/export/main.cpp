#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>
#include <QStandardPaths>

int main(int argc, char** argv)
{
    // test discovery runs the binary outside ctest's environment too
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true); // the recent files go to a test folder, not the user's settings
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
