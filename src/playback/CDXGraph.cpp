#include "playback/CDXGraph.h"

#include "platform/Messages.h"
#include "playback/PlaybackMath.h"

#include <gst/gst.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace vorlane {

namespace {

constexpr int kStateQueryMs = 10;
// A local file prerolls in milliseconds; a slow disk or a busy machine gets some slack.
constexpr int kPrerollMs = 5000;
constexpr int kSeekSettleMs = 1000;

bool ensureGstreamer() {
    static const bool ok = [] {
        GError* error = nullptr;
        const bool done = gst_init_check(nullptr, nullptr, &error);
        if (error)
            g_error_free(error);
        return done;
    }();
    return ok;
}

bool nullOutput() {
    const char* out = std::getenv("VORLANE_AUDIO_OUTPUT");
    return out && std::strcmp(out, "null") == 0;
}

std::string fileUri(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    gchar* uri = gst_filename_to_uri(ec ? path.c_str() : absolute.c_str(), nullptr);
    std::string out = uri ? uri : "";
    g_free(uri);
    return out;
}

GstBusSyncReply onBus(GstBus*, GstMessage* message, gpointer self) {
    CDXGraph::OnBusMessage(message, self);
    return GST_BUS_DROP;
}

} // namespace

CDXGraph::CDXGraph() = default;

CDXGraph::~CDXGraph() {
    Release();
}

bool CDXGraph::Create() {
    if (graph_)
        return false;
    if (!ensureGstreamer()) {
        lastError_ = "GStreamer cannot be started";
        return false;
    }
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    if (!playbin) {
        lastError_ = "GStreamer has no playbin";
        return false;
    }
    // Sound only: no video or subtitle branches.
    g_object_set(playbin, "flags", 0x2 /* audio */, nullptr);
    if (GstElement* tempo = gst_element_factory_make("scaletempo", nullptr))
        g_object_set(playbin, "audio-filter", tempo, nullptr);
    if (nullOutput()) {
        GstElement* sink = gst_element_factory_make("fakesink", nullptr);
        if (sink) {
            g_object_set(sink, "sync", TRUE, nullptr);
            g_object_set(playbin, "audio-sink", sink, nullptr);
        }
    }
    const bool attached = Attach(playbin);
    gst_object_unref(playbin); // Attach holds its own reference
    rendered_ = false;         // a new playbin has no file yet
    return attached;
}

bool CDXGraph::Attach(GstElement* graph) {
    Release();
    if (!graph)
        return true;
    graph_ = GST_ELEMENT(gst_object_ref(graph));
    GstBus* bus = gst_element_get_bus(graph_);
    gst_bus_set_sync_handler(bus, &onBus, this, nullptr);
    gst_object_unref(bus);
    stopped_ = true;
    rate_ = 1.0;
    rendered_ = true; // a pipeline from outside comes ready to play
    return true;
}

