#pragma once

#include "TestProgramFolder.h"
#include "ToneFile.h"
#include "config/wIniFile.h"

#include <QString>

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace vorlane::test {

// Adds what the build generates into the program folder (the skin bitmaps and icons) to
// a test's program folder, leaving out any catalogue of the build's own runs.
inline void copyGeneratedResources(const TestProgramFolder& folder) {
    namespace fs = std::filesystem;
    const fs::path from = fs::path(VORLANE_PROGRAM_DIR) / "Resource";
    for (auto it = fs::recursive_directory_iterator(from); it != fs::recursive_directory_iterator();
         ++it) {
        const fs::path rel = fs::relative(it->path(), from);
        if (rel.string().rfind("NewData.mdb", 0) == 0)
            continue;
        const fs::path to = folder.path() / "Resource" / rel;
        if (it->is_directory())
            fs::create_directories(to);
        else if (!fs::exists(to)) {
            fs::create_directories(to.parent_path());
            fs::copy_file(it->path(), to);
        }
    }
}

#ifdef VORLANE_EXECUTABLE
// Lays the program out as the package installs it: <prefix>/bin/vorlane, with `shipped`
// (given the generated resources) as <prefix>/share/vorlane, the prefix inside `work`.
// Answers the program's path.
inline QString installProgram(const TestProgramFolder& shipped, const TestProgramFolder& work) {
    namespace fs = std::filesystem;
    copyGeneratedResources(shipped);
    const fs::path prefix = work / "prefix";
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share");
    fs::copy_file(VORLANE_EXECUTABLE, prefix / "bin/vorlane");
    fs::create_directory_symlink(shipped.path(), prefix / "share/vorlane");
    return QString::fromStdString((prefix / "bin/vorlane").string());
}
#endif

// The program in this process: no sound output, and its runtime files and shared table
// kept private to the test's folder.
inline void usePrivateSession(const TestProgramFolder& folder) {
    ::setenv("VORLANE_AUDIO_OUTPUT", "null", 1);
    ::setenv("XDG_RUNTIME_DIR", folder.path().c_str(), 1);
    ::setenv("XDG_DOCUMENTS_DIR", (folder / "docs").c_str(), 1);
    ::setenv("VORLANE_HID_TABLE", ("/vorlane-e2e-" + folder.path().filename().string()).c_str(), 1);
}

// A private session with the simulated "USB PnP Audio Device", capturing `input` in real
// time.
inline void useSimulatedSession(const TestProgramFolder& folder,
                                const std::filesystem::path& input) {
    usePrivateSession(folder);
    ::setenv("VORLANE_SIM_DEVICE", "usbpnp", 1);
    ::setenv("VORLANE_CAPTURE_FILE", input.c_str(), 1);
    ::setenv("VORLANE_CAPTURE_SPEED", "1", 1);
}

// Sets keys of one section of the folder's settings file before the program reads it.
inline void writeSettings(const TestProgramFolder& folder, const char* section,
                          std::initializer_list<std::pair<const char*, std::string>> values) {
    wIniFile ini;
    ini.SetFile((folder / "Configure/Config_LP.ini").string(), section);
    for (const auto& [key, value] : values)
        ini.WriteString(key, value);
}

// A simulated session (see useSimulatedSession) capturing `tone`, written to input.wav, and
// recording into the folder's "records", which it returns.
inline std::filesystem::path useToneSession(const TestProgramFolder& folder,
                                            const std::vector<ToneSegment>& tone) {
    copyGeneratedResources(folder);
    writeToneWav(folder / "input.wav", tone);
    useSimulatedSession(folder, folder / "input.wav");
    writeSettings(folder, "Option", {{"RecordFilePath", (folder / "records").string()}});
    return folder / "records";
}

// A key of the folder's settings file as the file holds it now.
inline std::string readSetting(const TestProgramFolder& folder, const char* section,
                               const char* key) {
    wIniFile ini;
    ini.SetFile((folder / "Configure/Config_LP.ini").string(), section);
    return ini.ReadString(key, "<missing>");
}

} // namespace vorlane::test
