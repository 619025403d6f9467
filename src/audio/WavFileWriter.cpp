// open runs on the controlling thread; writeBlock and close on the capture thread.
#include "audio/WavFileWriter.h"

#include "audio/FileIo.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace vorlane {

namespace {
void put32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

} // namespace

WavFileWriter::WavFileWriter(uint32_t refreshSeconds) : refreshSeconds_(refreshSeconds) {}

WavFileWriter::~WavFileWriter() {
    close();
}

void WavFileWriter::BuildHeader(const WaveFormat& format, uint32_t dataBytes,
                                uint8_t out[kHeaderBytes]) {
    std::memcpy(out, "RIFF", 4);
    put32(out + 4, dataBytes + (kHeaderBytes - 8));
    std::memcpy(out + 8, "WAVE", 4);
    std::memcpy(out + 12, "fmt ", 4);
    put32(out + 16, WaveFormat::kRecordSize);
    format.serialize(out + 20);
    std::memcpy(out + 38, "data", 4);
    put32(out + 42, dataBytes);
}

bool WavFileWriter::open(const std::string& fileName, const WaveFormat& format) {
    if (fd_ >= 0)
        return true;
    begin(fileName);
    format_ = format;
    dataBytes_ = headerDataBytes_ = syncedDataBytes_ = 0;
    refreshBytes_ = static_cast<uint64_t>(refreshSeconds_) * format.avgBytesPerSec;
    if (format.blockAlign == 0)
        return fail(-EINVAL, "invalid format");
    if ((fd_ = replaceFile()) < 0)
        return false;
    uint8_t header[kHeaderBytes];
    BuildHeader(format, 0, header);
    if (FileIo::WriteAll(fd_, header, kHeaderBytes) != kHeaderBytes) {
        fail(-errno, "cannot write the header");
        ::close(fd_);
        ::unlink(fileName.c_str());
        fd_ = -1;
        return false;
    }
    return true;
}

bool WavFileWriter::writeSizes(uint32_t dataBytes) {
    uint8_t riff[4], data[4];
    put32(riff, dataBytes + (kHeaderBytes - 8));
    put32(data, dataBytes);
    if (FileIo::WriteAll(fd_, riff, 4, 4) != 4 || FileIo::WriteAll(fd_, data, 4, 42) != 4)
        return fail(-errno, "cannot update the header");
    headerDataBytes_ = dataBytes;
    return true;
}

bool WavFileWriter::writeBlock(const uint8_t* data, uint32_t bytes) {
    if (fd_ < 0 || error() != 0)
        return false;
    if (dataBytes_ + bytes > kMaxDataBytes)
        return fail(-EFBIG, "the file has reached the 4 GiB limit of WAV files");
    size_t done = FileIo::WriteAll(fd_, data, bytes);
    dataBytes_ += done;
    if (done != bytes)
        return fail(-errno, "cannot write");
    // Refresh before the stated size falls more than the refresh time behind, assuming
    // the next block is as long as this one.
    if (dataBytes_ + bytes - headerDataBytes_ > refreshBytes_ &&
        !writeSizes(static_cast<uint32_t>(dataBytes_)))
        return false;
    if (!externalSync_ &&
        dataBytes_ - syncedDataBytes_ >= uint64_t{kSyncSeconds} * format_.avgBytesPerSec) {
        syncedDataBytes_ = dataBytes_;
        if (int err = FileIo::SyncData(fd_); err < 0)
            return fail(err, "cannot write to disk");
    }
    return true;
}

double WavFileWriter::keptSeconds() const {
    return format_.avgBytesPerSec ? static_cast<double>(dataBytes_) / format_.avgBytesPerSec : 0;
}

bool WavFileWriter::close() {
    if (fd_ < 0)
        return true;
    bool ok = true;
    // A short write may have left part of a frame; the file keeps whole frames only.
    uint64_t whole = dataBytes_ - dataBytes_ % format_.blockAlign;
    if (whole != dataBytes_ && ::ftruncate(fd_, static_cast<off_t>(kHeaderBytes + whole)) < 0)
        ok = fail(-errno, "cannot cut a partial frame");
    dataBytes_ = whole;
    if (!writeSizes(static_cast<uint32_t>(dataBytes_)))
        ok = false;
    if (int err = FileIo::SyncData(fd_); err < 0)
        ok = fail(err, "cannot write to disk");
    if (::close(fd_) < 0)
        ok = fail(-errno, "cannot close the file");
    fd_ = -1;
    return ok;
}

} // namespace vorlane
