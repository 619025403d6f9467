#include "audio/RecordOutput.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace vorlane {

void RecordOutput::begin(const std::string& fileName) {
    fileName_ = fileName;
    error_ = 0;
    errorText_.clear();
}

bool RecordOutput::fail(int err, const std::string& what) {
    if (err >= 0)
        err = -EIO;
    if (error_ == 0) {
        error_ = err;
        errorText_ = fileName_ + ": " + what + ": " + describe(err);
    }
    return false;
}

std::string RecordOutput::describe(int err) const {
    return std::strerror(-err);
}

int RecordOutput::replaceFile() {
    // Removed rather than truncated: a player that has the old file open keeps reading it,
    // and the exclusive create never follows a link left in its place.
    if (::unlink(fileName_.c_str()) < 0 && errno != ENOENT) {
        fail(-errno, "cannot replace the existing file");
        return -1;
    }
    int fd = ::open(fileName_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        fail(-errno, "cannot create the file");
    return fd;
}

bool RecordOutput::syncDue(uint32_t bytes, uint32_t bytesPerSecond) {
    unsyncedBytes_ += bytes;
    if (externalSync_ || unsyncedBytes_ < uint64_t{kSyncSeconds} * bytesPerSecond)
        return false;
    unsyncedBytes_ = 0;
    return true;
}

} // namespace vorlane
