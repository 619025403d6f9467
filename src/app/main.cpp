#include "app/Application.h"

#include <QApplication>
#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
    // The program takes no arguments; Qt's own (-platform ...) still apply.
    std::srand(unsigned(std::time(nullptr)));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorlane"));
    QApplication::setQuitOnLastWindowClosed(false);

    vorlane::Application vorlane;
    if (!vorlane.start())
        return 1;
    return QApplication::exec();
}
