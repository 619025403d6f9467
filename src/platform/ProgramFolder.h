#pragma once

#include <string>

namespace vorlane {

// The folder that holds the program's data files (Configure/, Language/, Resource/).
// It is VORLANE_HOME when set; else the folder of the running executable when the data lie
// beside it (a build tree); else, for an installed program whose data are shipped
// read-only under <prefix>/share/vorlane, the user's own folder under $XDG_DATA_HOME.
// Read anew on each call so that tests can point it elsewhere. Never ends in '/'.
class ProgramFolder {
public:
    static std::string path();
    // The read-only data of an installed program; empty when the program is not installed
    // (or runs on VORLANE_HOME).
    static std::string shippedFolder();
    // $XDG_DATA_HOME/vorlane, or ~/.local/share/vorlane.
    static std::string userDataFolder();
    // Makes or refreshes the user's program folder of an installed program (nothing to do
    // otherwise). Returns an empty text on success, else what failed.
    static std::string prepare();
    // Documents folder of the current user (XDG), without a trailing '/'.
    static std::string documentsFolder();
    // The per-user configuration folder ($XDG_CONFIG_HOME or ~/.config).
    static std::string userConfigFolder();
    // Full path of the running executable.
    static std::string executablePath();
};

} // namespace vorlane
