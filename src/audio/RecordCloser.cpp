// Retire runs on the capture thread; Run on the worker; the rest on the controlling thread.
#include "audio/RecordCloser.h"

#include "audio/FileIo.h"

#include <algorithm>
#include <chrono>
#include <exception>

namespace vorlane {

RecordCloser::RecordCloser(std::function<void()> recordingEnded)
    : recordingEnded_(std::move(recordingEnded)), sync_(&FileIo::SyncData) {
    queue_.reserve(kQueueLimit);
    watched_.reserve(kQueueLimit);
}

RecordCloser::~RecordCloser() {
    Stop();
}

void RecordCloser::Start() {
    std::lock_guard lock(mutex_);
    if (running_)
        return;
    quit_ = false;
    running_ = true;
    thread_ = std::thread([this] { Run(); });
}

void RecordCloser::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (!running_)
            return;
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
    std::lock_guard lock(mutex_);
    running_ = false;
}

void RecordCloser::SetSyncCall(SyncCall call) {
    std::lock_guard lock(mutex_);
    sync_ = std::move(call);
}

void RecordCloser::Watch(uint64_t serial, int fd) {
    if (fd < 0)
        return;
    std::lock_guard lock(mutex_);
    watched_.emplace_back(serial, fd);
}

void RecordCloser::Retire(uint64_t serial, Outputs& outputs, bool endsRecording) {
    Job job{serial, std::move(outputs), endsRecording};
    {
        std::unique_lock lock(mutex_);
        // A worker so far behind that the queue is full: closing here beats losing a file.
        if (running_ && queue_.size() < kQueueLimit) {
            queue_.push_back(std::move(job));
            lock.unlock();
            wake_.notify_one();
            return;
        }
    }
    Finish(job);
}

void RecordCloser::Finish(Job& job) {
    {
        std::lock_guard lock(mutex_);
        watched_.erase(std::remove_if(watched_.begin(), watched_.end(),
                                      [&](const auto& w) { return w.first == job.serial; }),
                       watched_.end());
    }
    bool first = true;
    for (auto& out : job.outputs) {
        if (!out)
            continue;
        bool ok;
        try {
            ok = out->close();
        } catch (const std::exception&) {
            ok = false;
        }
        {
            std::lock_guard lock(mutex_);
            if (!ok)
                failures_.push_back({job.serial, out->error(), out->errorText()});
            if (first) {
                keptSerial_ = job.serial;
                keptSeconds_ = out->keptSeconds();
            }
        }
        first = false;
        out.reset();
    }
    uint64_t seen = closedUpTo_.load(std::memory_order_relaxed);
    while (seen < job.serial &&
           !closedUpTo_.compare_exchange_weak(seen, job.serial, std::memory_order_acq_rel)) {
    }
    if (job.endsRecording && recordingEnded_)
        recordingEnded_();
}

void RecordCloser::SyncWatched() {
    std::vector<std::pair<uint64_t, int>> fds;
    SyncCall sync;
    {
        std::lock_guard lock(mutex_);
        fds = watched_;
        sync = sync_;
    }
    // Only this thread closes watched files, so the descriptors stay valid meanwhile.
    for (const auto& w : fds)
        sync(w.second);
}

void RecordCloser::Run() {
    using Clock = std::chrono::steady_clock;
    auto nextSync = Clock::now() + std::chrono::milliseconds(kSyncMs);
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait_until(lock, nextSync, [this] { return quit_ || !queue_.empty(); });
        if (!queue_.empty()) {
            Job job = std::move(queue_.front());
            queue_.erase(queue_.begin());
            busy_ = true;
            lock.unlock();
            Finish(job);
            lock.lock();
            busy_ = false;
            done_.notify_all();
            continue;
        }
        if (quit_)
            return;
        if (Clock::now() >= nextSync) {
            lock.unlock();
            SyncWatched();
            lock.lock();
            nextSync = Clock::now() + std::chrono::milliseconds(kSyncMs);
        }
    }
}

bool RecordCloser::Drain(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return done_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return queue_.empty() && !busy_; });
}

double RecordCloser::KeptSeconds(uint64_t serial) const {
    std::lock_guard lock(mutex_);
    return keptSerial_ == serial ? keptSeconds_ : -1;
}

std::vector<RecordCloser::Failure> RecordCloser::TakeFailures() {
    std::lock_guard lock(mutex_);
    std::vector<Failure> out;
    out.swap(failures_);
    return out;
}

} // namespace vorlane
