#pragma once

#include <cstdint>
#include <string>

namespace vorlane {

// Something the user should learn of even while the panel is out of sight (hidden,
// minimised, or waiting in scheduler mode), where its own notes cannot be seen.
struct AwayNotice {
    enum class Kind {
        TaskStarted,    // a scheduled recording began
        TaskEnded,      // a scheduled recording reached its end
        DeviceGone,     // the device went away during a recording, which ended there
        DiskFull,       // a write found the disk full, and the recording ended
        WriteFailed,    // another write failure ended the recording
        Dropouts,       // a recording ended with gaps (count: how many)
        FilesRecovered, // files a crash left open were finished at start (count)
        WakeUnavailable // no wake-up can be armed, so a sleeping computer misses its task
    };
    Kind kind = Kind::TaskStarted;
    // The recording's file; empty when the recording ended with a file that held no sound.
    std::string fileName;
    uint32_t count = 0;
};

} // namespace vorlane
