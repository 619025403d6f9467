#pragma once

#include "audio/CRecordWriter.h"
#include "audio/CaptureSource.h"
#include "audio/ChannelQueue.h"
#include "audio/MonitorSink.h"
#include "audio/WaveFormat.h"
#include "platform/MessagePostRelay.h"
#include "platform/MessageWindow.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vorlane {

// The capture engine: takes the device's sound in blocks of 1/8 s on a thread of its own
// and, for every block, applies the record gain and balance, plays it on the monitor
// output, hands it to the record writer (unless paused), splits it into the channel
// buffers for the level meter and posts msg::BlockCaptured to the owner window.
//
// Thread contract: every operation except ProcessNotification is called on one
// controlling thread (the main window's). ProcessNotification is the capture thread's
// step; tests and benchmarks may call it on the controlling thread instead, as long as
// StartCaptureThread was not called. The capture path takes no lock and allocates nothing
// per block; device control parks the capture thread under a mutex first.
class CSoundCapture {
public:
    static constexpr uint32_t kBlocksPerRing = 16;
    static constexpr uint32_t kMonitorLeadBlocks = 4;
    // How long the capture thread waits for a block before it looks at a stop request
    // on its own: a device that delivers nothing must not hold up a stop.
    static constexpr int kReadTimeoutMs = 250;

    CSoundCapture(std::unique_ptr<CaptureSource> source, std::unique_ptr<MonitorSink> monitor);
    // Runs ShutdownCapture.
    ~CSoundCapture();
    CSoundCapture(const CSoundCapture&) = delete;
    CSoundCapture& operator=(const CSoundCapture&) = delete;

    // The shared settings read for every block: "Record Volume" (0..100), "Record Balance"
    // (0..100) and the device type code. Until bound: 100, 50 and 0.
    void BindSettings(std::atomic<int>& recordVolume, std::atomic<int>& recordBalance,
                      std::atomic<int>& deviceType);

    // The bit-rate index ("RecordFileMP3BitRate") read when an MP3 or WMA recording
    // starts. Until bound: 2 (128 kbit/s).
    void BindBitRate(std::atomic<int>& bitRateIndex) { writer_.BindBitRate(bitRateIndex); }

    // Starts the capture thread; msg::BlockCaptured goes to owner.
    void StartCaptureThread(WindowHandle owner);
    // Ends the engine in order: stops capture, ends the thread, closes an open recording
    // (the file is completed), releases the devices. Safe to call more than once.
    void ShutdownCapture();
    // The window that gets msg::BlockCaptured, for engines driven without the thread.
    void SetOwnerWindow(WindowHandle owner);

    // Chooses the capture device for the device type and opens it and the monitor
    // output. 0 on success, else the capture side's negative errno; a monitor output that
    // cannot be opened only leaves the engine without one.
    int Init();
    // Starts capture and the monitor output. 0 or a negative errno.
    int Start();
    void Stop();
    // Closes the devices; the channel buffers read as empty afterwards.
    void Release();
    // Stop, then Start again; true on success.
    bool Restart();
    // Hundredths of a decibel: 0 full, -10,000 silent. Kept across Init.
    void SetMonitorVolume(int volume);

    // One step of the capture thread: waits for a block (at most kReadTimeoutMs), processes
    // it, and serves a pending stop request. Returns 0, or the negative errno of a capture
    // device that failed for good (capture then stays stopped until the next Start).
    int ProcessNotification();

    // Opens the file (type 0 WAV, 1 MP3, 2 WMA, other MP3) and records into it. Clears
    // the pause. True at once when already recording.
    bool StartRecording(const std::string& fileName, FileType fileType);
    // While recording: opens the next file and switches to it at the next block, so no
    // block is lost or doubled; the old file is closed away from the capture thread.
    // Clears the pause. False when the next file cannot be opened (the recording goes on
    // into the current one; RecordErrorText() says why).
    // `startBlock` names the block the next file starts with (see CRecordWriter).
    bool DivideInto(const std::string& fileName, FileType fileType,
                    uint64_t startBlock = CRecordWriter::kDivideNow);
    // Blocks held back before they are written, so that a division found late still
    // lands on its block (see CRecordWriter::SetLookBehind).
    void SetLookBehind(uint32_t blocks) { writer_.SetLookBehind(blocks); }
    // Sound lost since the recording started: overruns of the capture device. Any thread.
    uint32_t RecordingDropouts() const { return dropouts_.load(std::memory_order_relaxed); }
    // While recording: paused blocks are not written, but still metered.
    void TogglePause();
    void ClearPause();
    bool IsPaused() const { return paused_.load(std::memory_order_relaxed); }
    // The recording's outputs are closed on the capture side after the next block or, when
    // no block comes, within kReadTimeoutMs; IsRecording() then turns false.
    void RequestStop();
    bool IsRecording() const { return writer_.IsRecording(); }
    // Why the last recording could not start or ended early (see CRecordWriter).
    int RecordError() const { return writer_.LastError(); }
    std::string RecordErrorText() const { return writer_.LastErrorText(); }

