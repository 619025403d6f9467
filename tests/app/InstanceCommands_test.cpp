#include "app/InstanceCommands.h"

#include <gtest/gtest.h>

#include <string>

using namespace vorlane;
using State = RecordingController::Status::State;

// The status line keeps one form for every state, the path last, so that a path with
// blanks stays whole for scripts.
TEST(InstanceCommands, TheStatusLineHasOneFormForEveryState) {
    struct Case {
        RecordingController::Status status;
        bool schedulerMode;
        std::string line;
    };
    const Case cases[] = {
        {{}, false, "idle elapsed=00:00:00 dropouts=0 file="},
        {{}, true, "scheduler elapsed=00:00:00 dropouts=0 file="},
        {{State::Recording, "/r/No.01-Track001_20261209-101500.wav", 83, 0},
         false,
         "recording elapsed=00:01:23 dropouts=0 file=/r/No.01-Track001_20261209-101500.wav"},
        {{State::Paused, "/my records/side a.mp3", 3725, 12},
         false,
         "paused elapsed=01:02:05 dropouts=12 file=/my records/side a.mp3"},
        // A recording outranks scheduler mode (a task records on its way out of it).
        {{State::Recording, "/r/x.flac", 360000, 1},
         true,
         "recording elapsed=100:00:00 dropouts=1 file=/r/x.flac"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(InstanceCommands::StatusLine(c.status, c.schedulerMode), c.line);
}
