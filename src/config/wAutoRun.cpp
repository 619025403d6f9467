#include "wAutoRun.h"

#include "config/wAtomicFile.h"
#include "platform/ProgramFolder.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace vorlane {

namespace {

constexpr std::string_view kGroup = "[Desktop Entry]";

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// The escapes of a string value: \s \n \t \r \\. Others stay as written, so that a
// command line's own \" still reaches the quoting rules.
std::string unescapeValue(std::string_view v) {
    std::string out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '\\' || i + 1 == v.size()) {
            out += v[i];
            continue;
        }
        switch (v[++i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += v[i];
        }
    }
    return out;
}

std::string escapeValue(std::string_view v) {
    std::string out;
    for (char c : v) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

std::string wAutoRun::entryPath() {
    return ProgramFolder::userConfigFolder() + "/autostart/Kestova.desktop";
}

std::string wAutoRun::execFromProgram(std::string_view programPath) {
    const bool quote = programPath.find_first_of(" \t\n\"'\\><~|&;$*?#`") != std::string::npos;
    std::string command;
    if (quote)
        command += '"';
    for (char c : programPath) {
        if (c == '%')
            command += '%'; // '%' starts a field code
        else if (quote && (c == '"' || c == '`' || c == '$' || c == '\\'))
            command += '\\';
        command += c;
    }
    if (quote)
        command += '"';
    return escapeValue(command);
}

std::string wAutoRun::programFromExec(std::string_view exec) {
    const std::string command = unescapeValue(exec);
    std::size_t i = command.find_first_not_of(" \t\n");
    if (i == std::string::npos)
        return {};
    std::string arg;
    if (command[i] == '"') {
        for (++i;; ++i) {
            if (i >= command.size())
                return {}; // unterminated quote
            char c = command[i];
            if (c == '"')
                break;
            if (c == '\\' && i + 1 < command.size()) {
                char next = command[i + 1];
                if (next == '"' || next == '`' || next == '$' || next == '\\') {
                    c = next;
                    ++i;
                }
            }
            arg += c;
        }
    } else {
        std::size_t end = command.find_first_of(" \t\n", i);
        arg = command.substr(i, end == std::string::npos ? std::string::npos : end - i);
    }
    std::string program;
    for (std::size_t k = 0; k < arg.size(); ++k) {
        program += arg[k];
        if (arg[k] == '%' && k + 1 < arg.size() && arg[k + 1] == '%')
            ++k;
    }
    return program;
}

std::string wAutoRun::read() {
    std::ifstream in(entryPath());
    if (!in)
        return {};
    std::string line;
    bool inGroup = false;
    bool seenExec = false, seenHidden = false, seenEnabled = false;
    std::string exec;
    bool hidden = false, disabled = false;
    while (std::getline(in, line)) {
        std::string_view s = trimBlanks(line);
        if (s.empty() || s.front() == '#')
            continue;
        if (s.front() == '[') {
            inGroup = s == kGroup;
            continue;
        }
        std::size_t eq = s.find('=');
        if (!inGroup || eq == std::string_view::npos)
            continue;
        std::string_view key = trimBlanks(s.substr(0, eq));
        std::string_view value = trimBlanks(s.substr(eq + 1));
        // The first occurrence of a key counts.
        if (key == "Exec" && !seenExec) {
            seenExec = true;
            exec = value;
        } else if (key == "Hidden" && !seenHidden) {
            seenHidden = true;
            hidden = value == "true";
        } else if (key == "X-GNOME-Autostart-enabled" && !seenEnabled) {
            seenEnabled = true;
            disabled = value == "false";
        }
    }
    if (hidden || disabled)
        return {};
    return programFromExec(exec);
}

bool wAutoRun::write(std::string_view programPath) {
    if (programPath.empty())
        return false;
    const std::string path = entryPath();
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    std::string entry;
    entry += kGroup;
    entry += "\nType=Application\nName=Vorlane\nExec=";
    entry += execFromProgram(programPath);
    entry += "\nTerminal=false\nX-GNOME-Autostart-enabled=true\n";
    return wAtomicFile::Replace(path, entry);
}

bool wAutoRun::remove() {
    std::error_code ec;
    fs::remove(entryPath(), ec);
    return !ec;
}

} // namespace vorlane
