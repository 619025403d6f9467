#include "IniText.h"

#include <cstdint>
#include <vector>

namespace vorlane::ini {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isQuote(char c) {
    return c == '"' || c == '\'';
}

// One line of the file: its text and the terminator that followed it ("\n", "\r\n" or
// nothing for a last line without one), so that untouched lines are written back as read.
struct RawLine {
    std::string_view content;
    std::string_view terminator;
};

std::vector<RawLine> splitLines(std::string_view text) {
    std::vector<RawLine> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) {
            lines.push_back({text.substr(pos), {}});
            break;
        }
        std::size_t end = (nl > pos && text[nl - 1] == '\r') ? nl - 1 : nl;
        lines.push_back({text.substr(pos, end - pos), text.substr(end, nl + 1 - end)});
        pos = nl + 1;
    }
    return lines;
}

// New lines follow the file's own convention, judged by its first line break.
std::string_view newlineOf(std::string_view text) {
    std::size_t nl = text.find('\n');
    if (nl != std::string_view::npos && nl > 0 && text[nl - 1] == '\r')
        return "\r\n";
    return "\n";
}

constexpr std::size_t npos = static_cast<std::size_t>(-1);

std::size_t findKeyLine(const std::vector<RawLine>& lines, std::string_view section,
                        std::string_view key) {
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Line l = parseLine(lines[i].content);
        if (l.kind == Line::Kind::Section)
            inSection = namesEqual(l.name, section);
        else if (inSection && l.kind == Line::Kind::Key && namesEqual(l.name, key))
            return i;
    }
    return npos;
}

// The line with its key spelled and indented as before and the new value.
std::string rebuildKeyLine(std::string_view content, std::string_view value) {
    std::size_t lead = 0;
    while (lead < content.size() && isBlank(content[lead]))
        ++lead;
    std::size_t eq = content.find('=');
    std::string_view name = trim(
        content.substr(lead, eq == std::string_view::npos ? std::string_view::npos : eq - lead));
    std::string out(content.substr(0, lead));
    out += name;
    out += '=';
    out += formatValue(value);
    return out;
}

void appendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

constexpr std::uint32_t kReplacement = 0xFFFD;

// Next code point of UTF-8 text; a malformed sequence yields U+FFFD for its first byte.
std::uint32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t extra = 0;
    if (b0 < 0x80) {
        ++i;
        return b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
    } else {
        ++i;
        return kReplacement;
    }
    if (s.size() - i <= extra) {
        ++i;
        return kReplacement;
    }
    std::uint32_t cp = b0 & (0x3Fu >> extra);
    for (std::size_t k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3Fu);
    }
    static constexpr std::uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
        ++i;
        return kReplacement;
    }
    i += extra + 1;
    return cp;
}

} // namespace

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool namesEqual(std::string_view a, std::string_view b) {
    a = trim(a);
    b = trim(b);
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

Line parseLine(std::string_view line) {
    Line l;
    std::string_view s = trim(line);
    if (s.empty())
        return l;
    if (s.front() == ';' || s.front() == '#') {
        l.kind = Line::Kind::Comment;
        return l;
    }
    if (s.front() == '[') {
        std::size_t close = s.rfind(']');
        if (close == std::string_view::npos || close == 0) {
            l.kind = Line::Kind::Other;
            return l;
        }
        l.kind = Line::Kind::Section;
        l.name = trim(s.substr(1, close - 1));
        return l;
    }
    std::size_t eq = s.find('=');
    std::string_view name = trim(s.substr(0, eq));
    if (name.empty()) {
        l.kind = Line::Kind::Other;
        return l;
    }
    l.kind = Line::Kind::Key;
    l.name = name;
    if (eq == std::string_view::npos)
        return l;
    std::string_view value = trim(s.substr(eq + 1));
    if (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    l.value = value;
    l.hasValue = true;
    return l;
}

std::optional<std::string> findValue(std::string_view text, std::string_view section,
                                     std::string_view key) {
    std::vector<RawLine> lines = splitLines(text);
    std::size_t hit = findKeyLine(lines, section, key);
    if (hit == npos)
        return std::nullopt;
    Line l = parseLine(lines[hit].content);
    if (!l.hasValue)
        return std::nullopt;
    return std::move(l.value);
}

std::string setValue(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view value) {
    std::vector<RawLine> lines = splitLines(text);
    const std::string_view nl = newlineOf(text);
    std::string out;
    out.reserve(text.size() + key.size() + value.size() + section.size() + 8);

    std::size_t hit = findKeyLine(lines, section, key);
    if (hit != npos) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i == hit)
                out += rebuildKeyLine(lines[i].content, value);
            else
                out += lines[i].content;
            out += lines[i].terminator;
        }
        return out;
    }

    const std::string newLine = std::string(trim(key)) + "=" + formatValue(value);
    std::size_t after = npos; // the line the new key follows
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Line l = parseLine(lines[i].content);
        if (l.kind == Line::Kind::Section) {
            if (after != npos)
                break;
            if (namesEqual(l.name, section))
                after = i;
        } else if (after != npos && l.kind == Line::Kind::Key) {
            after = i;
        }
    }
    if (after != npos) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            out += lines[i].content;
            out += lines[i].terminator.empty() && i == after ? nl : lines[i].terminator;
            if (i == after) {
                out += newLine;
                // A key added after the unterminated last line ends the file as it did.
                if (i + 1 < lines.size() || !lines[i].terminator.empty())
                    out += nl;
            }
        }
        return out;
    }

    out = text;
    if (!lines.empty()) {
        if (lines.back().terminator.empty())
            out += nl;
        if (!trim(lines.back().content).empty())
            out += nl;
    }
    out += "[";
    out += trim(section);
    out += "]";
    out += nl;
    out += newLine;
    out += nl;
    return out;
}

