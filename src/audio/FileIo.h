#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

namespace vorlane {

// Low-level file output shared by the record writers.
class FileIo {
public:
    // Writes all n bytes at the file position (or at `offset` when >= 0). Returns the bytes
    // written; fewer than n leaves the reason in errno.
    static size_t WriteAll(int fd, const uint8_t* data, size_t n, off_t offset = -1);
    // Forces the file's data to disk: 0 or a negative errno. Files that cannot be synced
    // (pipes, some special file systems) count as synced.
    static int SyncData(int fd);
};

} // namespace vorlane
