#include "audio/FlacStreamInfo.h"

#include "audio/FileIo.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vorlane {

bool FlacStreamInfo::Read(int fd, uint8_t out[kBytes]) {
    uint8_t head[kAt];
    if (::pread(fd, head, sizeof head, 0) != static_cast<ssize_t>(sizeof head) ||
        std::memcmp(head, "fLaC", 4) != 0 || (head[4] & 0x7F) != 0)
        return false;
    const uint32_t length = (head[5] << 16) | (head[6] << 8) | head[7];
    return length == kBytes && ::pread(fd, out, kBytes, kAt) == kBytes;
}

uint64_t FlacStreamInfo::TotalSamples(const uint8_t info[kBytes]) {
    uint64_t n = info[13] & 0x0F;
    for (int i = 14; i < 18; ++i)
        n = n << 8 | info[i];
    return n;
}

uint32_t FlacStreamInfo::SampleRate(const uint8_t info[kBytes]) {
    return (static_cast<uint32_t>(info[10]) << 12) | (info[11] << 4) | (info[12] >> 4);
}

int FlacStreamInfo::WriteTotalSamplesAndNoSignature(int fd, uint64_t samples) {
    uint8_t info[kBytes];
    if (!Read(fd, info))
        return -EINVAL;
    info[13] = static_cast<uint8_t>((info[13] & 0xF0) | ((samples >> 32) & 0x0F));
    for (int i = 0; i < 4; ++i)
        info[17 - i] = static_cast<uint8_t>(samples >> (8 * i));
    std::memset(info + 18, 0, 16);
    if (FileIo::WriteAll(fd, info, kBytes, kAt) != kBytes)
        return -errno;
    return 0;
}

} // namespace vorlane
