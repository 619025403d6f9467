#pragma once

#include "E2eSupport.h"
#include "TestProgramFolder.h"

#include <QProcess>
#include <QStringList>
#include <csignal>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace vorlane::test {

// The real program as a process of its own on a test's program folder: offscreen, in the
// folder's private session (see usePrivateSession). `env` adds variables (a simulated device,
// a capture file, ...). What it prints on stderr is kept in a file of the folder.
class ProgramProcess {
public:
    using Env = std::vector<std::pair<QString, QString>>;

    // `executable`: another copy of the program (an installed layout); `unset`: variables
    // it must not see; `args`: its command line.
    explicit ProgramProcess(const TestProgramFolder& folder, const Env& env = {},
                            const QString& executable = VORLANE_EXECUTABLE,
                            const QStringList& unset = {}, const QStringList& args = {}) {
        usePrivateSession(folder);
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        e.insert("QT_QPA_PLATFORM", "offscreen");
        for (const auto& [name, value] : env)
            e.insert(name, value);
        for (const QString& name : unset)
            e.remove(name);
        static int runs = 0;
        errorFile_ = folder / ("stderr-" + std::to_string(++runs) + ".txt");
        process.setProcessEnvironment(e);
        process.setStandardErrorFile(QString::fromStdString(errorFile_.string()));
        process.start(executable, args);
    }
    ~ProgramProcess() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    std::string errors() const { return readBytes(errorFile_); }
    // Only while it runs: the id of an ended process is 0, and kill(0) would signal the
    // test's whole process group.
    void signal(int number) {
        if (const auto pid = pid_t(process.processId()); pid > 0)
            ::kill(pid, number);
    }
    // Sends the signal; true when the program then ends normally with 0 within `ms`.
    bool endInOrder(int number = SIGTERM, int ms = 20000) {
        signal(number);
        return finished(ms) && endedWith(0);
    }
    // The program has ended, or ends within `ms`.
    bool finished(int ms) {
        return process.state() == QProcess::NotRunning || process.waitForFinished(ms);
    }
    bool endedWith(int code) const {
        return process.state() == QProcess::NotRunning &&
               process.exitStatus() == QProcess::NormalExit && process.exitCode() == code;
    }

    QProcess process;

private:
    std::filesystem::path errorFile_;
};

} // namespace vorlane::test
