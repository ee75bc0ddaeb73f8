// Entry point of the window tests: they need a QApplication (the other test programs use the
// QCoreApplication main of tests/support, which this file's main replaces at link time). The tests run
// offscreen unless the environment names another platform, also when CTest lists them at build time.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
