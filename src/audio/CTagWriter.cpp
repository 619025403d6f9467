#include "audio/CTagWriter.h"

#include <taglib/asffile.h>
#include <taglib/asftag.h>
#include <taglib/commentsframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tstring.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace vorlane {

namespace {
void say(const char* format, const std::string& name, int code) {
    std::printf(format, name.c_str(), static_cast<unsigned>(code));
    std::fflush(stdout);
}

void sayCode(const char* format, int code) {
    std::printf(format, static_cast<unsigned>(code));
    std::fflush(stdout);
}

void sayErrno(const char* format, const std::string& name, int err) {
    std::printf(format, name.c_str(), std::strerror(err));
    std::fflush(stdout);
}

void putText(CTagWriter::Id3v1Record& rec, size_t at, size_t size, const std::string& utf8) {
    std::string text = CTagWriter::ToLatin1(utf8);
    std::memcpy(rec.data() + at, text.data(), std::min(text.size(), size));
}

// Length of the UTF-8 sequence that `lead` starts and the range its second byte must lie
// in (which rules out overlong forms, surrogates and values past U+10FFFF); 0 when `lead`
// starts none.
int sequence(unsigned char lead, unsigned char& low, unsigned char& high) {
    low = 0x80;
    high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF) {
        if (lead == 0xE0)
            low = 0xA0;
        if (lead == 0xED)
            high = 0x9F;
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F;
        return 4;
    }
    return 0;
}
} // namespace

std::string CTagWriter::ToLatin1(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        unsigned char low, high;
        const int length = sequence(lead, low, high);
        uint32_t code = lead & (0x7F >> length);
        int taken = 1;
        for (; length > 0 && taken < length && i + taken < utf8.size(); ++taken) {
            const auto c = static_cast<unsigned char>(utf8[i + taken]);
            if (c < (taken == 1 ? low : 0x80) || c > (taken == 1 ? high : 0xBF))
                break;
            code = code << 6 | (c & 0x3F);
        }
        // A malformed sequence becomes one '?' for the bytes it holds.
        out += length > 0 && taken == length && code <= 0xFF ? static_cast<char>(code) : '?';
        i += taken;
    }
    return out;
}

CTagWriter::Id3v1Record CTagWriter::BuildId3v1(const TagValues& tags) {
    Id3v1Record rec{};
    std::memcpy(rec.data(), "TAG", 3);
    putText(rec, 3, 30, tags.title);
    putText(rec, 33, 30, tags.artist);
    putText(rec, 63, 30, tags.album);
    putText(rec, 93, 4, tags.year);
    putText(rec, 97, 28, tags.comment);
    rec[125] = 0;
    rec[126] = static_cast<uint8_t>(std::clamp(tags.track, 0, 255));
    rec[127] = static_cast<uint8_t>(tags.genre & 0xFF);
    return rec;
}

void CTagWriter::AppendId3v1(const std::string& fileName, const TagValues& tags) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(fileName, ec);
    const std::string path = ec ? fileName : full.string();
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        sayErrno("Could not open the file %s for its ID3v1 tag (%s).\n", path, errno);
        return;
    }
    const off_t end = ::lseek(fd, 0, SEEK_END);
    const Id3v1Record rec = BuildId3v1(tags);
    ssize_t n = end < 0 ? -1 : ::pwrite(fd, rec.data(), rec.size(), end);
    if (n != static_cast<ssize_t>(rec.size())) {
        int err = n < 0 ? errno : ENOSPC;
        // A piece of a tag would read as damaged audio: take it back.
        if (n > 0 && ::ftruncate(fd, end) < 0)
            err = errno;
        sayErrno("Could not write the ID3v1 tag to %s (%s).\n", path, err);
    } else if (::fdatasync(fd) < 0 && errno != EINVAL && errno != EROFS) {
        sayErrno("Could not write the ID3v1 tag to %s (%s).\n", path, errno);
    }
    ::close(fd);
}

int CTagWriter::SetWmaAttribute(const std::string& fileName, const std::string& name,
                                const std::string& value) {
    if (name.empty()) {
        say("SetAttribute failed for Attribute name %s (hr=0x%08x).\n", name, -EINVAL);
        return -EINVAL;
    }
    TagLib::ASF::File file(fileName.c_str(), false);
    if (!file.isOpen() || !file.isValid()) {
        struct stat st {};
        int code = ::stat(fileName.c_str(), &st) < 0 ? -errno : -EINVAL;
        say("Could not open the file %s (hr=0x%08x).\n", fileName, code);
        return code;
    }
    TagLib::ASF::Tag* tag = file.tag();
    if (!tag) {
        sayCode("Could not QI for IWMHeaderInfo (hr=0x%08x).\n", -ENOTSUP);
        return -ENOTSUP;
    }
    const TagLib::String text(value, TagLib::String::UTF8);
    if (name == "Title")
        tag->setTitle(text);
    else if (name == "Author")
        tag->setArtist(text);
    else if (name == "Description")
        tag->setComment(text);
    else
        tag->setAttribute(TagLib::String(name, TagLib::String::UTF8), TagLib::ASF::Attribute(text));
    if (!file.save()) {
        int code = file.readOnly() ? -EACCES : -EIO;
        sayCode("Flush failed (hr=0x%08x).\n", code);
        return code;
    }
    return 0;
}

