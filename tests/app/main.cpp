#include <clocale>

#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char* argv[])
{
    // listing the tests creates the application too, before ctest's environment applies
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
