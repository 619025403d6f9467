#include "audio/WavFileReader.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vorlane {

namespace {
constexpr size_t kMaxHeader = 1 << 20; // chunks before the samples are small in practice

uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t le32(const uint8_t* p) {
    return le16(p) | static_cast<uint32_t>(le16(p + 2)) << 16;
}
} // namespace

WavFileReader::~WavFileReader() {
    close();
}

std::string WavFileReader::ParseHeader(const uint8_t* b, size_t n, uint64_t fileSize,
                                       WavLayout& out) {
    if (n < 12 || std::memcmp(b, "RIFF", 4) != 0 || std::memcmp(b + 8, "WAVE", 4) != 0)
        return "not a RIFF WAVE file";
    bool haveFormat = false;
    size_t pos = 12;
    while (pos + 8 <= n) {
        const uint8_t* chunk = b + pos;
        uint32_t size = le32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || pos + 8 + 16 > n)
                return "the format chunk is too short";
            const uint8_t* f = chunk + 8;
            WaveFormat& w = out.format;
            w.formatTag = le16(f);
            w.channels = le16(f + 2);
            w.samplesPerSec = le32(f + 4);
            w.avgBytesPerSec = le32(f + 8);
            w.blockAlign = le16(f + 12);
            w.bitsPerSample = le16(f + 14);
            w.cbSize = 0;
            // WAVE_FORMAT_EXTENSIBLE names its real format in the first two bytes of the
            // sub-format identifier.
            if (w.formatTag == 0xFFFE && size >= 40 && pos + 8 + 26 <= n)
                w.formatTag = le16(f + 24);
            if (w.formatTag != 1)
                return "the samples are not PCM (format " + std::to_string(w.formatTag) + ")";
            if (w.channels == 0 || w.bitsPerSample == 0 ||
                w.blockAlign != w.channels * ((w.bitsPerSample + 7) / 8))
                return "the format chunk is inconsistent";
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat)
                return "no format chunk before the samples";
            out.dataOffset = pos + 8;
            uint64_t present = fileSize > out.dataOffset ? fileSize - out.dataOffset : 0;
            uint64_t bytes = size < present ? size : present;
            out.dataBytes = bytes - bytes % out.format.blockAlign;
            return {};
        }
        pos += 8 + static_cast<size_t>(size) + (size & 1);
    }
    return "no sample data";
}

bool WavFileReader::open(const std::string& path) {
    close();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    std::vector<uint8_t> head;
    if (::fstat(fd_, &st) == 0) {
        head.resize(static_cast<uint64_t>(st.st_size) < kMaxHeader ? st.st_size : kMaxHeader);
        ssize_t got = ::pread(fd_, head.data(), head.size(), 0);
        head.resize(got > 0 ? static_cast<size_t>(got) : 0);
    }
    std::string why =
        ParseHeader(head.data(), head.size(), static_cast<uint64_t>(st.st_size), layout_);
    if (!why.empty()) {
        error_ = path + ": " + why;
        close();
        return false;
    }
    error_.clear();
    return true;
}

void WavFileReader::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

long WavFileReader::readAt(uint8_t* dst, size_t n, uint64_t pos) const {
    if (fd_ < 0)
        return -EBADF;
    if (pos >= layout_.dataBytes)
        return 0;
    if (n > layout_.dataBytes - pos)
        n = static_cast<size_t>(layout_.dataBytes - pos);
    ssize_t got;
    do {
        got = ::pread(fd_, dst, n, static_cast<off_t>(layout_.dataOffset + pos));
    } while (got < 0 && errno == EINTR);
    return got < 0 ? -errno : static_cast<long>(got);
}

} // namespace vorlane
