#include "app/CommandLine.h"

namespace vorlane {

namespace {

enum class Value {
    None,           // a flag
    Next,           // the next argument is the value
    NextOrAttached, // the next argument, or "-name=value"
    Attached,       // only "-name=value"
};

struct Option {
    std::string_view name;
    Value value;
    CommandLine::Action action;
    // Qt's own options are spelt with one dash or two, as Qt reads them; the program's own
    // only as listed.
    bool qt;
    // Action::Command: the command handed to the running instance.
    std::string_view command = {};
};

using A = CommandLine::Action;

// Every option the program understands. New options of the program go here.
constexpr Option kOptions[] = {
    {"--version", Value::None, A::Version, false},
    {"--help", Value::None, A::Help, false},
    {"-h", Value::None, A::Help, false},
    // Commands for the running instance.
    {"--record", Value::None, A::Command, false, "record"},
    {"--stop", Value::None, A::Command, false, "stop"},
    {"--pause", Value::None, A::Command, false, "pause"},
    {"--divide", Value::None, A::Command, false, "divide"},
    {"--status", Value::None, A::Command, false, "status"},
    {"--show", Value::None, A::Command, false, "show"},
    {"--quit", Value::None, A::Command, false, "quit"},
    // QGuiApplication and the platform plugins.
    {"platform", Value::Next, A::Run, true},
    {"platformpluginpath", Value::Next, A::Run, true},
    {"platformtheme", Value::Next, A::Run, true},
    {"plugin", Value::Next, A::Run, true},
    {"qwindowgeometry", Value::Next, A::Run, true},
    {"qwindowicon", Value::Next, A::Run, true},
    {"qwindowtitle", Value::Next, A::Run, true},
    {"session", Value::Next, A::Run, true},
    {"reverse", Value::None, A::Run, true},
    {"testability", Value::None, A::Run, true},
    {"display", Value::Next, A::Run, true},
    {"geometry", Value::Next, A::Run, true},
    {"title", Value::Next, A::Run, true},
    {"icon", Value::Next, A::Run, true},
    {"name", Value::Next, A::Run, true},
    {"visual", Value::Next, A::Run, true},
    {"sync", Value::None, A::Run, true},
    {"nograb", Value::None, A::Run, true},
    {"dograb", Value::None, A::Run, true},
    // QApplication and QCoreApplication.
    {"style", Value::NextOrAttached, A::Run, true},
    {"stylesheet", Value::NextOrAttached, A::Run, true},
    {"widgetcount", Value::None, A::Run, true},
    {"qmljsdebugger", Value::Attached, A::Run, true},
};

// The option's name as Qt reads it: one leading dash of "--name" dropped.
std::string_view qtName(std::string_view arg) {
    if (arg.starts_with("--"))
        arg.remove_prefix(1);
    if (!arg.starts_with('-') || arg.size() < 2)
        return {};
    return arg.substr(1);
}

std::string quoted(std::string_view s) {
    return "'" + std::string(s) + "'";
}

CommandLine::Result error(std::string text) {
    return {A::Error, "vorlane: " + text + " (see 'vorlane --help')", {}};
}

} // namespace

CommandLine::Result CommandLine::Parse(int argc, const char* const* argv) {
    // A command is remembered and the rest read on: Qt's options may follow it, and a
    // second command would otherwise be dropped without a word.
    const Option* command = nullptr;
    std::string_view commandArg;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i] ? argv[i] : "";
        if (!arg.starts_with('-') || arg == "-" || arg == "--")
            return error("unexpected argument " + quoted(arg));
        const std::string_view qt = qtName(arg);
        const Option* found = nullptr;
        bool attached = false;
        for (const Option& o : kOptions) {
            if (!o.qt) {
                if (arg == o.name)
                    found = &o;
            } else if (qt == o.name) {
                found = &o;
            } else if ((o.value == Value::NextOrAttached || o.value == Value::Attached) &&
                       qt.starts_with(o.name) && qt.size() > o.name.size() &&
                       qt[o.name.size()] == '=') {
                found = &o;
                attached = true;
            }
            if (found)
                break;
        }
        if (!found)
            return error("unknown option " + quoted(arg));
        if (!attached && found->value == Value::Attached)
            return error("option " + quoted(arg) + " needs '=' and a value");
        if (!attached && (found->value == Value::Next || found->value == Value::NextOrAttached)) {
            if (i + 1 >= argc || !argv[i + 1])
                return error("option " + quoted(arg) + " needs a value");
            ++i;
        }
        if (found->action == A::Command) {
            if (command)
                return error("one command at a time, not " + quoted(commandArg) + " and " +
                             quoted(arg));
            command = found;
            commandArg = arg;
        } else if (found->action != A::Run) {
            return {found->action, {}, {}};
        }
    }
    if (command)
        return {A::Command, {}, std::string(command->command)};
    return {};
}

std::string_view CommandLine::HelpText() {
    return "Usage: vorlane [--version | --help]\n"
           "       vorlane [--record | --stop | --pause | --divide | --status | --show | --quit]\n"
           "\n"
           "Records USB turntables and audio adapters to WAV, MP3, WMA or FLAC files.\n"
           "Started without options, it opens its panel (or shows the one already\n"
           "running). Settings and the catalogue of recordings are kept in\n"
           "$XDG_DATA_HOME/vorlane (~/.local/share/vorlane), or in the folder\n"
           "named by VORLANE_HOME.\n"
           "\n"
           "Commands for the running program, each acting as its panel's button does:\n"
           "  --record   start recording; when the program is not running, start it\n"
           "             and record once a device is found (waiting up to 15 s)\n"
           "  --stop     stop recording\n"
           "  --pause    pause recording, or go on when paused (as the button toggles)\n"
           "  --divide   close the current file and go on recording into the next\n"
           "  --status   print one line: STATE elapsed=HH:MM:SS dropouts=N file=PATH\n"
           "             STATE is idle, recording, paused or scheduler; elapsed is the\n"
           "             current file's time; file= runs to the end of the line and is\n"
           "             empty when nothing records\n"
           "  --show     show the panel\n"
           "  --quit     end the program as its Exit does, and wait until it has ended\n"
           "A command ends with status 0 once done; otherwise it prints one line saying\n"
           "why on standard error and ends with status 1 (so when the program is not\n"
           "running: \"Vorlane is not running\").\n";
}

} // namespace vorlane
