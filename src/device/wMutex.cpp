#include "device/wMutex.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

namespace vorlane {

bool wMutex::Init(pthread_mutex_t* m) {
    pthread_mutexattr_t attr;
    if (pthread_mutexattr_init(&attr) != 0)
        return false;
    bool ok = pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED) == 0 &&
              pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST) == 0 &&
              pthread_mutex_init(m, &attr) == 0;
    pthread_mutexattr_destroy(&attr);
    return ok;
}

bool wMutex::Lock(int timeoutMs) {
    if (!mutex_)
        return false;
    // Tries in short steps rather than pthread_mutex_timedlock: the steady clock is
    // immune to clock changes, and every tool (the thread sanitizer too) follows a
    // trylock that takes the mutex over from a dead owner.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int r = 0;
    while ((r = pthread_mutex_trylock(mutex_)) == EBUSY) {
        if (std::chrono::steady_clock::now() >= deadline) {
            std::fprintf(stderr, "Vorlane: the device table stays locked; giving up\n");
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (r == EOWNERDEAD) {
        // The records the dead owner was changing are checked record by record anyway.
        r = pthread_mutex_consistent(mutex_);
        if (r != 0)
            pthread_mutex_unlock(mutex_);
    }
    return r == 0;
}

void wMutex::Unlock() {
    if (mutex_)
        pthread_mutex_unlock(mutex_);
}

} // namespace vorlane
