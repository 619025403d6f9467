// The settings and language file reader: decoding, line parsing, look-ups and edits.
#include "config/IniText.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace vorlane;

namespace {
void check(bool ok) {
    if (!ok)
        __builtin_trap();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ini::DecodedText decoded = ini::decode(bytes);
    const std::string& text = decoded.text;

    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const ini::Line line = ini::parseLine(std::string_view(text).substr(start, end - start));
        if (line.kind == ini::Line::Kind::Key)
            ini::parseInt(line.value, 0);
        start = end + 1;
    }

    // The value a write stores is the value the next read gives back.
    const std::string_view value = bytes.substr(0, std::min<size_t>(size, 40));
    if (ini::validValue(value)) {
        const std::string edited = ini::setValue(text, "Option", "RecordFilePath", value);
        const auto read = ini::findValue(edited, "Option", "RecordFilePath");
        check(read.has_value() && *read == value);
        const std::string removed = ini::removeKey(edited, "Option", "RecordFilePath");
        check(!ini::findValue(removed, "Option", "RecordFilePath").has_value());
    }
    ini::findValue(text, "ID3V1Information", "MP3Year");
    ini::truncateChars(text, size % 7);
    // Encoding back and decoding again gives the same text.
    check(ini::decode(ini::encode(decoded.encoding, text)).text == text);
    return 0;
}
