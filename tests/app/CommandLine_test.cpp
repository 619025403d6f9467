#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vorlane;
using Action = CommandLine::Action;

namespace {

CommandLine::Result parse(std::vector<const char*> args) {
    args.insert(args.begin(), "vorlane");
    return CommandLine::Parse(int(args.size()), args.data());
}

} // namespace

TEST(CommandLine, OwnAndQtOptionsAreTakenAndTheFirstDecisiveOneWins) {
    struct Case {
        std::vector<const char*> args;
        Action action;
    };
    const Case cases[] = {
        {{}, Action::Run},
        {{"--version"}, Action::Version},
        {{"--help"}, Action::Help},
        {{"-h"}, Action::Help},
        // Qt's options stay QApplication's, with their values, in either spelling.
        {{"-platform", "offscreen"}, Action::Run},
        {{"--platform", "offscreen", "-reverse"}, Action::Run},
        {{"-style=fusion", "-stylesheet", "a.qss", "-qmljsdebugger=port:1234"}, Action::Run},
        {{"-display", ":1", "-name", "v", "-session", "id", "-widgetcount"}, Action::Run},
        // A value is never read as an option.
        {{"-qwindowtitle", "--help"}, Action::Run},
        {{"-platform", "offscreen", "--version"}, Action::Version},
        {{"--help", "--bogus"}, Action::Help},
        {{"--bogus", "--version"}, Action::Error},
        {{"--record"}, Action::Command},
        {{"-platform", "offscreen", "--status", "-reverse"}, Action::Command},
        {{"--stop", "--help"}, Action::Help},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const char* a : c.args)
            line += std::string(a) + " ";
        const CommandLine::Result r = parse(c.args);
        EXPECT_EQ(r.action, c.action) << line << r.error;
        EXPECT_EQ(r.error.empty(), c.action != Action::Error) << line;
    }
}

TEST(CommandLine, EverythingElseIsOneLineThatNamesIt) {
    struct Case {
        std::vector<const char*> args;
        std::string says;
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option '--bogus'"},
        {{"-bogus"}, "unknown option '-bogus'"},
        {{"-v"}, "unknown option '-v'"},
        {{"-version"}, "unknown option '-version'"}, // the program's own: as listed only
        {{"---platform", "x"}, "unknown option '---platform'"},
        {{"-platform=offscreen"}, "unknown option '-platform=offscreen'"}, // Qt would ignore it
        {{"-platform"}, "option '-platform' needs a value"},
        {{"-qmljsdebugger"}, "option '-qmljsdebugger' needs '=' and a value"},
        {{"record.wav"}, "unexpected argument 'record.wav'"},
        {{"-"}, "unexpected argument '-'"},
        {{"--"}, "unexpected argument '--'"},
        {{"-platform", "offscreen", "extra"}, "unexpected argument 'extra'"},
        {{"--stop", "--quit"}, "one command at a time, not '--stop' and '--quit'"},
        {{"--record", "--record"}, "one command at a time, not '--record' and '--record'"},
        {{"-stop"}, "unknown option '-stop'"},
        {{"--status", "now"}, "unexpected argument 'now'"},
    };
    for (const Case& c : cases) {
        const CommandLine::Result r = parse(c.args);
        EXPECT_EQ(r.action, Action::Error) << c.says;
        EXPECT_EQ(r.error, "vorlane: " + c.says + " (see 'vorlane --help')");
        EXPECT_EQ(r.error.find('\n'), std::string::npos);
    }
}

TEST(CommandLine, EachCommandOptionNamesItsCommandForTheRunningInstance) {
    const std::pair<const char*, const char*> cases[] = {
        {"--record", "record"}, {"--stop", "stop"}, {"--pause", "pause"}, {"--divide", "divide"},
        {"--status", "status"}, {"--show", "show"}, {"--quit", "quit"}};
    for (const auto& [option, command] : cases) {
        const CommandLine::Result r = parse({"-platform", "offscreen", option});
        EXPECT_EQ(r.action, Action::Command) << option;
        EXPECT_EQ(r.command, command);
        // The help lists it.
        EXPECT_NE(CommandLine::HelpText().find(option), std::string_view::npos) << option;
    }
}
