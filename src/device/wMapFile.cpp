#include "device/wMapFile.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace vorlane {

wMapFile::~wMapFile() {
    Close();
}

wMapFile::OpenResult wMapFile::Open(const std::string& name, size_t size) {
    Close();
    OpenResult result = OpenResult::Created;
    int fd = ::shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        // Whatever the umask, others check for exactly this mode.
        if (::fchmod(fd, 0600) != 0 || ::ftruncate(fd, off_t(size)) != 0) {
            ::close(fd);
            ::shm_unlink(name.c_str());
            return OpenResult::Failed;
        }
    } else if (errno == EEXIST) {
        result = OpenResult::Opened;
        fd = ::shm_open(name.c_str(), O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0)
            return errno == EACCES ? OpenResult::Foreign : OpenResult::Failed;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || st.st_uid != ::geteuid() || (st.st_mode & 07777) != 0600) {
            ::close(fd);
            return OpenResult::Foreign;
        }
        // The creator may not have sized it yet.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (::fstat(fd, &st) == 0 && size_t(st.st_size) < size) {
            if (std::chrono::steady_clock::now() >= deadline) {
                ::close(fd);
                return OpenResult::Incomplete;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    } else {
        return OpenResult::Failed;
    }
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (p == MAP_FAILED) {
        if (result == OpenResult::Created)
            ::shm_unlink(name.c_str());
        return OpenResult::Failed;
    }
    data_ = p;
    size_ = size;
    return result;
}

bool wMapFile::OpenPrivate(size_t size) {
    Close();
    void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED)
        return false;
    data_ = p;
    size_ = size;
    return true;
}

void wMapFile::Close() {
    if (data_)
        ::munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
}

bool wMapFile::Unlink(const std::string& name) {
    return ::shm_unlink(name.c_str()) == 0;
}

} // namespace vorlane
