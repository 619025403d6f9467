#pragma once

#include <string>

namespace vorlane {

// The tag values of one recorded file, as the settings hold them. Text is UTF-8.
struct TagValues {
    std::string title;
    std::string artist;
    std::string album;
    std::string year;
    std::string comment;
    int genre = 0;         // ID3v1 genre number
    std::string genreName; // the genre list's name for it; "" when the list has none
    int track = 0;         // track number of the file
};

} // namespace vorlane
