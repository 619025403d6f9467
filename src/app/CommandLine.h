#pragma once

#include <string>
#include <string_view>

namespace vorlane {

// Reads the command line before any Qt object exists, so that a mistyped option is
// answered without a display. The options are one table: the program's own (--version,
// --help, and the commands for the running instance: --record, --stop, ...) and Qt's,
// which are left in place for QApplication to take. Anything else is an error.
//
//     const CommandLine::Result r = CommandLine::Parse(argc, argv);
//     if (r.action == CommandLine::Action::Error) { fputs(r.error), return UsageError; }
//
// Thread contract: pure functions.
class CommandLine {
public:
    enum class Action {
        Run,     // start the program (Qt's options, if any, go to QApplication)
        Version, // print the version and end
        Help,    // print the help text and end
        Error,   // print `error` on standard error and end with UsageError
        Command, // hand `command` to the running instance (record: start one when none runs)
    };

    struct Result {
        Action action = Action::Run;
        std::string error;   // one line, without the line break
        std::string command; // Action::Command: "record", "stop", "pause", "divide", ...
    };

    // The exit status of a command line that cannot be understood.
    static constexpr int UsageError = 2;

    // argv[0] is the program; the rest is read in order, and the first option that ends
    // the program (--version, --help, an error) decides. One command at most, with Qt's
    // options before or after it.
    static Result Parse(int argc, const char* const* argv);

    static std::string_view HelpText();
};

} // namespace vorlane