void CDXGraph::Release() {
    if (!graph_)
        return;
    gst_element_set_state(graph_, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(graph_);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(graph_);
    graph_ = nullptr;
    stopped_ = true;
    rendered_ = false;
    std::lock_guard<std::mutex> lock(eventsLock_);
    events_.clear();
}

bool CDXGraph::RenderFile(const std::string& path) {
    if (!graph_)
        return false;
    lastError_.clear();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        lastError_ = "the file " + path + " is not there";
        return false;
    }
    rendered_ = false;
    gst_element_set_state(graph_, GST_STATE_NULL);
    g_object_set(graph_, "uri", fileUri(path).c_str(), nullptr);
    ++stateRequests_;
    if (gst_element_set_state(graph_, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE ||
        !WaitForPreroll(kPrerollMs)) {
        gst_element_set_state(graph_, GST_STATE_NULL);
        std::lock_guard<std::mutex> lock(eventsLock_);
        lastError_ = "the file " + path + " cannot be played";
        for (const Event& e : events_)
            if (e.code == kEventError)
                lastError_ += ": " + e.text;
        events_.clear();
        return false;
    }
    stopped_ = true;
    rendered_ = true;
    // An error seen while trying is not news once the file is in place.
    std::lock_guard<std::mutex> lock(eventsLock_);
    events_.clear();
    return true;
}

void CDXGraph::SetNotifyWindow(WindowHandle window) {
    notifyWindow_ = window;
}

bool CDXGraph::GetEvent(Event& event) {
    std::lock_guard<std::mutex> lock(eventsLock_);
    if (events_.empty())
        return false;
    event = std::move(events_.front());
    events_.pop_front();
    return true;
}

bool CDXGraph::Run() {
    if (!graph_ || !rendered_)
        return false;
    return QueryState() == State::Running || RequestState(State::Running);
}

bool CDXGraph::Pause() {
    if (!graph_ || !rendered_)
        return false;
    return QueryState() == State::Paused || RequestState(State::Paused);
}

bool CDXGraph::Stop() {
    if (!graph_)
        return false;
    return QueryState() == State::Stopped || RequestState(State::Stopped);
}

bool CDXGraph::IsRunning() {
    return QueryState() == State::Running;
}

bool CDXGraph::IsPaused() {
    return QueryState() == State::Paused;
}

bool CDXGraph::IsStopped() {
    return QueryState() == State::Stopped;
}

CDXGraph::State CDXGraph::QueryState() {
    if (!graph_)
        return State::None;
    GstState current = GST_STATE_VOID_PENDING, pending = GST_STATE_VOID_PENDING;
    const GstStateChangeReturn r =
        gst_element_get_state(graph_, &current, &pending, kStateQueryMs * GST_MSECOND);
    if (r == GST_STATE_CHANGE_FAILURE)
        return State::None;
    const GstState state = pending != GST_STATE_VOID_PENDING ? pending : current;
    switch (state) {
    case GST_STATE_PLAYING:
        return State::Running;
    case GST_STATE_PAUSED:
        return stopped_ ? State::Stopped : State::Paused;
    default:
        return State::Stopped;
    }
}

bool CDXGraph::RequestState(State target) {
    ++stateRequests_;
    const GstState state = target == State::Running ? GST_STATE_PLAYING : GST_STATE_PAUSED;
    if (gst_element_set_state(graph_, state) == GST_STATE_CHANGE_FAILURE) {
        lastError_ = "the pipeline refused the change of state";
        return false;
    }
    stopped_ = target == State::Stopped;
    return true;
}

bool CDXGraph::WaitForPreroll(int timeoutMs) {
    GstState current = GST_STATE_VOID_PENDING;
    const GstStateChangeReturn r =
        gst_element_get_state(graph_, &current, nullptr, GstClockTime(timeoutMs) * GST_MSECOND);
    return r == GST_STATE_CHANGE_SUCCESS || r == GST_STATE_CHANGE_NO_PREROLL;
}

bool CDXGraph::GetCurrentPosition(double* seconds) {
    gint64 ns = 0;
    if (!graph_ || !seconds || !gst_element_query_position(graph_, GST_FORMAT_TIME, &ns))
        return false;
    *seconds = double(ns) / double(GST_SECOND);
    return true;
}

bool CDXGraph::GetDuration(double* seconds) {
    gint64 ns = 0;
    if (!graph_ || !seconds || !gst_element_query_duration(graph_, GST_FORMAT_TIME, &ns) || ns < 0)
        return false;
    *seconds = double(ns) / double(GST_SECOND);
    return true;
}

bool CDXGraph::SetCurrentPosition(double seconds) {
    if (!graph_ || !(seconds >= 0))
        return false;
    return Seek(rate_, int64_t(seconds * double(GST_SECOND)));
}

bool CDXGraph::SetPlaybackRate(double rate) {
    if (!graph_ || !(rate > 0))
        return false;
    gint64 now = 0;
    if (!gst_element_query_position(graph_, GST_FORMAT_TIME, &now) || now < 0)
        now = 0;
    if (!Seek(rate, now))
        return false;
    rate_ = rate;
    return true;
}

bool CDXGraph::Seek(double rate, int64_t positionNs) {
    // A seek needs a prerolled pipeline; one still on its way there is given the time.
    WaitForPreroll(kSeekSettleMs);
    const bool ok = gst_element_seek(
        graph_, rate, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
        GST_SEEK_TYPE_SET, positionNs, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    if (!ok) {
        lastError_ = "the pipeline refused the seek";
        return false;
    }
    // The position answers for the new place only once the flush has settled.
    WaitForPreroll(kSeekSettleMs);
    return true;
}

bool CDXGraph::SetAudioVolume(long hundredthsDb) {
    if (!graph_)
        return false;
    g_object_set(graph_, "volume", PlaybackMath::LinearVolume(hundredthsDb), nullptr);
    return true;
}

bool CDXGraph::GetAudioVolume(long* hundredthsDb) {
    if (!graph_ || !hundredthsDb)
        return false;
    gdouble linear = 0;
    g_object_get(graph_, "volume", &linear, nullptr);
    *hundredthsDb = PlaybackMath::HundredthsDb(linear);
    return true;
}

void CDXGraph::Queue(Event event) {
    const int code = event.code;
    {
        std::lock_guard<std::mutex> lock(eventsLock_);
        events_.push_back(std::move(event));
    }
    if (const WindowHandle window = notifyWindow_.load())
        MessageWindow::PostTo(window, msg::GraphNotify, uintptr_t(code), 0);
}

void CDXGraph::OnBusMessage(GstMessage* message, void* data) {
    auto* self = static_cast<CDXGraph*>(data);
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
        self->Queue({kEventComplete, {}});
        break;
    case GST_MESSAGE_ERROR: {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        std::string text = error && error->message ? error->message : "playback failed";
        if (error)
            g_error_free(error);
        self->Queue({kEventError, std::move(text)});
        break;
    }
    default:
        break;
    }
}

} // namespace vorlane
