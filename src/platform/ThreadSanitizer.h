#pragma once

// Hand-overs that Qt orders with its own futex-based locks are invisible to the thread
// sanitizer, which only sees instrumented code and the pthread calls. These marks tell
// it about them: a release where one thread hands memory over (an event posted, a thread
// ending) and an acquire where the other takes it (the event delivered, the thread
// joined). They compile to nothing outside a thread-sanitizer build.

#if defined(VORLANE_TSAN)
extern "C" {
void __tsan_acquire(void* addr);
void __tsan_release(void* addr);
}
#endif

namespace vorlane {

inline void SanitizerRelease([[maybe_unused]] const void* key) {
#if defined(VORLANE_TSAN)
    __tsan_release(const_cast<void*>(key));
#endif
}

inline void SanitizerAcquire([[maybe_unused]] const void* key) {
#if defined(VORLANE_TSAN)
    __tsan_acquire(const_cast<void*>(key));
#endif
}

} // namespace vorlane
