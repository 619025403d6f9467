#include "platform/InstanceProtocol.h"

#include <gtest/gtest.h>

#include <string>

using namespace vorlane;
using Kind = InstanceProtocol::Request::Kind;
using Status = InstanceProtocol::Status;

TEST(InstanceProtocol, RequestsAreReadStrictlyAndEveryRefusalSaysWhyInOneLine) {
    struct Case {
        std::string line;
        Kind kind;
        std::string what; // the command, the number, or the refusal
    };
    const std::string nul("vorlane/1 st\0op", 15);
    const Case cases[] = {
        {"vorlane/1 record", Kind::Command, "record"},
        {"vorlane/1 no-such-thing", Kind::Command, "no-such-thing"}, // the caller's to refuse
        {"32778", Kind::Legacy, "32778"},
        {"2", Kind::Legacy, "2"},
        {"99999999999", Kind::Bad, "not a request of this program"}, // beyond 32 bits
        {"", Kind::Bad, "empty request"},
        {std::string(513, 'a'), Kind::Bad, "request too long"},
        {"vorlane/1 " + std::string(40, 'a'), Kind::Bad,
         "malformed command '" + std::string(40, 'a') + "'"},
        {"vorlane/2 record", Kind::Bad,
         "unsupported protocol version 'vorlane/2' (this is vorlane/1)"},
        {"vorlane/1", Kind::Bad, "request without a command"},
        {"vorlane/1 ", Kind::Bad, "malformed command ''"},
        {"vorlane/1  record", Kind::Bad, "malformed command ''"},
        {"vorlane/1 Record", Kind::Bad, "malformed command 'Record'"},
        {"vorlane/1 -x", Kind::Bad, "malformed command '-x'"},
        {"vorlane/1 record now", Kind::Bad, "unexpected 'now' after the command"},
        {"vorlane/1 stop\r", Kind::Bad, "not a request of this program"},
        {nul, Kind::Bad, "not a request of this program"},
        {"\xff\xfe\x01garbage", Kind::Bad, "not a request of this program"},
        {"GET / HTTP/1.1", Kind::Bad, "not a request of this program"},
        {"-1", Kind::Bad, "not a request of this program"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.substr(0, 60));
        const InstanceProtocol::Request r = InstanceProtocol::ParseRequest(c.line);
        ASSERT_EQ(r.kind, c.kind) << r.error;
        if (c.kind == Kind::Command)
            EXPECT_EQ(r.command, c.what);
        else if (c.kind == Kind::Legacy)
            EXPECT_EQ(std::to_string(r.legacy), c.what);
        else
            EXPECT_EQ(r.error, c.what);
    }
    // What is quoted back is cut short.
    const auto r = InstanceProtocol::ParseRequest("vorlane/1 ok " + std::string(400, 'x'));
    EXPECT_EQ(r.error, "unexpected '" + std::string(40, 'x') + "...' after the command");
}

TEST(InstanceProtocol, AnswersRoundTripAsOneLineAndAnythingElseIsNoAnswer) {
    struct Case {
        Status status;
        std::string text, line, readBack;
    };
    const Case cases[] = {
        {Status::Ok, "", "vorlane/1 ok\n", ""},
        {Status::Ok, "recording elapsed=00:00:01 dropouts=0 file=/a  b.wav",
         "vorlane/1 ok recording elapsed=00:00:01 dropouts=0 file=/a  b.wav\n",
         "recording elapsed=00:00:01 dropouts=0 file=/a  b.wav"},
        {Status::Error, "The file \"x\"\ncould not\tbe made.\n",
         "vorlane/1 error The file \"x\" could not be made.\n",
         "The file \"x\" could not be made."},
        {Status::Busy, "  starting ", "vorlane/1 busy starting\n", "starting"},
        {Status::Bad, "request too long", "vorlane/1 bad request too long\n", "request too long"},
    };
    for (const Case& c : cases) {
        const std::string line = InstanceProtocol::FormatAnswer(c.status, c.text);
        EXPECT_EQ(line, c.line);
        const auto a = InstanceProtocol::ParseAnswer(line.substr(0, line.size() - 1));
        EXPECT_TRUE(a.valid) << line;
        EXPECT_EQ(a.status, c.status) << line;
        EXPECT_EQ(a.text, c.readBack);
    }
    for (const char* other :
         {"ok", "bad", "vorlane/1", "vorlane/1 fine", "vorlane/2 ok x", "vorlane/1ok", ""})
        EXPECT_FALSE(InstanceProtocol::ParseAnswer(other).valid) << other;

    // A text too long for one answer is cut, never inside a character.
    const std::string longText =
        std::string(InstanceProtocol::kMaxAnswer - 20, 'a') +
        "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9";
    const std::string line = InstanceProtocol::FormatAnswer(Status::Ok, longText);
    EXPECT_LE(line.size(), InstanceProtocol::kMaxAnswer);
    EXPECT_EQ(line.back(), '\n');
    EXPECT_NE(static_cast<unsigned char>(line[line.size() - 2]), 0xC3);
    EXPECT_TRUE(InstanceProtocol::ParseAnswer(line.substr(0, line.size() - 1)).valid);
    EXPECT_EQ(InstanceProtocol::FormatRequest("status"), "vorlane/1 status\n");
}