std::string removeKey(std::string_view text, std::string_view section, std::string_view key) {
    std::string out;
    out.reserve(text.size());
    bool inSection = false;
    for (const RawLine& raw : splitLines(text)) {
        Line l = parseLine(raw.content);
        if (l.kind == Line::Kind::Section)
            inSection = namesEqual(l.name, section);
        else if (inSection && l.kind == Line::Kind::Key && namesEqual(l.name, key))
            continue;
        out += raw.content;
        out += raw.terminator;
    }
    return out;
}

bool validSectionName(std::string_view name) {
    std::string_view t = trim(name);
    return !t.empty() && t.find_first_of(std::string_view("]\r\n\0", 4)) == std::string_view::npos;
}

bool validKeyName(std::string_view name) {
    std::string_view t = trim(name);
    return !t.empty() && t.front() != '[' && t.front() != ';' && t.front() != '#' &&
           t.find_first_of(std::string_view("=\r\n\0", 4)) == std::string_view::npos;
}

bool validValue(std::string_view value) {
    return value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

std::string formatValue(std::string_view value) {
    bool quote = !value.empty() &&
                 (isBlank(value.front()) || isBlank(value.back()) ||
                  (value.size() >= 2 && isQuote(value.front()) && value.back() == value.front()));
    if (!quote)
        return std::string(value);
    std::string out;
    out.reserve(value.size() + 2);
    out += '"';
    out += value;
    out += '"';
    return out;
}

int parseInt(std::string_view value, int def) {
    std::string_view s = trim(value);
    std::size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    std::uint32_t acc = 0;
    bool digits = false;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        acc = acc * 10u + static_cast<std::uint32_t>(s[i] - '0');
        digits = true;
    }
    if (!digits)
        return def;
    if (negative)
        acc = 0u - acc;
    return static_cast<std::int32_t>(acc);
}

std::string truncateChars(std::string_view utf8, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
            if (chars == maxChars)
                return std::string(utf8.substr(0, i));
            ++chars;
        }
    }
    return std::string(utf8);
}

DecodedText decode(std::string_view bytes) {
    DecodedText d;
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        d.encoding = Encoding::Utf8Bom;
        d.text = bytes.substr(3);
        return d;
    }
    if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") {
        d.encoding = Encoding::Utf16LeBom;
        d.text.reserve(bytes.size());
        auto unit = [&](std::size_t k) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[k])) |
                   static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[k + 1])) << 8;
        };
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            std::uint32_t u = unit(i);
            if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
                std::uint32_t low = unit(i + 2);
                if (low >= 0xDC00 && low < 0xE000) {
                    appendUtf8(d.text, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                    i += 2;
                    continue;
                }
            }
            appendUtf8(d.text, (u >= 0xD800 && u < 0xE000) ? kReplacement : u);
        }
        return d;
    }
    d.text = bytes;
    return d;
}

std::string encode(Encoding encoding, std::string_view text) {
    switch (encoding) {
    case Encoding::Utf8:
        return std::string(text);
    case Encoding::Utf8Bom:
        return "\xEF\xBB\xBF" + std::string(text);
    case Encoding::Utf16LeBom:
        break;
    }
    std::string out("\xFF\xFE");
    out.reserve(2 + text.size() * 2);
    auto put = [&](std::uint32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>((u >> 8) & 0xFF);
    };
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t cp = nextCodePoint(text, i);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            put(0xD800 + (cp >> 10));
            put(0xDC00 + (cp & 0x3FF));
        } else {
            put(cp);
        }
    }
    return out;
}

} // namespace vorlane::ini
