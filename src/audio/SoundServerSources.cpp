#include "audio/SoundServerSources.h"

#include <chrono>
#include <cstdlib>
#include <pulse/pulseaudio.h>

namespace vorlane {

namespace {

using Clock = std::chrono::steady_clock;

// Runs the main loop until `done` holds or the deadline passes; false on time-out.
template <class Done> bool iterateUntil(pa_mainloop* loop, Clock::time_point deadline, Done done) {
    while (!done()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        if (pa_mainloop_prepare(loop, static_cast<int>(left.count())) < 0 ||
            pa_mainloop_poll(loop) < 0 || pa_mainloop_dispatch(loop) < 0)
            return false;
    }
    return true;
}

struct Listing {
    std::vector<SoundServerSource> sources;
    bool done = false;
};

void onSource(pa_context*, const pa_source_info* info, int eol, void* userdata) {
    auto* listing = static_cast<Listing*>(userdata);
    if (eol != 0 || !info) {
        listing->done = true;
        return;
    }
    if (info->monitor_of_sink != PA_INVALID_INDEX)
        return;
    SoundServerSource s;
    s.name = info->name ? info->name : "";
    s.description = info->description ? info->description : s.name;
    if (const char* card = pa_proplist_gets(info->proplist, "alsa.card"))
        s.card = std::atoi(card);
    if (const char* cardName = pa_proplist_gets(info->proplist, "alsa.card_name"))
        s.cardName = cardName;
    if (!s.name.empty())
        listing->sources.push_back(std::move(s));
}

bool contextSettled(pa_context* context) {
    pa_context_state_t state = pa_context_get_state(context);
    return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
}

} // namespace

std::vector<SoundServerSource> SoundServerSources::List(int timeoutMs) {
    Listing listing;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop)
        return {};
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Vorlane");
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 &&
        iterateUntil(loop, deadline, [&] { return contextSettled(context); }) &&
        pa_context_get_state(context) == PA_CONTEXT_READY) {
        if (pa_operation* op = pa_context_get_source_info_list(context, onSource, &listing)) {
            if (!iterateUntil(loop, deadline, [&] { return listing.done; }))
                pa_operation_cancel(op);
            pa_operation_unref(op);
        }
    }
    if (context) {
        pa_context_disconnect(context);
        pa_context_unref(context);
    }
    pa_mainloop_free(loop);
    if (!listing.done)
        listing.sources.clear(); // a half answer could name the wrong card
    return listing.sources;
}

const SoundServerSource* SoundServerSources::ForCard(const std::vector<SoundServerSource>& sources,
                                                     int card, const std::string& cardName) {
    if (card >= 0)
        for (const SoundServerSource& s : sources)
            if (s.card == card)
                return &s;
    if (!cardName.empty())
        for (const SoundServerSource& s : sources)
            if (s.cardName == cardName)
                return &s;
    return nullptr;
}

std::string SoundServerSources::PcmName(const std::string& sourceName) {
    return "pulse:DEVICE=\"" + sourceName + "\"";
}

} // namespace vorlane
