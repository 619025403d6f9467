#include "device/wMutex.h"

#include <cerrno>

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

bool wMutex::Lock() {
    ownerDied_ = false;
    if (!mutex_)
        return false;
    int r = pthread_mutex_lock(mutex_);
    if (r == EOWNERDEAD) {
        // The records the dead owner was changing are checked record by record anyway.
        ownerDied_ = true;
        r = pthread_mutex_consistent(mutex_);
    }
    return r == 0;
}

void wMutex::Unlock() {
    if (mutex_)
        pthread_mutex_unlock(mutex_);
}

} // namespace vorlane