void CTagWriter::WriteWmaAttributes(const std::string& fileName, const TagValues& tags) {
    SetWmaAttribute(fileName, "Title", tags.title);
    SetWmaAttribute(fileName, "Author", tags.artist);
    SetWmaAttribute(fileName, "WM/AlbumTitle", tags.album);
    SetWmaAttribute(fileName, "WM/Year", tags.year);
    SetWmaAttribute(fileName, "Description", tags.comment);
    SetWmaAttribute(fileName, "WM/TrackNumber", std::to_string(tags.track));
    SetWmaAttribute(fileName, "WM/Genre", tags.genreName);
}

namespace {
TagLib::String utf8(const std::string& s) {
    return TagLib::String(s, TagLib::String::UTF8);
}

int openFailure(const std::string& fileName) {
    struct stat st {};
    return ::stat(fileName.c_str(), &st) < 0 ? -errno : -EINVAL;
}

bool startsWithId3v2(const std::string& fileName) {
    char head[3] = {};
    int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool yes = ::pread(fd, head, 3, 0) == 3 && std::memcmp(head, "ID3", 3) == 0;
    ::close(fd);
    return yes;
}
} // namespace

int CTagWriter::WriteId3v2(const std::string& fileName, const TagValues& tags) {
    if (!startsWithId3v2(fileName))
        return 0;
    TagLib::MPEG::File file(fileName.c_str(), false);
    if (!file.isOpen() || !file.isValid()) {
        const int code = openFailure(fileName);
        sayErrno("Could not open the file %s for its ID3v2 tag (%s).\n", fileName, -code);
        return code;
    }
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
    auto text = [tag](const char* id, const std::string& value) {
        tag->removeFrames(id);
        if (value.empty())
            return;
        auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
        frame->setText(utf8(value));
        tag->addFrame(frame);
    };
    text("TIT2", tags.title);
    text("TPE1", tags.artist);
    text("TALB", tags.album);
    text("TDRC", tags.year);
    text("TCON", tags.genreName);
    text("TRCK", std::to_string(tags.track));
    tag->removeFrames("COMM");
    if (!tags.comment.empty()) {
        auto* comment = new TagLib::ID3v2::CommentsFrame(TagLib::String::UTF8);
        comment->setLanguage("und");
        comment->setText(utf8(tags.comment));
        tag->addFrame(comment);
    }
    // Only the ID3v2 tag: the ID3v1 tag is the caller's, byte for byte.
    if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, TagLib::ID3v2::v4,
                   TagLib::File::DoNotDuplicate)) {
        const int code = file.readOnly() ? -EACCES : -EIO;
        sayErrno("Could not write the ID3v2 tag to %s (%s).\n", fileName, -code);
        return code;
    }
    return 0;
}

int CTagWriter::WriteVorbisComments(const std::string& fileName, const TagValues& tags) {
    TagLib::FLAC::File file(fileName.c_str(), false);
    if (!file.isOpen() || !file.isValid()) {
        const int code = openFailure(fileName);
        sayErrno("Could not open the file %s for its Vorbis comments (%s).\n", fileName, -code);
        return code;
    }
    TagLib::Ogg::XiphComment* comments = file.xiphComment(true);
    auto field = [comments](const char* key, const std::string& value) {
        comments->removeFields(key);
        if (!value.empty())
            comments->addField(key, utf8(value), true);
    };
    field("TITLE", tags.title);
    field("ARTIST", tags.artist);
    field("ALBUM", tags.album);
    field("DATE", tags.year);
    field("COMMENT", tags.comment);
    field("GENRE", tags.genreName);
    field("TRACKNUMBER", std::to_string(tags.track));
    if (!file.save()) {
        const int code = file.readOnly() ? -EACCES : -EIO;
        sayErrno("Could not write the Vorbis comments to %s (%s).\n", fileName, -code);
        return code;
    }
    return 0;
}

bool CTagWriter::TagFile(const std::string& fileName, const TagValues& tags) {
    if (fileName.find(".mp3") != std::string::npos) {
        // The ID3v2 tag first: a crash before the ID3v1 tag leaves the file to be tagged
        // again, and filling the ID3v2 tag again changes nothing.
        WriteId3v2(fileName, tags);
        AppendId3v1(fileName, tags);
    } else if (fileName.find(".wma") != std::string::npos) {
        WriteWmaAttributes(fileName, tags);
    } else if (fileName.find(".flac") != std::string::npos) {
        WriteVorbisComments(fileName, tags);
    }
    return true;
}

} // namespace vorlane
