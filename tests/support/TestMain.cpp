// main() of the test binaries: headless Qt platform and the null audio device
// unless the caller chose otherwise, a state folder of their own (recovery
// copies of the windows they open never reach the user's), a Qt application
// object for the test's whole life (a QApplication for GUI tests), then
// GoogleTest.
#include <gtest/gtest.h>

#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdlib>

#ifdef LUMIDEX_GUI_TEST
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("LUMIDEX_AUDIO", "null", 0);
    QTemporaryDir stateHome;
    setenv("XDG_STATE_HOME", stateHome.path().toLocal8Bit().constData(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    TestApplication app(argc, argv);
    // Caches and settings the code under test writes (the waveform cache of a
    // window that opens a chart) go to Qt's test folders, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    return RUN_ALL_TESTS();
}
