// Test entry: a Qt application object exists for the whole run, so tests may use
// timers, queued calls and (in the widget tests) windows.
#include <gtest/gtest.h>

#ifdef ORMIX_TEST_WIDGETS
#include <QApplication>
using TestApp = QApplication;
#else
#include <QCoreApplication>
using TestApp = QCoreApplication;
#endif

int main(int argc, char **argv) {
    // Tests never need a display, also when ctest lists them at build time.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApp app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
