// WriteBlock and ServeStopRequest run on the capture thread; the rest on the controlling
// thread. See the header for who owns the outputs when.
#include "audio/CRecordWriter.h"

#include "audio/CWmvWriter.h"
#include "audio/EncoderMath.h"
#include "audio/FlacFileWriter.h"
#include "audio/Mp3FileWriter.h"
#include "audio/WavFileWriter.h"

#include <cerrno>
#include <exception>

namespace vorlane {

CRecordWriter::CRecordWriter()
    : closer_([this] { control_.store(Bits(WriterState::Ready), std::memory_order_release); }) {}

CRecordWriter::~CRecordWriter() {
    closer_.Stop();
    CloseAll();
}

void CRecordWriter::SetOutputFactory(RecordOutputFactory factory) {
    if (!IsRecording())
        factory_ = std::move(factory);
}

void CRecordWriter::BindBitRate(std::atomic<int>& bitRateIndex) {
    if (!IsRecording())
        bitRate_ = &bitRateIndex;
}

std::unique_ptr<RecordOutput> CRecordWriter::DefaultOutput(FileType fileType, int bitRateIndex) {
    switch (fileType) {
    case FileType::Wav:
        return std::make_unique<WavFileWriter>();
    case FileType::Wma:
        return std::make_unique<CWmvWriter>(EncoderMath::BitRateKbps(bitRateIndex));
    case FileType::Flac:
        return std::make_unique<FlacFileWriter>();
    case FileType::Mp3:
        break;
    }
    return std::make_unique<Mp3FileWriter>(bitRateIndex);
}

WriterState CRecordWriter::State() const {
    return static_cast<WriterState>(control_.load(std::memory_order_acquire) & kStateMask);
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

std::unique_ptr<RecordOutput> CRecordWriter::Open(const std::string& fileName, FileType fileType) {
    std::unique_ptr<RecordOutput> out =
        factory_ ? factory_(fileType)
                 : DefaultOutput(fileType, bitRate_->load(std::memory_order_relaxed));
    if (!out) {
        NoteError(-ENOTSUP, fileName + ": file type " + std::to_string(static_cast<int>(fileType)) +
                                " cannot be recorded by this build");
        return nullptr;
    }
    // With the closer running, it forces the file to disk; the blocks are written without.
    out->setExternalSync(closer_.Running());
    if (!out->open(fileName, format_)) {
        NoteError(out->error(), out->errorText());
        return nullptr;
    }
    return out;
}

void CRecordWriter::Watch(uint64_t serial, const RecordCloser::Outputs& outputs) {
    for (const auto& out : outputs)
        if (out)
            closer_.Watch(serial, out->syncFd());
}

bool CRecordWriter::StartRecording(const std::string& fileName, FileType fileType) {
    if (IsRecording())
        return true;
    // Not recording: the capture side leaves the outputs alone, so they can be set up
    // here and then published with the state.
    lastError_.store(0, std::memory_order_relaxed);
    lastErrorText_.clear();
    Prepare(1, 44100, 16);
    CloseAll();
    slots_[0] = Open(fileName, fileType);
    if (!slots_[0]) {
        control_.store(Bits(WriterState::Ready), std::memory_order_release);
        return false;
    }
    slotsSerial_ = ++openedSerial_;
    Watch(slotsSerial_, slots_);
    // A stop request left over from before is dropped by this store.
    control_.store(Bits(WriterState::Recording) | kActive, std::memory_order_release);
    return true;
}

void CRecordWriter::SetLookBehind(uint32_t blocks) {
    lookBehind_.store(blocks < BlockLookBehind::kCapacity ? blocks : BlockLookBehind::kCapacity,
                      std::memory_order_relaxed);
}

bool CRecordWriter::DivideInto(const std::string& fileName, FileType fileType,
                               uint64_t startBlock) {
    const uint32_t c = control_.load(std::memory_order_acquire);
    if ((c & kStateMask) != Bits(WriterState::Recording) ||
        (c & (kSwitchRequested | kStopRequested)) || !(c & kActive))
        return false;
    lastError_.store(0, std::memory_order_relaxed);
    lastErrorText_.clear();
    RecordCloser::Outputs next;
    next[0] = Open(fileName, fileType);
    if (!next[0])
        return false;
    next_ = std::move(next);
    nextSerial_ = ++openedSerial_;
    Watch(nextSerial_, next_);
    switchAt_.store(startBlock, std::memory_order_relaxed);
    control_.fetch_or(kSwitchRequested, std::memory_order_acq_rel);
    return true;
}

bool CRecordWriter::SwitchPending() const {
    return control_.load(std::memory_order_acquire) & kSwitchRequested;
}

void CRecordWriter::RequestStop() {
    control_.fetch_or(kStopRequested, std::memory_order_acq_rel);
}

// Capture side: the next file takes over from this block on; the old one goes to the closer.
void CRecordWriter::SwitchOutputs() {
    closer_.Retire(slotsSerial_, slots_, false);
    slots_ = std::move(next_);
    slotsSerial_ = nextSerial_;
    control_.fetch_and(~kSwitchRequested, std::memory_order_acq_rel);
}

// Capture side: the recording ends; the state turns ready once the files are closed.
void CRecordWriter::Retire(bool endsRecording) {
    if (control_.load(std::memory_order_acquire) & kSwitchRequested)
        SwitchOutputs();
    closer_.Retire(slotsSerial_, slots_, endsRecording);
}

// Controlling thread, while not recording.
void CRecordWriter::CloseAll() {
    for (auto* outputs : {&slots_, &next_})
        for (auto& slot : *outputs) {
            if (!slot)
                continue;
            if (!slot->close())
                NoteError(slot->error(), slot->errorText());
            slot.reset();
        }
}

// Capture side: writes one block to every open output. False when a write failed: the
// recording is then no longer active and nothing is held; the caller retires the files.
bool CRecordWriter::Commit(const uint8_t* data, uint32_t bytes) {
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
            control_.fetch_and(~kActive, std::memory_order_acq_rel);
            held_.Clear();
            return false;
        }
    }
    return true;
}

