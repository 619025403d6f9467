// WriteBlock and ServeStopRequest run on the capture thread; the rest on the controlling
// thread. See the header for who owns the outputs when.
#include "audio/CRecordWriter.h"

#include "audio/CWmvWriter.h"
#include "audio/EncoderMath.h"
#include "audio/Mp3FileWriter.h"
#include "audio/WavFileWriter.h"

#include <cerrno>
#include <exception>

namespace vorlane {

CRecordWriter::CRecordWriter() = default;

CRecordWriter::~CRecordWriter() {
    CloseAll();
}

void CRecordWriter::SetOutputFactory(RecordOutputFactory factory) {
    if (!IsRecording())
        factory_ = std::move(factory);
}

int CRecordWriter::NormalizeFileType(int fileType) {
    return fileType == 0 || fileType == 2 ? fileType : 1;
}

void CRecordWriter::BindBitRate(std::atomic<int>& bitRateIndex) {
    if (!IsRecording())
        bitRate_ = &bitRateIndex;
}

std::unique_ptr<RecordOutput> CRecordWriter::DefaultOutput(int fileType, int bitRateIndex) {
    switch (NormalizeFileType(fileType)) {
    case 0:
        return std::make_unique<WavFileWriter>();
    case 2:
        return std::make_unique<CWmvWriter>(EncoderMath::BitRateKbps(bitRateIndex));
    default:
        return std::make_unique<Mp3FileWriter>(bitRateIndex);
    }
}

uint32_t CRecordWriter::State() const {
    return control_.load(std::memory_order_acquire) & kStateMask;
}

bool CRecordWriter::StopPending() const {
    return control_.load(std::memory_order_acquire) & kStopRequested;
}

std::string CRecordWriter::LastErrorText() const {
    return IsRecording() ? std::string() : lastErrorText_;
}

void CRecordWriter::NoteError(int error, const std::string& text) {
    if (lastError_.load(std::memory_order_relaxed) != 0)
        return;
    lastErrorText_ = text;
    lastError_.store(error ? error : -EIO, std::memory_order_release);
}

void CRecordWriter::Prepare(int stereoMode, uint32_t rate, uint16_t bits) {
    stereoMode_ = stereoMode;
    if (bits > 16)
        bits = 16;
    format_ = WaveFormat::Pcm(stereoMode ? 2 : 1, rate, bits);
}

bool CRecordWriter::Open(int slot, const std::string& fileName, int fileType) {
    if (slots_[slot] && slots_[slot]->isOpen())
        return true;
    fileType = NormalizeFileType(fileType);
    std::unique_ptr<RecordOutput> out =
        factory_ ? factory_(fileType)
                 : DefaultOutput(fileType, bitRate_->load(std::memory_order_relaxed));
    if (!out) {
        NoteError(-ENOTSUP, fileName + ": file type " + std::to_string(fileType) +
                                " cannot be recorded by this build");
        return false;
    }
    if (!out->open(fileName, format_)) {
        NoteError(out->error(), out->errorText());
        return false;
    }
    slots_[slot] = std::move(out);
    return true;
}

bool CRecordWriter::StartRecording(const std::string& fileName, int fileType) {
    if (State() == StateRecording)
        return true;
    // Not recording: the capture side leaves the outputs alone, so they can be set up
    // here and then published with the state.
    lastError_.store(0, std::memory_order_relaxed);
    lastErrorText_.clear();
    Prepare(1, 44100, 16);
    if (!Open(0, fileName, fileType)) {
        CloseAll();
        control_.store(StateReady, std::memory_order_release);
        return false;
    }
    // A stop request left over from before is dropped by this store.
    control_.store(StateRecording | kActive, std::memory_order_release);
    return true;
}

void CRecordWriter::RequestStop() {
    control_.fetch_or(kStopRequested, std::memory_order_acq_rel);
}

void CRecordWriter::CloseAll() {
    for (auto& slot : slots_) {
        if (!slot)
            continue;
        if (!slot->close())
            NoteError(slot->error(), slot->errorText());
        slot.reset();
    }
}

void CRecordWriter::WriteBlock(const uint8_t* data, uint32_t bytes, bool paused) {
    uint32_t c = control_.load(std::memory_order_acquire);
    if (!paused && (c & kActive)) {
        for (auto& slot : slots_) {
            if (!slot || !slot->isOpen())
                continue;
            bool ok;
            try {
                ok = slot->writeBlock(data, bytes);
            } catch (const std::exception& e) {
                NoteError(-EIO, e.what());
                ok = false;
            }
            if (!ok) {
                // End the recording rather than drop blocks while it looks alive.
                NoteError(slot->error(), slot->errorText());
                CloseAll();
                control_.store(StateReady, std::memory_order_release);
                return;
            }
        }
    }
    ServeStopRequest();
}

bool CRecordWriter::ServeStopRequest() {
    if (!(control_.load(std::memory_order_acquire) & kStopRequested))
        return false;
    uint32_t c = control_.fetch_and(~(kStopRequested | kActive), std::memory_order_acq_rel);
    if (!(c & kStopRequested))
        return false;
    if ((c & kStateMask) == StateRecording) {
        CloseAll();
        control_.store(StateReady, std::memory_order_release);
    }
    return true;
}

} // namespace vorlane
