#include "wRegistryKey.h"

#include "config/IniText.h"
#include "platform/ProgramFolder.h"

#include <fcntl.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace vorlane {

std::optional<wRegistryKey::Location> wRegistryKey::locate(std::string_view subkey) {
    std::vector<std::string_view> parts;
    std::size_t pos = 0;
    while (pos <= subkey.size()) {
        std::size_t sep = subkey.find_first_of("\\/", pos);
        if (sep == std::string_view::npos)
            sep = subkey.size();
        std::string_view part = subkey.substr(pos, sep - pos);
        if (!part.empty())
            parts.push_back(part);
        pos = sep + 1;
    }
    if (!parts.empty() && ini::namesEqual(parts.front(), "SOFTWARE"))
        parts.erase(parts.begin());
    if (parts.size() < 2)
        return std::nullopt;
    for (std::string_view part : parts) {
        // Parts become folder and file names: nothing may lead out of the config folder.
        if (part == "." || part == ".." || part.find('\0') != std::string_view::npos)
            return std::nullopt;
    }
    Location loc;
    loc.file = ProgramFolder::userConfigFolder() + "/" + std::string(parts[0]) + "/" +
               std::string(parts[1]) + ".ini";
    if (parts.size() == 2) {
        loc.section = "General";
    } else {
        for (std::size_t i = 2; i < parts.size(); ++i) {
            if (i > 2)
                loc.section += '\\';
            loc.section += parts[i];
        }
    }
    if (!ini::validSectionName(loc.section))
        return std::nullopt;
    return loc;
}

bool wRegistryKey::open(Root root, std::string_view subkey) {
    close();
    if (root != Root::CurrentUser)
        return false;
    std::optional<Location> loc = locate(subkey);
    if (!loc)
        return false;
    std::error_code ec;
    fs::create_directories(fs::path(loc->file).parent_path(), ec);
    // Creating the key is creating its file; an existing one is left alone.
    int fd = ::open(loc->file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        created_ = true;
    }
    if (!fs::is_regular_file(loc->file, ec) || ::access(loc->file.c_str(), R_OK) != 0)
        return false;
    ini_.SetFile(loc->file, loc->section);
    open_ = true;
    return true;
}

void wRegistryKey::close() {
    open_ = false;
    created_ = false;
    ini_.SetFile({}, {});
}

std::uint32_t wRegistryKey::readDword(std::string_view name, std::uint32_t def) const {
    if (!open_)
        return def;
    std::optional<std::string> value = ini_.ReadValue(name);
    if (!value || value->empty() || value->size() > 10)
        return def;
    std::uint64_t n = 0;
    for (char c : *value) {
        if (c < '0' || c > '9')
            return def;
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return n > 0xFFFFFFFFull ? def : static_cast<std::uint32_t>(n);
}

std::string wRegistryKey::readString(std::string_view name) const {
    if (!open_)
        return {};
    return ini_.ReadValue(name).value_or(std::string());
}

bool wRegistryKey::writeDword(std::string_view name, std::uint32_t value) {
    return open_ && ini_.WriteString(name, std::to_string(value));
}

bool wRegistryKey::writeString(std::string_view name, std::string_view value) {
    return open_ && ini_.WriteString(name, value);
}

bool wRegistryKey::deleteValue(std::string_view name) {
    return open_ && ini_.DeleteKey(name);
}

} // namespace vorlane
