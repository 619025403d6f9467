#include "PlaybackTestSupport.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "playback/CDXGraph.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

// GLib gives up its first quark table on purpose once GStreamer's plugins have filled it.
// Stacks of GLib's own allocations end in g_malloc (GLib keeps no frame pointers), so the
// sanitizer build passes over allocations made inside GLib; ours are still checked.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libglib-2.0.so\n";
}

namespace vorlane::test {
namespace {

class CDXGraphTest : public ::testing::Test {
protected:
    void SetUp() override { useNullAudioOutput(); }

    // A graph ready to play a tone of this length.
    void render(double seconds, const std::string& name = "tone.wav") {
        const auto file = folder / name;
        ASSERT_TRUE(writeTone(file, seconds)) << file;
        ASSERT_TRUE(graph.Create());
        ASSERT_TRUE(graph.RenderFile(file.string())) << graph.LastError();
    }

    double position() {
        double s = -1;
        EXPECT_TRUE(graph.GetCurrentPosition(&s));
        return s;
    }

    TestProgramFolder folder{false};
    CDXGraph graph;
};

TEST_F(CDXGraphTest, AskingForTheStateItIsInLeavesThePipelineAlone) {
    render(3);
    EXPECT_TRUE(graph.IsStopped());
    for (auto [enter, in] : {std::pair{&CDXGraph::Stop, &CDXGraph::IsStopped},
                             {&CDXGraph::Run, &CDXGraph::IsRunning},
                             {&CDXGraph::Pause, &CDXGraph::IsPaused}}) {
        ASSERT_TRUE((graph.*enter)());
        ASSERT_TRUE(pumpUntil([&] { return (graph.*in)(); }, 10000));
        const int requests = graph.StateRequests();
        EXPECT_TRUE((graph.*enter)());
        EXPECT_EQ(graph.StateRequests(), requests);
    }

    ASSERT_TRUE(graph.Stop());
    EXPECT_TRUE(graph.IsStopped());
    EXPECT_FALSE(graph.IsRunning());

    // A second Create keeps the graph that is there.
    GstElement* before = graph.Graph();
    EXPECT_FALSE(graph.Create());
    EXPECT_EQ(graph.Graph(), before);
}

TEST_F(CDXGraphTest, SeeksLandWhereAskedAndDurationIsTheFiles) {
    render(5);
    double length = 0;
    ASSERT_TRUE(graph.GetDuration(&length));
    EXPECT_NEAR(length, 5.0, 0.01);
    ASSERT_TRUE(graph.SetCurrentPosition(2.5));
    EXPECT_NEAR(position(), 2.5, 0.01);
    EXPECT_FALSE(graph.SetCurrentPosition(-1));
}

TEST_F(CDXGraphTest, ARateOfOneAndAHalfAdvancesOneAndAHalfTimesAsFast) {
    render(8);
    GstElement* filter = nullptr;
    g_object_get(graph.Graph(), "audio-filter", &filter, nullptr);
    ASSERT_NE(filter, nullptr) << "no scaletempo: the pitch would follow the rate";
    gst_object_unref(filter);

    ASSERT_TRUE(graph.Run());
    ASSERT_TRUE(graph.SetPlaybackRate(1.5));
    ASSERT_TRUE(pumpUntil([&] { return position() > 0.1; }, 10000));
    // Each reading is bracketed by the wall clock, so a busy machine that is slow to answer
    // widens the bounds instead of failing the test.
    using Wall = std::chrono::steady_clock;
    struct Reading {
        Wall::time_point before;
        double at;
        Wall::time_point after;
    };
    auto read = [&] {
        const auto before = Wall::now();
        const double at = position();
        return Reading{before, at, Wall::now()};
    };
    const Reading from = read();
    pumpFor(1500);
    const Reading to = read();
    const auto seconds = [](Wall::duration d) { return std::chrono::duration<double>(d).count(); };
    const double sound = to.at - from.at;
    // The fake sink keeps time, so the stream cannot run ahead of 1.5 x the clock; at 1.0
    // it would cover no more than the wall time.
    EXPECT_GT(sound / seconds(to.before - from.after), 1.25) << sound << " s of sound";
    EXPECT_LT(sound / seconds(to.after - from.before), 1.6) << sound << " s of sound";
}

TEST_F(CDXGraphTest, RecordedFormatsPlayAndBadFilesFailToRender) {
    for (const char* name : {"tone.wav", "tone.mp3", "tone.wma"}) {
        SCOPED_TRACE(name);
        CDXGraph g;
        const auto file = folder / name;
        ASSERT_TRUE(writeTone(file, 1.0));
        ASSERT_TRUE(g.Create());
        ASSERT_TRUE(g.RenderFile(file.string())) << g.LastError();
        double length = 0;
        ASSERT_TRUE(g.GetDuration(&length));
        EXPECT_NEAR(length, 1.0, 0.1);
    }
    std::ofstream(folder / "damaged.mp3", std::ios::binary) << std::string(4000, '\x5a');
    for (const char* name : {"missing.wav", "damaged.mp3"}) {
        SCOPED_TRACE(name);
        CDXGraph g;
        ASSERT_TRUE(g.Create());
        EXPECT_FALSE(g.RenderFile((folder / name).string()));
        EXPECT_FALSE(g.LastError().empty());
        EXPECT_FALSE(g.Run());
    }
}

} // namespace
} // namespace vorlane::test
