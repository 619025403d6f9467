#include "ProgramFolder.h"

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

std::string ProgramFolder::path() {
    if (const char* home = std::getenv("VORLANE_HOME"); home && *home)
        return withoutTrailingSlash(home);
    std::string exe = executablePath();
    if (exe.empty())
        return withoutTrailingSlash(fs::current_path().string());
    return withoutTrailingSlash(fs::path(exe).parent_path().string());
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
