#include "device/wMutex.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

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
    struct timespec until {};
    ::clock_gettime(CLOCK_REALTIME, &until);
    until.tv_sec += timeoutMs / 1000;
    until.tv_nsec += long(timeoutMs % 1000) * 1000000L;
    if (until.tv_nsec >= 1000000000L) {
        until.tv_sec += 1;
        until.tv_nsec -= 1000000000L;
    }
    int r = pthread_mutex_timedlock(mutex_, &until);
    bool died = false;
    if (r == EOWNERDEAD) {
        // The records the dead owner was changing are checked record by record anyway.
        died = true;
        r = pthread_mutex_consistent(mutex_);
        if (r != 0)
            pthread_mutex_unlock(mutex_);
    }
    if (r != 0) {
        if (r == ETIMEDOUT)
            std::fprintf(stderr, "Vorlane: the device table stays locked; giving up\n");
        return false;
    }
    ownerDied_ = died;
    return true;
}

void wMutex::Unlock() {
    if (mutex_)
        pthread_mutex_unlock(mutex_);
}

} // namespace vorlane
