#include "device/HidBackend.h"

#include "device/HidapiBackend.h"
#include "device/SimulatedHidBackend.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace vorlane {

namespace {
std::atomic<HidBackend*> g_installed{nullptr};

// The back end the program uses, made once.
HidBackend& defaultBackend() {
    static std::once_flag once;
    static HidBackend* backend = nullptr;
    std::call_once(once, [] {
        const char* sim = std::getenv("VORLANE_SIM_DEVICE");
        if (sim && *sim) {
            if (auto kind = SimulatedHidDevice::KindFromName(sim)) {
                auto* s = new SimulatedHidBackend;
                // The process id keeps the device apart from another process's simulation
                // in the system-wide table of opened devices.
                s->add(*kind, "sim:" + std::to_string(::getpid()) + ":" + sim);
                backend = s;
                return;
            }
            std::fprintf(stderr,
                         "VORLANE_SIM_DEVICE=%s is not adapter, usbpnp, sss or "
                         "controller; using the real devices\n",
                         sim);
        }
        backend = new HidapiBackend;
    });
    return *backend;
}
} // namespace

HidBackend& HidBackend::current() {
    HidBackend* b = g_installed.load(std::memory_order_acquire);
    return b ? *b : defaultBackend();
}

void HidBackend::install(HidBackend* backend) {
    g_installed.store(backend, std::memory_order_release);
}

} // namespace vorlane
