#pragma once

#include "platform/MessageWindow.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

namespace vorlane {

// Plays one recorded file (WAV, MP3 or WMA) through a GStreamer playbin: builds the chain
// for the file, runs, pauses and stops it, reports and sets the position in seconds, sets
// the rate (pitch kept by scaletempo) and the volume, and tells a window about the end of
// the file and about errors (message GraphNotify: wParam kEventComplete or kEventError).
//
//     CDXGraph graph;
//     if (graph.Create() && graph.RenderFile(path)) {
//         graph.SetNotifyWindow(window);
//         graph.Run();
//     }
//
// A stopped graph keeps its place in the file, so Stop then SetCurrentPosition(0) makes it
// ready to play from the start. With VORLANE_AUDIO_OUTPUT=null the sound goes to a fakesink
// that still keeps time.
//
// Thread contract: the operations belong to one thread (the browser's, the GUI thread);
// events arrive from GStreamer's threads and are only queued and posted.
class CDXGraph {
public:
    // Event codes, as the browser acts on them.
    static constexpr int kEventComplete = 1;
    static constexpr int kEventUserAbort = 2;
    static constexpr int kEventError = 3;

    struct Event {
        int code = 0;
        std::string text; // why, for an error
    };

    CDXGraph();
    virtual ~CDXGraph();
    CDXGraph(const CDXGraph&) = delete;
    CDXGraph& operator=(const CDXGraph&) = delete;

    // Makes the playbin. False when one exists already (it is kept) or GStreamer cannot
    // make one.
    virtual bool Create();
    // Stops and drops the pipeline; safe to call again.
    virtual void Release();
    // Takes a reference to an existing pipeline instead of making one; null only releases.
    virtual bool Attach(GstElement* graph);

    // Builds the chain for the file and prerolls it, so a missing or damaged file fails
    // here, with the reason in LastError(). Leaves the graph stopped at the start.
    bool RenderFile(const std::string& path);
    // Where GraphNotify goes; 0 stops the posts (events are still queued).
    void SetNotifyWindow(WindowHandle window);
    // The next queued event; false when there is none.
    bool GetEvent(Event& event);

    // Each is true at once, without touching the pipeline, when already in that state.
    // Run and Pause fail while no file is in place (none rendered, or its rendering failed).
    bool Run();
    bool Pause();
    bool Stop();
    // State as the pipeline reports it within 10 ms (a change under way counts as done).
    bool IsRunning();
    bool IsPaused();
    bool IsStopped();

    bool GetCurrentPosition(double* seconds);
    bool GetDuration(double* seconds);
    // Flushing, accurate seek; the stop position stays where it was.
    bool SetCurrentPosition(double seconds);
    // Flushing, accurate seek from the current position at this rate (> 0).
    bool SetPlaybackRate(double rate);
    double PlaybackRate() const { return rate_; }
    // Hundredths of a decibel: 0 full, -10000 silent.
    bool SetAudioVolume(long hundredthsDb);
    bool GetAudioVolume(long* hundredthsDb);

    // How many state changes the graph has asked of the pipeline.
    int StateRequests() const { return stateRequests_; }
    const std::string& LastError() const { return lastError_; }
    GstElement* Graph() const { return graph_; }

    // The bus's sync handler: runs on GStreamer's threads, queues and posts only.
    static void OnBusMessage(GstMessage* message, void* self);

private:
    enum class State { None, Stopped, Paused, Running };
    State QueryState();
    bool RequestState(State target);
    bool Seek(double rate, int64_t positionNs);
    bool WaitForPreroll(int timeoutMs);
    void Queue(Event event);

    GstElement* graph_ = nullptr;
    // A stopped graph is a paused pipeline that remembers being stopped: it keeps its
    // place and can still seek, as the browser expects of a stopped graph.
    bool stopped_ = true;
    bool rendered_ = false;
    double rate_ = 1.0;
    int stateRequests_ = 0;
    std::string lastError_;

    std::mutex eventsLock_;
    std::deque<Event> events_;
    std::atomic<WindowHandle> notifyWindow_{0};
};

} // namespace vorlane
