#pragma once

#include <cstdio>
#include <string>

namespace vorlane {

// The command-line side of vorlane --stop, --status, ...: hands one command to the running
// instance of this user and reports as a command-line tool does: the answer's text (the
// status line) on standard output and 0, or one line on standard error and 1. Needs no
// display. Every wait is bounded: a busy or stuck instance costs kAnswerMs at most, and
// --quit then waits at most kEndMs for the program to end.
//
// Thread contract: the main thread of a process with a QCoreApplication.
class InstanceClient {
public:
    static constexpr int kAnswerMs = 15000;
    static constexpr int kEndMs = 30000;

    // `key`: the instance's name (Application::kInstanceKey).
    static int Run(const char* key, const std::string& command, std::FILE* out, std::FILE* err);
};

} // namespace vorlane
