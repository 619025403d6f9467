#pragma once

#include "audio/TagValues.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorlane {

// Tags a completed recording: an MP3 file gets an ID3v2.4 tag in the room its writer
// kept in front of the sound and the ID3v1.1 tag appended; a WMA file the title, author,
// album, year, description, track number and genre attributes; a FLAC file the same
// values as Vorbis comments. Text is UTF-8 everywhere but in ID3v1. WAV files are not
// tagged. Failures touch only the tag concerned; they are reported as
// lines on the standard output and never to the caller.
//
// Thread contract: any one thread, after the file's writer has closed it.
class CTagWriter {
public:
    static constexpr size_t kId3v1Bytes = 128;
    using Id3v1Record = std::array<uint8_t, kId3v1Bytes>;

    // Tags the file by its name: a name containing ".mp3" gets the ID3v1.1 tag (and the
    // ID3v2 tag when the file starts with one), otherwise one containing ".wma" gets the
    // WMA attributes, otherwise one containing ".flac" the Vorbis comments (all searches
    // case-sensitive and over the whole name); other names are left alone. Always true.
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

    // Fills the ID3v2 tag at the start of an MP3 file with the seven values as UTF-8
    // ID3v2.4 frames (TIT2, TPE1, TALB, TDRC, COMM, TCON, TRCK; empty values left out).
    // A file that does not start with an ID3v2 tag is left alone, so that no sound is
    // moved. 0 on success (or nothing to do), else a negative errno after a failure line.
    static int WriteId3v2(const std::string& fileName, const TagValues& tags);
    // Sets TITLE, ARTIST, ALBUM, DATE, COMMENT, GENRE and TRACKNUMBER of a FLAC file,
    // replacing earlier ones; empty values are left out. 0 or a negative errno after a
    // failure line.
    static int WriteVorbisComments(const std::string& fileName, const TagValues& tags);

private:
    static void AppendId3v1(const std::string& fileName, const TagValues& tags);
    static void WriteWmaAttributes(const std::string& fileName, const TagValues& tags);
};

} // namespace vorlane
