#pragma once

#include <filesystem>
#include <string>

namespace vorlane {

// The program folder of one user of an installed program. The package ships Configure/,
// Language/ and Resource/ read-only; the user's folder holds its own copy of the files the
// program writes (the settings file, and the catalogue it creates in Resource/) and
// symbolic links to everything else, so that every path built from the program folder
// works and a newer package's skin and languages show through after an upgrade.
class UserProgramFolder {
public:
    // Creates or refreshes `user` from `shipped`: copies the settings file when the user has
    // none, links every other shipped entry, repoints links left by an older installation
    // and drops links whose shipped file is gone. Files the user owns are never replaced.
    // Safe against a second start doing the same at the same time. Returns an empty text
    // on success, else what failed.
    static std::string Prepare(const std::filesystem::path& shipped,
                               const std::filesystem::path& user);
    // Renames a damaged file of the user's own to "<name>.damaged-YYYYMMDD-HHMMSS" (plus a
    // counter when that is taken), so that the next Prepare copies the shipped file in its
    // place and the damaged one is kept. Returns the new name, or "" with `error` set.
    static std::filesystem::path SetAside(const std::filesystem::path& file, std::string& error);
};

} // namespace vorlane