    // Blocks processed: a sign of life for the device layer, which clears it. Any thread.
    uint32_t BlockCount() const { return blockCount_.load(std::memory_order_relaxed); }
    uint32_t TakeBlockCount() { return blockCount_.exchange(0, std::memory_order_relaxed); }

    // The channel samples of every block, in order. One consumer thread (the level
    // meter's).
    ChannelQueue& Channels() { return channels_; }
    // The running number the next captured block gets; blocks are numbered from 0 for
    // the engine's lifetime. Any thread.
    uint64_t NextBlockNumber() const { return blockNumber_.load(std::memory_order_acquire); }

    CRecordWriter& Writer() { return writer_; }
    bool PlaybackFailed() const { return playbackFailed_.load(std::memory_order_relaxed); }
    bool CaptureFailed() const { return captureFailed_.load(std::memory_order_relaxed); }
    int MonitorVolume() const { return monitorVolume_.load(std::memory_order_relaxed); }
    // The device id chosen by the last Init ("" for the default device).
    std::string ChosenDevice() const;
    WaveFormat ActualFormat() const;
    uint32_t BlockSize() const;

private:
    // Runs a device step with the capture thread parked; the step's result.
    int WhileParked(int (CSoundCapture::*step)());
    int InitLocked();
    int StartLocked();
    void StopLocked();
    void ReleaseLocked();
    void Park(std::unique_lock<std::mutex>& lock);
    void Resume();
    bool OnCaptureThread() const;
    void CaptureLoop();
    void ProcessBlock(uint8_t* block, uint32_t bytes);
    void RebuildAfterFailure(const char* what);
    void PublishEmptyChannels();

    std::unique_ptr<CaptureSource> source_;
    std::unique_ptr<MonitorSink> monitor_;
    CRecordWriter writer_;
    ChannelQueue channels_;

    std::atomic<int> ownVolume_{100};
    std::atomic<int> ownBalance_{50};
    std::atomic<int> ownDeviceType_{0};
    std::atomic<std::atomic<int>*> recordVolume_{&ownVolume_};
    std::atomic<std::atomic<int>*> recordBalance_{&ownBalance_};
    std::atomic<std::atomic<int>*> deviceType_{&ownDeviceType_};

    // Read on the capture path without a lock.
    std::atomic<bool> running_{false}; // started and not stopped: blocks are processed
    std::atomic<bool> paused_{false};
    std::atomic<bool> playbackFailed_{false};
    std::atomic<bool> captureFailed_{false};
    std::atomic<int> monitorVolume_{0};
    std::atomic<uint32_t> blockCount_{0};
    std::atomic<uint64_t> blockNumber_{0};
    std::atomic<uint32_t> dropouts_{0};
    uint32_t seenOverruns_ = 0; // capture thread
    std::atomic<WindowHandle> owner_{0};

    // Written only under control_ while the capture thread is parked (or by the capture
    // thread itself while it holds control_).
    bool stopped_ = false;
    bool started_ = false;
    bool hasMonitor_ = false;
    uint32_t blockSize_ = 0;
    WaveFormat actualFormat_;
    std::string chosenDevice_;

    mutable std::mutex control_;
    std::condition_variable controlChanged_;
    bool parked_ = false;
    int parkWaiters_ = 0;
    bool quit_ = false;
    std::thread thread_;
    std::atomic<std::thread::id> captureThreadId_{};
    // Posts msg::BlockCaptured for the capture thread, which must not lock or allocate.
    std::unique_ptr<MessagePostRelay> blockPosts_;
};

} // namespace vorlane
