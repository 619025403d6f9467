#pragma once

#include "audio/TagValues.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorlane {

// Tags a completed recording: an ID3v1.1 tag appended to an MP3 file, or the title,
// author, album, year, description, track number and genre attributes of a WMA file.
// WAV files are not tagged. Failures touch only the tag concerned; they are reported as
// lines on the standard output and never to the caller.
//
// Thread contract: any one thread, after the file's writer has closed it.
class CTagWriter {
public:
    static constexpr size_t kId3v1Bytes = 128;
    using Id3v1Record = std::array<uint8_t, kId3v1Bytes>;

    // Tags the file by its name: a name containing ".mp3" gets the ID3v1.1 tag, otherwise
    // one containing ".wma" gets the WMA attributes (both searches case-sensitive and over
    // the whole name); other names are left alone. Always true.
    static bool TagFile(const std::string& fileName, const TagValues& tags);

    // The ID3v1.1 record: ISO-8859-1 text cut to its field without a terminator, track
    // clamped to 0..255, the genre number's low byte.
    static Id3v1Record BuildId3v1(const TagValues& tags);
    // UTF-8 to ISO-8859-1; characters outside it and malformed bytes become '?'.
    static std::string ToLatin1(std::string_view utf8);

    // Sets one string attribute of a WMA file in a pass of its own (open, set, save).
    // "Title", "Author" and "Description" are the content description that every reader
    // shows; other names are extended attributes. 0 on success, else a negative errno,
    // after a failure line on the standard output.
    static int SetWmaAttribute(const std::string& fileName, const std::string& name,
                               const std::string& value);

private:
    static void AppendId3v1(const std::string& fileName, const TagValues& tags);
    static void WriteWmaAttributes(const std::string& fileName, const TagValues& tags);
};

} // namespace vorlane
