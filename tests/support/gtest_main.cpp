// Test entry point: a QCoreApplication exists for the tests that need one (locales, event processing).
#include <QCoreApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Whatever a test leaves in the per-user folders (settings, run journals) goes to a test location.
    QStandardPaths::setTestModeEnabled(true);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
