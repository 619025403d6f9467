#pragma once

#include <string>

namespace vorlane {

class ADOConnection;

struct CatalogueOpenReport {
    bool opened = false;
    bool created = false;     // a new, empty catalogue was made and opened
    bool readOnly = false;    // opened, but writes will fail
    std::string setAsidePath; // where an unusable file was moved; empty when none was
    std::string message;      // one sentence for the user; empty when there is nothing to say
};

// Opens the catalogue at start-up. A missing file is created with both tables. A file that
// is not a usable catalogue is never overwritten or deleted: it is renamed beside itself
// (".damaged-YYYYMMDD-HHMMSS") and a new one is made. A file locked by another program is
// tried a few times, at most a few seconds in all; after that the program goes on without
// a catalogue. Runs on the device thread, before the connection is handed to the main thread.
class CatalogueOpener {
public:
    static constexpr int kAttempts = 3;
    static constexpr int kAttemptBusyTimeoutMs = 1000;
    static constexpr int kPauseMs = 250;

    // Program folder + "/Resource/NewData.mdb".
    static std::string defaultPath();
    static CatalogueOpenReport open(ADOConnection& connection, const std::string& path);
};

} // namespace vorlane
