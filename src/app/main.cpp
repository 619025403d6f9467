#include "app/Application.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {
// Answers --version and --help without a display; true when one of them was asked.
bool answerInformationOption(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("Vorlane %s\n", VORLANE_VERSION);
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Usage: vorlane [--version | --help]\n\n"
                        "Records USB turntables and audio adapters to WAV, MP3 or WMA files.\n"
                        "Started without options, it opens its panel (or shows the one already\n"
                        "running). Settings and the catalogue of recordings are kept in\n"
                        "$XDG_DATA_HOME/vorlane (~/.local/share/vorlane), or in the folder\n"
                        "named by VORLANE_HOME.\n");
            return true;
        }
    }
    return false;
}
} // namespace

int main(int argc, char** argv) {
    if (answerInformationOption(argc, argv))
        return 0;
    // Any other argument is ignored; Qt's own (-platform ...) still apply.
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
