#pragma once

// Pure text functions behind wIniFile: line parsing, look-up and editing of INI text
// with the rules of the Windows private-profile functions, and the file encodings.
// Nothing here touches the file system.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vorlane::ini {

enum class Encoding {
    Utf8,       // no byte-order mark
    Utf8Bom,    // EF BB BF
    Utf16LeBom, // FF FE
};

struct DecodedText {
    Encoding encoding = Encoding::Utf8;
    std::string text; // UTF-8, without the byte-order mark
};

// Detects the byte-order mark and turns the bytes into UTF-8 text.
DecodedText decode(std::string_view bytes);
// The inverse of decode(): the byte-order mark of the encoding, then the text in it.
std::string encode(Encoding encoding, std::string_view text);

struct Line {
    enum class Kind {
        Blank,   // empty or only blanks
        Comment, // first visible character ';' or '#'
        Section, // "[name]"; name is the text between '[' and the last ']', trimmed
        Key,     // "name=value", or a bare "name" (hasValue false)
        Other,   // anything else ("[" without "]", "=value" without a name)
    };
    Kind kind = Kind::Blank;
    std::string name;
    std::string value; // trimmed, one pair of matching surrounding quotes removed
    bool hasValue = false;
};

// Parses one line, given without its line terminator.
Line parseLine(std::string_view line);

// Blanks, tabs and the other characters that surround names and values without counting.
std::string_view trim(std::string_view s);
// Section and key names: blanks around them ignored, ASCII letters compared without case.
bool namesEqual(std::string_view a, std::string_view b);

// The value of the first occurrence of the key in any section of that name;
// nullopt when there is none, or when that first occurrence has no '='.
std::optional<std::string> findValue(std::string_view text, std::string_view section,
                                     std::string_view key);

// Sets the key: replaces the first occurrence in place, else adds it after the last key of
// the first section of that name, else appends the section. All other lines stay as they
// are. Names and value must pass the valid...() checks below.
std::string setValue(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view value);

// Removes every occurrence of the key in sections of that name.
std::string removeKey(std::string_view text, std::string_view section, std::string_view key);

// What can be stored without breaking the line structure of the file.
bool validSectionName(std::string_view name);
bool validKeyName(std::string_view name);
bool validValue(std::string_view value);

// The text to put after '=' so that reading gives back exactly `value`: quoted when it
// has blanks at either end or is itself wrapped in quotes, bare otherwise.
std::string formatValue(std::string_view value);

// The integer of a profile value: blanks, an optional sign, decimal digits, anything after
// them ignored; taken modulo 2^32 so that "4294967295" gives -1. Without digits: def.
int parseInt(std::string_view value, int def);

// At most maxChars characters (code points) of UTF-8 text, never splitting one.
std::string truncateChars(std::string_view utf8, std::size_t maxChars);

} // namespace vorlane::ini
