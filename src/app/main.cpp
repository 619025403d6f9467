#include "app/Application.h"
#include "app/CommandLine.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <ctime>

int main(int argc, char** argv) {
    // Before QApplication: a wrong option must be answered without a display.
    const vorlane::CommandLine::Result options = vorlane::CommandLine::Parse(argc, argv);
    switch (options.action) {
    case vorlane::CommandLine::Action::Version:
        std::printf("Vorlane %s\n", VORLANE_VERSION);
        return 0;
    case vorlane::CommandLine::Action::Help:
        std::fwrite(vorlane::CommandLine::HelpText().data(), 1,
                    vorlane::CommandLine::HelpText().size(), stdout);
        return 0;
    case vorlane::CommandLine::Action::Error:
        std::fprintf(stderr, "%s\n", options.error.c_str());
        return vorlane::CommandLine::UsageError;
    case vorlane::CommandLine::Action::Run:
        break; // Qt's own options (-platform ...) are QApplication's
    }
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
