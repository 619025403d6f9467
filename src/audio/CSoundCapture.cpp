// ProcessNotification, ProcessBlock and CaptureLoop run on the capture thread; everything
// else on the controlling thread. The two meet only through atomics, the writer's control
// word, the channel queue, and control_ (taken around device control, never per block).
#include "audio/CSoundCapture.h"

#include "audio/CaptureMath.h"
#include "platform/Messages.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <pthread.h>
#include <sched.h>
#include <stdexcept>

namespace vorlane {

namespace {
void report(const std::string& text) {
    if (!text.empty())
        std::fprintf(stderr, "vorlane: %s\n", text.c_str());
}
} // namespace

CSoundCapture::CSoundCapture(std::unique_ptr<CaptureSource> source,
                             std::unique_ptr<MonitorSink> monitor)
    : source_(std::move(source)), monitor_(std::move(monitor)) {
    if (!source_)
        throw std::invalid_argument("CSoundCapture needs a capture source");
}

CSoundCapture::~CSoundCapture() {
    ShutdownCapture();
}

void CSoundCapture::BindSettings(std::atomic<int>& recordVolume, std::atomic<int>& recordBalance,
                                 std::atomic<int>& deviceType) {
    recordVolume_.store(&recordVolume, std::memory_order_release);
    recordBalance_.store(&recordBalance, std::memory_order_release);
    deviceType_.store(&deviceType, std::memory_order_release);
}

void CSoundCapture::SetOwnerWindow(WindowHandle owner) {
    owner_.store(owner, std::memory_order_relaxed);
}

bool CSoundCapture::OnCaptureThread() const {
    return captureThreadId_.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

// Called with control_ held: makes sure the capture thread is not inside a step.
void CSoundCapture::Park(std::unique_lock<std::mutex>& lock) {
    running_.store(false, std::memory_order_release);
    if (!thread_.joinable() || OnCaptureThread())
        return;
    source_->wake();
    ++parkWaiters_;
    controlChanged_.wait(lock, [this] { return parked_; });
    --parkWaiters_;
}

// Called with control_ held. A rebuild on the capture thread must not set it running
// again while the controlling thread waits for it to park.
void CSoundCapture::Resume() {
    running_.store(started_ && !stopped_ && parkWaiters_ == 0, std::memory_order_release);
    controlChanged_.notify_all();
}

void CSoundCapture::StartCaptureThread(WindowHandle owner) {
    SetOwnerWindow(owner);
    std::unique_lock lock(control_);
    if (thread_.joinable())
        return;
    quit_ = false;
    parked_ = false;
    if (owner)
        blockPosts_ = std::make_unique<MessagePostRelay>(owner, msg::BlockCaptured);
    writer_.StartCloser();
    thread_ = std::thread([this] { CaptureLoop(); });
}

void CSoundCapture::CaptureLoop() {
    captureThreadId_.store(std::this_thread::get_id(), std::memory_order_relaxed);
    // Real-time priority when the system grants it; capture works without.
    sched_param sp{};
    sp.sched_priority = sched_get_priority_min(SCHED_FIFO) + 10;
    pthread_setschedparam(pthread_self(), SCHED_FIFO, &sp);

    for (;;) {
        {
            std::unique_lock lock(control_);
            while (!quit_ && !running_.load(std::memory_order_acquire)) {
                parked_ = true;
                controlChanged_.notify_all();
                // Nothing is captured: a stop request is served here, so that a recording
                // whose device went away still gets closed.
                writer_.ServeStopRequest();
                controlChanged_.wait(lock, [this] {
                    return quit_ || running_.load(std::memory_order_acquire) ||
                           writer_.StopPending();
                });
            }
            if (quit_) {
                parked_ = true;
                controlChanged_.notify_all();
                return;
            }
            parked_ = false;
        }
        while (running_.load(std::memory_order_acquire))
            ProcessNotification();
    }
}

void CSoundCapture::ShutdownCapture() {
    Stop();
    {
        std::unique_lock lock(control_);
        quit_ = true;
        controlChanged_.notify_all();
    }
    if (thread_.joinable())
        thread_.join();
    blockPosts_.reset();
    // No capture thread any more: an open recording is completed here.
    writer_.RequestStop();
    writer_.ServeStopRequest();
    writer_.StopCloser();
    Release();
}

void CSoundCapture::PublishEmptyChannels() {
    ChannelBlock& channels = channels_.back();
    channels.bytesPerChannel = 0;
    channels.number = blockNumber_.load(std::memory_order_relaxed);
    channels_.publish();
}

int CSoundCapture::InitLocked() {
    seenOverruns_ = 0;
    ReleaseLocked();
    int type = deviceType_.load(std::memory_order_acquire)->load(std::memory_order_relaxed);
    chosenDevice_ = CaptureMath::ChooseDevice(source_->listDevices(), type);
    stopped_ = false;
    playbackFailed_.store(false, std::memory_order_relaxed);
    captureFailed_.store(false, std::memory_order_relaxed);
    const WaveFormat format = WaveFormat::Capture();
    blockSize_ = CaptureMath::BlockSize(format);
    actualFormat_ = format;
    PublishEmptyChannels();
    if (monitor_ && monitor_->open(format, blockSize_, kBlocksPerRing) == 0) {
        monitor_->setVolume(monitorVolume_.load(std::memory_order_relaxed));
        hasMonitor_ = true;
    } else {
        playbackFailed_.store(true, std::memory_order_relaxed);
        if (monitor_)
            report(monitor_->errorText() + "; recording goes on without a monitor output");
    }
    int err = source_->open(chosenDevice_, format, blockSize_ / format.blockAlign, kBlocksPerRing);
    if (err < 0)
        report(source_->errorText());
    return err;
}

int CSoundCapture::StartLocked() {
    if (!source_->isOpen())
        return -EBADFD;
    if (hasMonitor_ && monitor_->start(kMonitorLeadBlocks) < 0) {
        report(monitor_->errorText() + "; recording goes on without a monitor output");
        monitor_->close();
        hasMonitor_ = false;
        playbackFailed_.store(true, std::memory_order_relaxed);
    }
    int err = source_->start();
    if (err < 0) {
        report(source_->errorText());
        return err;
    }
    actualFormat_ = source_->actualFormat();
    started_ = true;
    captureFailed_.store(false, std::memory_order_relaxed);
    return 0;
}

void CSoundCapture::StopLocked() {
    stopped_ = true;
    started_ = false;
    running_.store(false, std::memory_order_release);
    source_->stop();
    if (hasMonitor_)
        monitor_->stop();
}

void CSoundCapture::ReleaseLocked() {
    started_ = false;
    running_.store(false, std::memory_order_release);
    source_->close();
    if (monitor_)
        monitor_->close();
    hasMonitor_ = false;
    PublishEmptyChannels();
}

int CSoundCapture::WhileParked(int (CSoundCapture::*step)()) {
    std::unique_lock lock(control_);
    Park(lock);
    int err = (this->*step)();
    Resume();
    return err;
}

int CSoundCapture::Init() {
    return WhileParked(&CSoundCapture::InitLocked);
}

int CSoundCapture::Start() {
    return WhileParked(&CSoundCapture::StartLocked);
}

void CSoundCapture::Stop() {
    std::unique_lock lock(control_);
    stopped_ = true;
    Park(lock);
    StopLocked();
    Resume();
}

void CSoundCapture::Release() {
    std::unique_lock lock(control_);
    Park(lock);
    ReleaseLocked();
    Resume();
}

bool CSoundCapture::Restart() {
    std::unique_lock lock(control_);
    Park(lock);
    StopLocked();
    stopped_ = false;
    int err = StartLocked();
    Resume();
    return err == 0;
}

void CSoundCapture::SetMonitorVolume(int volume) {
    monitorVolume_.store(volume, std::memory_order_relaxed);
    if (monitor_)
        monitor_->setVolume(volume);
}

// The engine is rebuilt after an unexpected failure inside a step, so that capture
// goes on. Runs on the thread of that step.
void CSoundCapture::RebuildAfterFailure(const char* what) {
    report(std::string("capture step failed (") + what + "); restarting the capture device");
    std::unique_lock lock(control_);
    Park(lock);
    StopLocked();
    ReleaseLocked();
    if (InitLocked() == 0) {
        StopLocked();
        stopped_ = false;
        StartLocked();
    }
    Resume();
}

int CSoundCapture::ProcessNotification() {
    try {
        if (!running_.load(std::memory_order_acquire)) {
            writer_.ServeStopRequest();
            return 0;
        }
        uint8_t* block = nullptr;
        int n = source_->readBlock(block, blockSize_, kReadTimeoutMs);
        if (n < 0) {
            // The device failed for good (removed, most likely): stop asking it.
            captureFailed_.store(true, std::memory_order_relaxed);
            running_.store(false, std::memory_order_release);
            report(source_->errorText());
            writer_.ServeStopRequest();
            return n;
        }
        if (n == 0) {
            writer_.ServeStopRequest();
            return 0;
        }
        ProcessBlock(block, static_cast<uint32_t>(n));
    } catch (const std::exception& e) {
        RebuildAfterFailure(e.what());
    } catch (...) {
        RebuildAfterFailure("unknown error");
    }
    return 0;
}

void CSoundCapture::ProcessBlock(uint8_t* block, uint32_t bytes) {
    // Gain and balance apply to every block, so the writer and the meter see them whether
    // or not there is a monitor output.
    GainFactors gain = CaptureMath::Gain(
        recordVolume_.load(std::memory_order_acquire)->load(std::memory_order_relaxed),
        recordBalance_.load(std::memory_order_acquire)->load(std::memory_order_relaxed),
        deviceType_.load(std::memory_order_acquire)->load(std::memory_order_relaxed));
    if (!gain.unity())
        CaptureMath::ApplyGain(block, bytes / 2, gain);
    if (hasMonitor_)
        monitor_->writeBlock(block, bytes);
    blockCount_.fetch_add(1, std::memory_order_relaxed);
    // A reopened device counts from 0 again.
    const uint32_t overruns = source_->overruns();
    if (overruns != seenOverruns_) {
        if (overruns > seenOverruns_ && writer_.IsRecording())
            dropouts_.fetch_add(overruns - seenOverruns_, std::memory_order_relaxed);
        seenOverruns_ = overruns;
    }
    const uint64_t number = blockNumber_.load(std::memory_order_relaxed);
    writer_.WriteBlock(block, bytes, paused_.load(std::memory_order_relaxed), number);
    ChannelBlock& channels = channels_.back();
    channels.number = number;
    channels.bytesPerChannel = CaptureMath::SplitChannels(
        block, bytes < ChannelBlock::kMaxBytes ? bytes : ChannelBlock::kMaxBytes, actualFormat_,
        channels.left, channels.right);
    channels_.publish();
    blockNumber_.store(number + 1, std::memory_order_release);
    if (blockPosts_ && OnCaptureThread())
        blockPosts_->Signal();
    else if (WindowHandle owner = owner_.load(std::memory_order_relaxed))
        MessageWindow::PostTo(owner, msg::BlockCaptured, 0, 0);
}

bool CSoundCapture::StartRecording(const std::string& fileName, FileType fileType) {
    paused_.store(false, std::memory_order_relaxed);
    if (!writer_.IsRecording())
        dropouts_.store(0, std::memory_order_relaxed);
    bool ok = writer_.StartRecording(fileName, fileType);
    if (!ok)
        report(writer_.LastErrorText());
    return ok;
}

bool CSoundCapture::DivideInto(const std::string& fileName, FileType fileType,
                               uint64_t startBlock) {
    paused_.store(false, std::memory_order_relaxed);
    bool ok = writer_.DivideInto(fileName, fileType, startBlock);
    if (!ok)
        report(writer_.LastErrorText());
    return ok;
}

void CSoundCapture::TogglePause() {
    if (writer_.IsRecording())
        paused_.store(!paused_.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

void CSoundCapture::ClearPause() {
    paused_.store(false, std::memory_order_relaxed);
}

void CSoundCapture::RequestStop() {
    writer_.RequestStop();
    // A parked capture thread serves it at once.
    { std::lock_guard lock(control_); }
    controlChanged_.notify_all();
}

std::string CSoundCapture::ChosenDevice() const {
    std::lock_guard lock(control_);
    return chosenDevice_;
}

WaveFormat CSoundCapture::ActualFormat() const {
    std::lock_guard lock(control_);
    return actualFormat_;
}

uint32_t CSoundCapture::BlockSize() const {
    std::lock_guard lock(control_);
    return blockSize_;
}

} // namespace vorlane
