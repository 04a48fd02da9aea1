// Test entry: a Qt application object exists for the whole run, so tests may use
// timers, queued calls, documents and fonts (in the gui tests) and windows (in the widget
// tests).
#include <gtest/gtest.h>

#ifdef ORMIX_TEST_WIDGETS
#include <QApplication>
using TestApp = QApplication;
#elif defined(ORMIX_TEST_GUI)
#include <QGuiApplication>
using TestApp = QGuiApplication;
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
