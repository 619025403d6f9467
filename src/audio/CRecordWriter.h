#pragma once

#include "audio/BlockLookBehind.h"
#include "audio/FileType.h"
#include "audio/RecordCloser.h"
#include "audio/RecordOutput.h"
#include "audio/WaveFormat.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

namespace vorlane {

// Makes the output for a file type; nullptr when the type cannot be recorded.
using RecordOutputFactory = std::function<std::unique_ptr<RecordOutput>(FileType fileType)>;

// The record writer's state. The numbers are those of the state bits in its control word.
enum class WriterState : uint32_t { Constructed = 0, Ready = 1, Recording = 3 };

// The record writer inside the capture engine: the open outputs of a recording, the
// fan-out of every block to them, and the stop hand-shake.
//
// The state, the "active" and the "stop requested" flags share one atomic word, so that the capture
// thread takes a stop request and the state it applies to in one step.
//
// A division opens the next file on the controlling thread first; the capture thread
// switches to it at a block boundary and hands the old file to the closer, so no block is
// lost or written twice. With a look-behind (SetLookBehind) the newest blocks are held
// back before they are written, so that a division may name an earlier block to start
// the next file with; a stop, a pause or a failure never leaves blocks held. With the closer
// started (StartCloser, when a capture thread runs) files are closed and synced on the closer's
// thread, and a stopped recording counts as recording until its file is closed; without it, on the
// thread that serves the stop.
//
// Thread contract: StartRecording, DivideInto, RequestStop, SetOutputFactory and the
// queries run on the controlling thread; WriteBlock and ServeStopRequest on the capture
// thread (or on the controlling thread when no capture thread runs). The outputs belong to
// the controlling thread while the state is not 3, and to the capture thread while it is;
// the next file's outputs belong to the controlling thread until it asks for the switch.
class CRecordWriter {
public:
    static constexpr int kSlots = 2;
    // A division that starts the next file with the next block captured.
    static constexpr uint64_t kDivideNow = UINT64_MAX;

    CRecordWriter();
    ~CRecordWriter();
    CRecordWriter(const CRecordWriter&) = delete;
    CRecordWriter& operator=(const CRecordWriter&) = delete;

    // Replaces the outputs made for the file types; only while not recording.
    void SetOutputFactory(RecordOutputFactory factory);
    // The bit-rate index ("RecordFileMP3BitRate") read when an MP3 or WMA file is opened.
    // Until bound: 2 (128 kbit/s). Controlling thread.
    void BindBitRate(std::atomic<int>& bitRateIndex);
    // The writer for the file type; MP3 and WMA at the index's bit rate.
    static std::unique_ptr<RecordOutput> DefaultOutput(FileType fileType, int bitRateIndex = 2);

    // Opens slot 0 for the file and starts writing blocks to it. True when already
    // recording (the open file is left alone). When the file cannot be opened, the writer
    // stays ready, LastError() says why, and false is returned.
    bool StartRecording(const std::string& fileName, FileType fileType);
    // While recording: opens the next file and asks the capture side to switch to it:
    // the next file starts with block `startBlock` when that block is still held back,
    // with the oldest held block when it is older, and with the next block captured for
    // kDivideNow. False (nothing changes) when it cannot be opened or a switch is still
    // pending; LastErrorText() then says why.
    bool DivideInto(const std::string& fileName, FileType fileType,
                    uint64_t startBlock = kDivideNow);
    // How many of the newest blocks are held back before they are written (at most
    // BlockLookBehind::kCapacity; 0 writes every block at once). Any thread.
    void SetLookBehind(uint32_t blocks);
    uint32_t LookBehind() const { return lookBehind_.load(std::memory_order_relaxed); }
    bool SwitchPending() const;
    // Asks the capture side to close the outputs; IsRecording() turns false once done.
    void RequestStop();
    // The number of the file opened last (each file gets the next number), and whether
    // the file of a number is closed. Controlling thread.
    uint64_t CurrentFile() const { return openedSerial_; }
    bool FileClosed(uint64_t serial) const { return closer_.Closed(serial); }
    std::vector<RecordCloser::Failure> TakeCloseFailures() { return closer_.TakeFailures(); }
    // Once the file of a number is closed: the seconds of sound it keeps, when its writer
    // can tell (after a failure); -1 otherwise.
    double KeptSeconds(uint64_t serial) const { return closer_.KeptSeconds(serial); }
    // Moves closing and syncing off the thread that writes the blocks; StopCloser closes
    // what was handed over and ends that thread.
    void StartCloser() { closer_.Start(); }
    void StopCloser() { closer_.Stop(); }
    bool DrainCloser(int timeoutMs) { return closer_.Drain(timeoutMs); }
    RecordCloser& Closer() { return closer_; }

    WriterState State() const;
    bool IsRecording() const { return State() == WriterState::Recording; }
    bool StopPending() const;
    const WaveFormat& Format() const { return format_; }
    // Why the last recording failed to open or ended early (negative errno, 0 none) and
    // a text for the user. Read them when IsRecording() is false.
    int LastError() const { return lastError_.load(std::memory_order_acquire); }
    std::string LastErrorText() const;

    // Capture thread: writes the block to every open output unless `paused`, then serves
    // a pending stop request. A failed write ends the recording: every output is closed
    // with what it holds, and the writer returns to ready with LastError() set.
    // `number` is the block's running number; without it the blocks count on from the
    // last one.
    void WriteBlock(const uint8_t* data, uint32_t bytes, bool paused, uint64_t number);
    void WriteBlock(const uint8_t* data, uint32_t bytes, bool paused) {
        WriteBlock(data, bytes, paused, nextNumber_);
    }
    // Capture thread: serves a pending stop request without a block. True when one was
    // pending.
    bool ServeStopRequest();

private:
    static constexpr uint32_t kStateMask = 3;
    static constexpr uint32_t kActive = 4;
    static constexpr uint32_t kStopRequested = 8;
    static constexpr uint32_t kSwitchRequested = 16;

    void Prepare(int stereoMode, uint32_t rate, uint16_t bits);
    std::unique_ptr<RecordOutput> Open(const std::string& fileName, FileType fileType);
    void Watch(uint64_t serial, const RecordCloser::Outputs& outputs);
    void SwitchOutputs();
    bool Commit(const uint8_t* data, uint32_t bytes);
    bool CommitHeldBefore(uint64_t end);
    bool ApplySwitch(uint64_t number);
    void Retire(bool endsRecording);
    void CloseAll();
    void NoteError(int error, const std::string& text);

    static constexpr uint32_t Bits(WriterState s) { return static_cast<uint32_t>(s); }

    std::atomic<uint32_t> control_{Bits(WriterState::Constructed)};
    RecordCloser::Outputs slots_;
    RecordCloser::Outputs next_;
    // Capture side while recording.
    BlockLookBehind held_;
    uint64_t nextNumber_ = 0;
    std::atomic<uint32_t> lookBehind_{0};
    std::atomic<uint64_t> switchAt_{kDivideNow}; // published with kSwitchRequested
    uint64_t openedSerial_ = 0;                  // controlling thread
    uint64_t slotsSerial_ = 0;                   // owner of slots_
    uint64_t nextSerial_ = 0;                    // owner of next_
    WaveFormat format_;
    int stereoMode_ = 0;
    RecordOutputFactory factory_;
    std::atomic<int> ownBitRate_{2};
    std::atomic<int>* bitRate_ = &ownBitRate_;
    std::atomic<int> lastError_{0};
    std::string lastErrorText_;
    RecordCloser closer_; // last: its worker uses the fields above until it ends
};

} // namespace vorlane
