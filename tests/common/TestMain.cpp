// Test entry: a QApplication (offscreen in CI) for every test executable, then GoogleTest, with a
// message handler that fails a test on a warning it did not expect (tests/common/Warnings.h).
#include "tests/common/Warnings.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Settings of the tests' own (a page chosen for printing, a tip's place): the user's are
    // neither read nor written.
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    testwarnings::InstallHandler();
    return RUN_ALL_TESTS();
}
