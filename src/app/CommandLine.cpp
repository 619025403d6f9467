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
};

using A = CommandLine::Action;

// Every option the program understands. New options of the program go here.
constexpr Option kOptions[] = {
    {"--version", Value::None, A::Version, false},
    {"--help", Value::None, A::Help, false},
    {"-h", Value::None, A::Help, false},
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
    return {A::Error, "vorlane: " + text + " (see 'vorlane --help')"};
}

} // namespace

CommandLine::Result CommandLine::Parse(int argc, const char* const* argv) {
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
        if (found->action != A::Run)
            return {found->action, {}};
    }
    return {};
}

std::string_view CommandLine::HelpText() {
    return "Usage: vorlane [--version | --help]\n\n"
           "Records USB turntables and audio adapters to WAV, MP3 or WMA files.\n"
           "Started without options, it opens its panel (or shows the one already\n"
           "running). Settings and the catalogue of recordings are kept in\n"
           "$XDG_DATA_HOME/vorlane (~/.local/share/vorlane), or in the folder\n"
           "named by VORLANE_HOME.\n";
}

} // namespace vorlane
