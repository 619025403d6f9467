#include "wAtomicFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vorlane {

namespace {

std::atomic<wAtomicFile::BeforeRenameHook> g_beforeRename{nullptr};
std::atomic<unsigned> g_tempCounter{0};

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The file a write really replaces: the target of a symbolic link, not the link.
std::string resolveTarget(const std::string& path) {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        fs::path target = fs::canonical(path, ec);
        if (!ec)
            return target.string();
    }
    return path;
}

void syncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool wAtomicFile::IsReadOnly(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

void wAtomicFile::SetBeforeRenameHook(BeforeRenameHook hook) {
    g_beforeRename.store(hook);
}

bool wAtomicFile::Replace(const std::string& path, std::string_view bytes) {
    if (path.empty())
        return false;
    const std::string target = resolveTarget(path);

    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT)
        return false;
    if (exists && (!S_ISREG(st.st_mode) || IsReadOnly(target)))
        return false;

    fs::path folder = fs::path(target).parent_path();
    if (folder.empty())
        folder = ".";
    const std::string temp =
        (folder / ("." + fs::path(target).filename().string() + ".tmp-" +
                   std::to_string(::getpid()) + "-" + std::to_string(g_tempCounter++)))
            .string();

    // A new file gets the usual 0666 less the umask; an existing one its old bits below.
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
    if (fd < 0)
        return false;
    bool ok = true;
    if (exists) {
        if (::geteuid() == 0)
            (void)::fchown(fd, st.st_uid, st.st_gid); // root must not take over a user's file
        ok = ::fchmod(fd, st.st_mode & 07777) == 0;
    }
    ok = ok && writeAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;

    if (ok) {
        if (BeforeRenameHook hook = g_beforeRename.load())
            hook(temp);
        ok = ::rename(temp.c_str(), target.c_str()) == 0;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolder(folder.string());
    return true;
}

} // namespace vorlane
