#pragma once

#include <string>
#include <string_view>

namespace vorlane {

// The program's autorun entry: the XDG autostart file
// $XDG_CONFIG_HOME/autostart/Kestova.desktop, read by the desktop session at log-in.
// The entry exists (read() is not empty) when the file is there, names a program in its
// Exec line and has not been switched off by the desktop (Hidden=true or
// X-GNOME-Autostart-enabled=false), so a user's choice in the desktop's own settings is
// respected.
class wAutoRun {
public:
    static std::string entryPath();

    // The program path of the entry; empty when there is no (enabled) entry.
    static std::string read();
    // Creates or replaces the entry so that it starts `programPath`. Atomic.
    static bool write(std::string_view programPath);
    // Deletes the entry; true also when there was none.
    static bool remove();

    // The Exec value that runs `programPath` with no arguments: quoted when the path holds
    // characters the Desktop Entry rules reserve, '%' doubled, and backslashes and control
    // characters escaped as a string value requires.
    static std::string execFromProgram(std::string_view programPath);
    // The program of an Exec value (its first argument, unescaped); empty when malformed.
    static std::string programFromExec(std::string_view exec);
};

} // namespace vorlane
