#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorlane {

// The lines a later start and the running instance exchange over the instance socket.
//
//     request:  "vorlane/1 <command>"          e.g. "vorlane/1 status"
//     answer:   "vorlane/1 <status> <text>"    e.g. "vorlane/1 error not recording"
//
// Each line ends in '\n'. A command is a lower-case word; the status is "ok", "error"
// (refused, the text says why), "busy" (not ready yet: ask again) or "bad" (a request the
// instance cannot read). A plain number is the older request of a second start (the open
// command), answered "ok" or "bad" alone.
//
// Thread contract: pure functions.
class InstanceProtocol {
public:
    // The version every line carries; a request of another version is answered "bad".
    static constexpr std::string_view kTag = "vorlane/1";
    // The longest request the instance reads; anything longer is no request of ours.
    static constexpr size_t kMaxRequest = 512;
    // The longest answer: room for a status line with a path as long as Linux allows.
    static constexpr size_t kMaxAnswer = 8192;

    enum class Status { Ok, Error, Busy, Bad };

    struct Request {
        enum class Kind { Command, Legacy, Bad };
        Kind kind = Kind::Bad;
        std::string command; // Kind::Command
        uint32_t legacy = 0; // Kind::Legacy: the command number
        std::string error;   // Kind::Bad: why, one line
    };

    struct Answer {
        bool valid = false; // false: not an answer line of this version
        Status status = Status::Bad;
        std::string text;
    };

    // `line` without its '\n'.
    static Request ParseRequest(std::string_view line);
    static std::string FormatRequest(std::string_view command);

    // The text is made one line first (see OneLine), and cut to kMaxAnswer at a character
    // boundary.
    static std::string FormatAnswer(Status status, std::string_view text);
    static Answer ParseAnswer(std::string_view line);

    // `text` as one line: line breaks and other control characters become blanks, and
    // blanks at the ends go.
    static std::string OneLine(std::string_view text);
};

} // namespace vorlane
