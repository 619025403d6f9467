#include "audio/FileIo.h"

#include <cerrno>
#include <unistd.h>

namespace vorlane {

size_t FileIo::WriteAll(int fd, const uint8_t* data, size_t n, off_t offset) {
    size_t done = 0;
    while (done < n) {
        ssize_t w = offset < 0
                        ? ::write(fd, data + done, n - done)
                        : ::pwrite(fd, data + done, n - done, offset + static_cast<off_t>(done));
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0) {
            if (w == 0)
                errno = ENOSPC;
            break;
        }
        done += static_cast<size_t>(w);
    }
    return done;
}

int FileIo::SyncData(int fd) {
    if (::fdatasync(fd) == 0 || errno == EINVAL || errno == EROFS)
        return 0;
    return -errno;
}

} // namespace vorlane
