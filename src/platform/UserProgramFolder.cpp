#include "UserProgramFolder.h"

#include "platform/Clock.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdio.h>
#include <string_view>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vorlane {

namespace {

// Folders that hold files the program writes: real folders in the user's program folder.
constexpr std::array<std::string_view, 2> kOwnFolders = {"Configure", "Resource"};
// Shipped files the user gets a copy of, because the program writes them.
constexpr std::array<std::string_view, 1> kOwnFiles = {"Configure/Config_LP.ini"};

bool isOwnFolder(const fs::path& rel) {
    for (std::string_view f : kOwnFolders)
        if (rel == fs::path(f))
            return true;
    return false;
}

bool isOwnFile(const fs::path& rel) {
    for (std::string_view f : kOwnFiles)
        if (rel == fs::path(f))
            return true;
    return false;
}

std::string temporaryName(const fs::path& path) {
    return path.parent_path() /
           ("." + path.filename().string() + ".new-" + std::to_string(::getpid()));
}

// Publishes `temp` as `path` unless a file of that name appeared meanwhile.
bool publishIfAbsent(const std::string& temp, const fs::path& path, std::string& error) {
    int rc = ::link(temp.c_str(), path.c_str());
    int err = errno;
    ::unlink(temp.c_str());
    if (rc != 0 && err != EEXIST) {
        error = "cannot create " + path.string() + ": " + std::strerror(err);
        return false;
    }
    return true;
}

bool copyOwnFile(const fs::path& from, const fs::path& to, std::string& error) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(to, ec)))
        return true; // the user's own settings: never touched
    const std::string temp = temporaryName(to);
    fs::remove(temp, ec);
    if (!fs::copy_file(from, temp, ec)) {
        error = "cannot copy " + from.string() + ": " + ec.message();
        return false;
    }
    // The shipped copy may be read-only; the user's must take writes.
    fs::permissions(temp, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                    ec);
    return publishIfAbsent(temp, to, error);
}

// Points `link` at `target`, replacing a link that points elsewhere (atomically, so a
// program starting meanwhile never misses the file). A real file or folder stays.
bool ensureLink(const fs::path& target, const fs::path& link, std::string& error) {
    std::error_code ec;
    fs::file_status st = fs::symlink_status(link, ec);
    if (fs::exists(st) && !fs::is_symlink(st))
        return true;
    if (fs::is_symlink(st) && fs::read_symlink(link, ec) == target && !ec)
        return true;
    const std::string temp = temporaryName(link);
    fs::remove(temp, ec);
    fs::create_symlink(target, temp, ec);
    if (!ec)
        fs::rename(temp, link, ec);
    if (ec) {
        fs::remove(temp, ec);
        error = "cannot link " + link.string() + ": " + ec.message();
        return false;
    }
    return true;
}

bool prepareFolder(const fs::path& shipped, const fs::path& user, const fs::path& rel,
                   std::string& error) {
    std::error_code ec;
    fs::create_directories(user / rel, ec);
    if (!fs::is_directory(user / rel, ec)) {
        error = "cannot create the folder " + (user / rel).string();
        return false;
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(shipped / rel, ec)) {
        const fs::path name = rel / entry.path().filename();
        bool ok = true;
        if (isOwnFolder(name))
            ok = prepareFolder(shipped, user, name, error);
        else if (isOwnFile(name))
            ok = copyOwnFile(entry.path(), user / name, error);
        else
            ok = ensureLink(entry.path(), user / name, error);
        if (!ok)
            return false;
    }
    if (ec) {
        error = "cannot read " + (shipped / rel).string() + ": " + ec.message();
        return false;
    }
    // Links to files an older installation had and this one no longer ships.
    for (const fs::directory_entry& entry : fs::directory_iterator(user / rel, ec)) {
        std::error_code e2;
        if (entry.is_symlink(e2) && !fs::exists(entry.path(), e2) &&
            fs::read_symlink(entry.path(), e2).is_absolute())
            fs::remove(entry.path(), e2);
    }
    return true;
}

} // namespace

fs::path UserProgramFolder::SetAside(const fs::path& file, std::string& error) {
    const LocalTime t = Clock::current().localTime();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", t.year % 10000, t.month % 100,
                  t.day % 100, t.hour % 100, t.minute % 100, t.second % 100);
    const std::string base = file.string() + ".damaged-" + stamp;
    for (int n = 1; n < 100; ++n) {
        const std::string to = n == 1 ? base : base + "-" + std::to_string(n);
        // Never over another kept copy.
        if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
            return to;
        if (errno == EINVAL || errno == ENOSYS) {
            // File systems without RENAME_NOREPLACE: look first.
            std::error_code ec;
            if (fs::exists(fs::symlink_status(to, ec)))
                continue;
            if (std::rename(file.c_str(), to.c_str()) == 0)
                return to;
        }
        if (errno != EEXIST) {
            error = "cannot rename " + file.string() + ": " + std::strerror(errno);
            return {};
        }
    }
    error = "cannot rename " + file.string() + ": " + std::strerror(EEXIST);
    return {};
}

std::string UserProgramFolder::Prepare(const fs::path& shipped, const fs::path& user) {
    std::error_code ec;
    if (!fs::is_directory(shipped / "Configure", ec))
        return "no program data in " + shipped.string();
    std::string error;
    if (!prepareFolder(shipped, user, {}, error))
        return error;
    for (std::string_view f : kOwnFolders)
        fs::create_directories(user / f, ec);
    return {};
}

} // namespace vorlane
