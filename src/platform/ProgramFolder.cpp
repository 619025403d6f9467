#include "ProgramFolder.h"

#include "platform/UserProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace vorlane {

namespace {
std::string withoutTrailingSlash(std::string s) {
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    return home && *home ? std::string(home) : std::string("/tmp");
}

// Reads XDG_DOCUMENTS_DIR from user-dirs.dirs, expanding $HOME.
std::string xdgDocumentsFromUserDirs(const std::string& configHome) {
    std::ifstream in(configHome + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0)
            continue;
        std::string v = line.substr(key.size());
        if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
            v = v.substr(1, v.size() - 2);
        if (v.rfind("$HOME", 0) == 0)
            v = homeFolder() + v.substr(5);
        if (!v.empty() && v.front() == '/')
            return withoutTrailingSlash(v);
    }
    return {};
}
} // namespace

std::string ProgramFolder::executablePath() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

namespace {
std::string executableFolder() {
    std::string exe = ProgramFolder::executablePath();
    if (exe.empty())
        return withoutTrailingSlash(fs::current_path().string());
    return withoutTrailingSlash(fs::path(exe).parent_path().string());
}

bool holdsProgramData(const fs::path& folder) {
    std::error_code ec;
    return fs::is_directory(folder / "Configure", ec);
}
} // namespace

std::string ProgramFolder::shippedFolder() {
    if (const char* home = std::getenv("VORLANE_HOME"); home && *home)
        return {};
    const fs::path exeFolder = executableFolder();
    if (holdsProgramData(exeFolder))
        return {};
    std::error_code ec;
    fs::path shipped = fs::weakly_canonical(exeFolder / VORLANE_SHIPPED_DATA_RELATIVE, ec);
    if (ec || !holdsProgramData(shipped))
        return {};
    return withoutTrailingSlash(shipped.string());
}

std::string ProgramFolder::userDataFolder() {
    if (const char* d = std::getenv("XDG_DATA_HOME"); d && *d == '/')
        return withoutTrailingSlash(d) + "/vorlane";
    return homeFolder() + "/.local/share/vorlane";
}

std::string ProgramFolder::path() {
    if (const char* home = std::getenv("VORLANE_HOME"); home && *home)
        return withoutTrailingSlash(home);
    if (!shippedFolder().empty())
        return userDataFolder();
    return executableFolder();
}

std::string ProgramFolder::prepare() {
    const std::string shipped = shippedFolder();
    if (shipped.empty())
        return {};
    return UserProgramFolder::Prepare(shipped, userDataFolder());
}

std::string ProgramFolder::userConfigFolder() {
    if (const char* c = std::getenv("XDG_CONFIG_HOME"); c && *c == '/')
        return withoutTrailingSlash(c);
    return homeFolder() + "/.config";
}

std::string ProgramFolder::documentsFolder() {
    if (const char* d = std::getenv("XDG_DOCUMENTS_DIR"); d && *d == '/')
        return withoutTrailingSlash(d);
    std::string fromFile = xdgDocumentsFromUserDirs(userConfigFolder());
    if (!fromFile.empty())
        return fromFile;
    return homeFolder() + "/Documents";
}

} // namespace vorlane
