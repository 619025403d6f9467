#pragma once

#include <string>

namespace vorlane {

// The folder that holds the program's data files (Configure/, Language/, Resource/).
// It is the folder of the running executable unless VORLANE_HOME names another.
// Read anew on each call so that tests can point it elsewhere. Never ends in '/'.
class ProgramFolder {
public:
    static std::string path();
    // Documents folder of the current user (XDG), without a trailing '/'.
    static std::string documentsFolder();
    // The per-user configuration folder ($XDG_CONFIG_HOME or ~/.config).
    static std::string userConfigFolder();
    // Full path of the running executable.
    static std::string executablePath();
};

} // namespace vorlane
