#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/InstanceClient.h"
#include "platform/wSingleInstance.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <utility>

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
    case vorlane::CommandLine::Action::Command:
    case vorlane::CommandLine::Action::Run:
        break; // Qt's own options (-platform ...) are QApplication's
    }
    // A command for the running instance needs no display. Only --record with no instance
    // running goes on as a start, holding the instance it has claimed.
    std::unique_ptr<vorlane::wSingleInstance> claimed;
    if (options.action == vorlane::CommandLine::Action::Command) {
        if (options.command == "record") {
            claimed = std::make_unique<vorlane::wSingleInstance>(
                QString::fromLatin1(vorlane::Application::kInstanceKey));
            if (!claimed->claim())
                claimed.reset();
        }
        if (!claimed) {
            QCoreApplication app(argc, argv);
            return vorlane::InstanceClient::Run(vorlane::Application::kInstanceKey, options.command,
                                                stdout, stderr);
        }
    }
    std::srand(unsigned(std::time(nullptr)));
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorlane"));
    QApplication::setQuitOnLastWindowClosed(false);

    vorlane::Application vorlane;
    vorlane::Application::StartOptions start;
    start.record = claimed != nullptr;
    start.claimed = std::move(claimed);
    switch (vorlane.start(std::move(start))) {
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