// Capture side: writes the held blocks numbered below `end`, oldest first.
bool CRecordWriter::CommitHeldBefore(uint64_t end) {
    while (!held_.Empty() && held_.Oldest().number < end) {
        const BlockLookBehind::Block& b = held_.Oldest();
        if (!Commit(b.data, b.bytes))
            return false;
        held_.PopOldest();
    }
    return true;
}

// Capture side, with a switch requested, before block `number` is taken in: the old file
// gets the held blocks before the next file's first block, then the next file takes over.
bool CRecordWriter::ApplySwitch(uint64_t number) {
    uint64_t start = switchAt_.load(std::memory_order_relaxed);
    if (start > number)
        start = number;
    if (!CommitHeldBefore(start))
        return false;
    SwitchOutputs();
    return true;
}

void CRecordWriter::WriteBlock(const uint8_t* data, uint32_t bytes, bool paused, uint64_t number) {
    nextNumber_ = number + 1;
    const uint32_t c = control_.load(std::memory_order_acquire);
    if (c & kActive) {
        const uint32_t depth = lookBehind_.load(std::memory_order_relaxed);
        bool ok = !(c & kSwitchRequested) || ApplySwitch(number);
        if (ok && paused) {
            // The file holds everything before the pause.
            ok = CommitHeldBefore(kDivideNow);
        } else if (ok && (depth == 0 || bytes > BlockLookBehind::kMaxBytes)) {
            ok = CommitHeldBefore(kDivideNow) && Commit(data, bytes);
        } else if (ok) {
            if (held_.Full())
                ok = CommitHeldBefore(held_.Oldest().number + 1);
            if (ok)
                held_.Push(number, data, bytes);
            while (ok && held_.Size() > depth)
                ok = CommitHeldBefore(held_.Oldest().number + 1);
        }
        if (!ok) {
            Retire(true);
            return;
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
    if ((c & kStateMask) == Bits(WriterState::Recording) && (c & kActive)) {
        // Nothing held is lost: a pending switch still splits the held blocks.
        if (!(c & kSwitchRequested) || ApplySwitch(nextNumber_))
            CommitHeldBefore(kDivideNow);
        Retire(true);
    }
    return true;
}

} // namespace vorlane
