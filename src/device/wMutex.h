#pragma once

#include <pthread.h>

namespace vorlane {

// A robust, process-shared mutex that lives in shared memory. When its owner dies
// while holding it, the next Lock() takes it over and marks it consistent again.
//
// Thread contract: any thread of any process that maps the memory.
class wMutex {
public:
    wMutex() = default;
    explicit wMutex(pthread_mutex_t* m) : mutex_(m) {}

    // Initialises the mutex in fresh memory (done once, by the creator of the block).
    static bool Init(pthread_mutex_t* m);

    static constexpr int LockWaitMs = 3000;

    void bind(pthread_mutex_t* m) { mutex_ = m; }
    // False when the mutex can no longer be used or is not had within timeoutMs (a holder
    // that hangs must not hang this thread too).
    bool Lock(int timeoutMs = LockWaitMs);
    void Unlock();

private:
    pthread_mutex_t* mutex_ = nullptr;
};

} // namespace vorlane
