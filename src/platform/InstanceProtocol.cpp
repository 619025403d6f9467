#include "platform/InstanceProtocol.h"

#include <algorithm>
#include <charconv>

namespace vorlane {

namespace {
constexpr size_t kMaxCommand = 32;
// How much of a refused word is quoted back.
constexpr size_t kMaxQuoted = 40;

constexpr struct {
    InstanceProtocol::Status status;
    std::string_view word;
} kStatusWords[] = {{InstanceProtocol::Status::Ok, "ok"},
                    {InstanceProtocol::Status::Error, "error"},
                    {InstanceProtocol::Status::Busy, "busy"},
                    {InstanceProtocol::Status::Bad, "bad"}};

bool isPrintableAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

bool isCommandWord(std::string_view s) {
    return !s.empty() && s.size() <= kMaxCommand && s.front() >= 'a' && s.front() <= 'z' &&
           std::all_of(s.begin(), s.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || c == '-'; });
}

// A word of the request, shown back to whoever sent it.
std::string quoted(std::string_view s) {
    std::string q = InstanceProtocol::OneLine(s.substr(0, kMaxQuoted));
    if (s.size() > kMaxQuoted)
        q += "...";
    return "'" + q + "'";
}

InstanceProtocol::Request bad(std::string why) {
    InstanceProtocol::Request r;
    r.kind = InstanceProtocol::Request::Kind::Bad;
    r.error = std::move(why);
    return r;
}
} // namespace

InstanceProtocol::Request InstanceProtocol::ParseRequest(std::string_view line) {
    if (line.empty())
        return bad("empty request");
    if (line.size() > kMaxRequest)
        return bad("request too long");
    if (!isPrintableAscii(line))
        return bad("not a request of this program");
    // The open command of an older second start: only digits.
    if (std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        uint32_t n = 0;
        const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), n);
        if (ec != std::errc() || end != line.data() + line.size())
            return bad("not a request of this program");
        Request r;
        r.kind = Request::Kind::Legacy;
        r.legacy = n;
        return r;
    }
    const size_t blank = line.find(' ');
    const std::string_view version = line.substr(0, blank);
    if (!version.starts_with("vorlane/"))
        return bad("not a request of this program");
    if (version != kTag)
        return bad("unsupported protocol version " + quoted(version) + " (this is " +
                   std::string(kTag) + ")");
    if (blank == std::string_view::npos)
        return bad("request without a command");
    const std::string_view rest = line.substr(blank + 1);
    const size_t next = rest.find(' ');
    const std::string_view command = rest.substr(0, next);
    if (!isCommandWord(command))
        return bad("malformed command " + quoted(command));
    if (next != std::string_view::npos)
        return bad("unexpected " + quoted(rest.substr(next + 1)) + " after the command");
    Request r;
    r.kind = Request::Kind::Command;
    r.command = std::string(command);
    return r;
}

std::string InstanceProtocol::FormatRequest(std::string_view command) {
    return std::string(kTag) + " " + std::string(command) + "\n";
}

std::string InstanceProtocol::FormatAnswer(Status status, std::string_view text) {
    std::string line(kTag);
    for (const auto& s : kStatusWords)
        if (s.status == status)
            line += " " + std::string(s.word);
    const std::string body = OneLine(text);
    if (!body.empty())
        line += " " + body;
    // The other side reads no more than this; a cut never splits a UTF-8 sequence.
    if (line.size() + 1 > kMaxAnswer) {
        size_t n = kMaxAnswer - 1;
        while (n > 0 && (static_cast<unsigned char>(line[n]) & 0xC0) == 0x80)
            --n;
        line.resize(n);
    }
    return line + "\n";
}

InstanceProtocol::Answer InstanceProtocol::ParseAnswer(std::string_view line) {
    Answer a;
    if (line.size() >= kMaxAnswer || !line.starts_with(kTag) || line.size() < kTag.size() + 2 ||
        line[kTag.size()] != ' ')
        return a;
    const std::string_view rest = line.substr(kTag.size() + 1);
    const size_t blank = rest.find(' ');
    const std::string_view word = rest.substr(0, blank);
    for (const auto& s : kStatusWords) {
        if (s.word == word) {
            a.valid = true;
            a.status = s.status;
            if (blank != std::string_view::npos)
                a.text = std::string(rest.substr(blank + 1));
        }
    }
    return a;
}

std::string InstanceProtocol::OneLine(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if ((c >= 0 && c < 0x20) || c == 0x7f)
            c = ' ';
    const size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

} // namespace vorlane
