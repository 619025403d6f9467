#include <QCoreApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // No test may reach the desktop of the user who runs it (notifications, tray); a test
    // that needs a session bus starts its own.
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vorlane-tests-session-bus", 1);
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
