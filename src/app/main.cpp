#include "app/Application.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
    // The program takes no arguments; Qt's own (-platform ...) still apply.
    std::srand(unsigned(std::time(nullptr)));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorlane"));
    QApplication::setQuitOnLastWindowClosed(false);

    vorlane::Application vorlane;
    switch (vorlane.start()) {
    case vorlane::Application::StartResult::HandedToRunningInstance:
        return 0;
    case vorlane::Application::StartResult::Failed:
        return 1;
    case vorlane::Application::StartResult::Running:
        break;
    }
    const int code = QApplication::exec();
    if (vorlane.leftThreadBehind()) {
        // Everything is saved by now; the stuck thread must not meet destroyed objects.
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
