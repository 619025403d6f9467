#include "RecordFolderCheck.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vorlane {

RecordFolderCheck::Result RecordFolderCheck::Check(std::string_view folder) {
    if (folder.empty())
        return {Problem::Empty, {}};
    // The settings file keeps one value per line.
    for (unsigned char c : folder)
        if (c < 0x20 || c == 0x7F)
            return {Problem::NotStorable, {}};
    const fs::path path{std::string(folder)};
    if (!path.is_absolute())
        return {Problem::NotAbsolute, {}};

    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (fs::exists(status)) {
        if (!fs::is_directory(status))
            return {Problem::NotAFolder, {}};
    } else if (!fs::create_directories(path, ec) && ec) {
        return {Problem::CannotCreate, ec.message()};
    } else if (!fs::is_directory(path, ec)) {
        return {Problem::CannotCreate, ec ? ec.message() : std::string()};
    }

    // access() would not see a read-only mount or a full quota; a real file does.
    std::string probe = (path / ".vorlane-write-test-XXXXXX").string();
    const int fd = ::mkstemp(probe.data());
    if (fd < 0)
        return {Problem::NotWritable, std::strerror(errno)};
    ::close(fd);
    ::unlink(probe.c_str());
    return {};
}

std::string RecordFolderCheck::Describe(const Result& result) {
    std::string text;
    switch (result.problem) {
    case Problem::None:
        return {};
    case Problem::Empty:
        text = "No folder is given.";
        break;
    case Problem::NotAbsolute:
        text = "The folder must be a full path, beginning with \"/\".";
        break;
    case Problem::NotStorable:
        text = "The folder name holds a line break or another control character.";
        break;
    case Problem::NotAFolder:
        text = "A file of that name is in the way.";
        break;
    case Problem::CannotCreate:
        text = "The folder cannot be created.";
        break;
    case Problem::NotWritable:
        text = "No file can be written in the folder.";
        break;
    }
    if (!result.detail.empty())
        text += " (" + result.detail + ")";
    return text;
}

} // namespace vorlane
