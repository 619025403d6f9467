// Default thread-sanitizer options of every program in a thread-sanitizer build; the
// TSAN_OPTIONS variable still adds to or overrides them.
//
// Qt, GLib and GStreamer are not built with the sanitizer: their locks are futexes it
// cannot see, so their accesses are left out (ignore_noninstrumented_modules) and the
// hand-overs they make for us are marked in our code (src/platform/ThreadSanitizer.h).
// QProcess forks from a threaded program, which the sanitizer would otherwise refuse.
extern "C" const char* __tsan_default_options() {
    return "ignore_noninstrumented_modules=1:die_after_fork=0:second_deadlock_stack=1"
           ":suppressions=" VORLANE_TSAN_SUPPRESSIONS;
}
