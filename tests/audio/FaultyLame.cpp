// A LAME library that fails when told to, for the encoder failure paths. Everything is
// the real library (a dependency of this one) except two functions, which forward to it
// unless VORLANE_TEST_LAME_FAIL says "encode:N" (the Nth encode call of a stream fails)
// or "flush" (the flush fails).
#include <lame/lame.h>

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

namespace {
int encodeCalls = 0;

const char* mode() {
    const char* m = std::getenv("VORLANE_TEST_LAME_FAIL");
    return m ? m : "";
}

template <typename F> F real(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}
} // namespace

extern "C" {

lame_global_flags* lame_init() {
    encodeCalls = 0;
    return real<lame_global_flags* (*)()>("lame_init")();
}

int lame_encode_buffer_interleaved(lame_global_flags* gfp, short int pcm[], int samples,
                                   unsigned char* out, int size) {
    ++encodeCalls;
    if (std::strncmp(mode(), "encode:", 7) == 0 && encodeCalls >= std::atoi(mode() + 7))
        return -4;
    return real<decltype(&lame_encode_buffer_interleaved)>("lame_encode_buffer_interleaved")(
        gfp, pcm, samples, out, size);
}

int lame_encode_flush(lame_global_flags* gfp, unsigned char* out, int size) {
    if (std::strcmp(mode(), "flush") == 0)
        return -1;
    return real<decltype(&lame_encode_flush)>("lame_encode_flush")(gfp, out, size);
}
}
