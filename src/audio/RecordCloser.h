#pragma once

#include "audio/RecordOutput.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vorlane {

// Finishes record files away from the capture thread: the outputs of a file that a
// division or a stop leaves behind are closed here (flush, Info frame, trailer, header,
// sync), and the open files are forced to disk every kSyncMs, so that a slow disk never
// holds up capture.
//
// Without Start() (engines driven without a capture thread) everything runs at once on
// the calling thread.
//
// Thread contract: Retire from the thread that owns the outputs (the capture thread); the
// rest from the controlling thread. The capture thread takes the lock only when it hands
// a file over, never per block, and the worker never holds it while it works on a file.
class RecordCloser {
public:
    static constexpr int kSlots = 2;
    static constexpr int kSyncMs = 2000;
    using Outputs = std::array<std::unique_ptr<RecordOutput>, kSlots>;
    // Forces a descriptor to disk; 0 or a negative errno. Replaceable for tests.
    using SyncCall = std::function<int(int fd)>;

    struct Failure {
        uint64_t serial = 0;
        int error = 0;
        std::string text;
    };

    // `recordingEnded` runs on the worker after the outputs of a retired file whose
    // recording ended were closed.
    explicit RecordCloser(std::function<void()> recordingEnded);
    ~RecordCloser();
    RecordCloser(const RecordCloser&) = delete;
    RecordCloser& operator=(const RecordCloser&) = delete;

    void Start();
    // Closes everything handed over, then ends the worker.
    void Stop();
    bool Running() const { return running_; }
    void SetSyncCall(SyncCall call);

    // The file `serial` is open; its data is on `fd` (ignored when negative).
    void Watch(uint64_t serial, int fd);
    // Takes the outputs of file `serial` to close them. `endsRecording`: no file follows.
    void Retire(uint64_t serial, Outputs& outputs, bool endsRecording);
    // Waits until every file handed over is closed; false when timeoutMs passed first.
    bool Drain(int timeoutMs);
    // True once the outputs of file `serial` (and of every file before it) are closed.
    bool Closed(uint64_t serial) const {
        return closedUpTo_.load(std::memory_order_acquire) >= serial;
    }
    // Files whose close failed, since the last call.
    std::vector<Failure> TakeFailures();
    // Once Closed(serial): the seconds of sound that file keeps, when its first output
    // can tell (RecordOutput::keptSeconds); -1 otherwise, or when a later file was closed
    // since.
    double KeptSeconds(uint64_t serial) const;

private:
    struct Job {
        uint64_t serial = 0;
        Outputs outputs;
        bool endsRecording = false;
    };
    static constexpr size_t kQueueLimit = 8;

    void Run();
    void Finish(Job& job);
    void SyncWatched();

    std::function<void()> recordingEnded_;
    SyncCall sync_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    std::vector<Job> queue_; // capacity reserved, so a hand-over does not allocate
    std::vector<std::pair<uint64_t, int>> watched_;
    std::vector<Failure> failures_;
    uint64_t keptSerial_ = 0;
    double keptSeconds_ = -1;
    std::atomic<uint64_t> closedUpTo_{0};
    bool busy_ = false;
    bool quit_ = false;
    bool running_ = false;
    std::thread thread_;
};

} // namespace vorlane
