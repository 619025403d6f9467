#pragma once

#include "config/IniText.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vorlane {

// Reads and writes one section of an INI file with the rules of the Windows private-profile
// functions: names compare without case, blanks around keys and values do not count, the
// first occurrence of a key wins, and a write changes only the line of its key (or adds it)
// while every other line, comment and blank line stays as it was.
//
// Every read opens the file anew, so changes by other objects are seen at once; every write
// replaces the file atomically (wAtomicFile). Files are UTF-8, with or without a byte-order
// mark, or UTF-16 LE with a byte-order mark; a write keeps the encoding the file had, and a
// file that a write creates is UTF-8 without a mark.
//
// One object is not safe for concurrent use (its file and section are shared state);
// writes from different objects to the same file are serialised within the process.
class wIniFile {
public:
    // A string read yields at most this many characters.
    static constexpr std::size_t kMaxValueChars = 259;

    wIniFile() = default;
    virtual ~wIniFile();

    // Every following read and write goes to this file and section.
    void SetFile(std::string filePath, std::string section);
    const std::string& FilePath() const { return filePath_; }
    const std::string& Section() const { return section_; }

    // The value of the key, or `def` when it is missing; at most kMaxValueChars characters.
    std::string ReadString(std::string_view key, std::string_view def) const;
    // The value as a decimal integer (modulo 2^32, so "4294967295" reads as -1);
    // `def` when the key is missing or its value holds no digits.
    int ReadInt(std::string_view key, int def) const;
    // The whole value, not shortened; nullopt when the key is missing.
    std::optional<std::string> ReadValue(std::string_view key) const;

    // Write at once. They fail, changing nothing, when the file is read-only or cannot be
    // replaced, or when the key or value cannot be stored as one line (line breaks, '=' in
    // a key, an empty key).
    bool WriteString(std::string_view key, std::string_view value);
    // Stores the value as unsigned decimal text: 7 as "7", -1 as "4294967295".
    bool WriteInt(std::string_view key, int value);
    // Removes every occurrence of the key in the section; true also when there was none.
    bool DeleteKey(std::string_view key);

    // The file's text (UTF-8) and encoding; nullopt when it cannot be read.
    static std::optional<ini::DecodedText> LoadText(const std::string& filePath);

private:
    template <typename Edit> bool modify(Edit edit);

    std::string filePath_;
    std::string section_;
};

} // namespace vorlane
