#include "app/InstanceClient.h"

#include "platform/wSingleInstance.h"

#include <QElapsedTimer>
#include <QString>
#include <QThread>
#include <algorithm>

namespace vorlane {

namespace {
// How soon an instance that is still starting is asked again.
constexpr int kBusyRetryMs = 200;

int fail(std::FILE* err, const std::string& line) {
    std::fprintf(err, "%s\n", line.c_str());
    return 1;
}
} // namespace

int InstanceClient::Run(const char* key, const std::string& command, std::FILE* out,
                        std::FILE* err) {
    using Outcome = wSingleInstance::Exchange::Outcome;
    using Status = InstanceProtocol::Status;
    wSingleInstance instance(QString::fromLatin1(key));
    QElapsedTimer elapsed;
    elapsed.start();
    for (;;) {
        const int left = int(kAnswerMs - elapsed.elapsed());
        const wSingleInstance::Exchange ex =
            instance.request(command, std::max(1, left), command == "quit" ? kEndMs : 0);
        switch (ex.outcome) {
        case Outcome::NotRunning:
            return fail(err, "Vorlane is not running");
        case Outcome::NoAnswer:
            return fail(err,
                        "Vorlane did not answer within " + std::to_string(kAnswerMs / 1000) + " s");
        case Outcome::Answered:
            break;
        }
        if (!ex.answer.valid)
            return fail(err, "Vorlane gave an answer this program cannot read (another version "
                             "may be running)");
        switch (ex.answer.status) {
        case Status::Ok:
            if (!ex.answer.text.empty())
                std::fprintf(out, "%s\n", ex.answer.text.c_str());
            if (command == "quit" && !ex.ended)
                return fail(err,
                            "Vorlane did not end within " + std::to_string(kEndMs / 1000) + " s");
            return 0;
        case Status::Busy:
            if (elapsed.elapsed() + kBusyRetryMs < kAnswerMs) {
                QThread::msleep(kBusyRetryMs);
                continue;
            }
            return fail(err, ex.answer.text);
        case Status::Error:
            return fail(err, ex.answer.text);
        case Status::Bad:
            return fail(err, "Vorlane did not take the command: " + ex.answer.text);
        }
    }
}

} // namespace vorlane
