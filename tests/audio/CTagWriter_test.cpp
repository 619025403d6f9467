#include "AudioTestSupport.h"
#include "TestProgramFolder.h"
#include "audio/CRecordWriter.h"
#include "audio/CTagWriter.h"

#include <gtest/gtest.h>
#include <taglib/asffile.h>
#include <taglib/asftag.h>

#include <cstring>
#include <filesystem>
#include <map>

using namespace vorlane;
using namespace vorlane::test;
namespace fs = std::filesystem;

namespace {
void record(const fs::path& file, FileType type) {
    CRecordWriter w;
    RecordTones(w, file, type, 4);
}

// The value of each attribute that TagLib finds; absent ones are left out.
std::map<std::string, std::string> readWma(const fs::path& file) {
    std::map<std::string, std::string> out;
    TagLib::ASF::File f(file.c_str());
    if (!f.isValid())
        return out;
    TagLib::ASF::Tag* tag = f.tag();
    out["Title"] = tag->title().to8Bit(true);
    out["Author"] = tag->artist().to8Bit(true);
    out["Description"] = tag->comment().to8Bit(true);
    for (const char* name : {"WM/AlbumTitle", "WM/Year", "WM/TrackNumber", "WM/Genre"})
        if (tag->contains(name))
            out[name] = tag->attribute(name).front().toString().to8Bit(true);
    return out;
}

std::string text(const CTagWriter::Id3v1Record& r, size_t at, size_t n) {
    return std::string(reinterpret_cast<const char*>(r.data()) + at, n);
}
} // namespace

TEST(CTagWriter, Latin1Conversion) {
    struct Case {
        const char* utf8;
        const char* latin1;
    } cases[] = {
        {"", ""},
        {"Abbey Road", "Abbey Road"},
        {"Caf\xC3\xA9 \xC3\xBF\xC2\xA0", "Caf\xE9 \xFF\xA0"}, // é ÿ and a no-break space
        {"\xE2\x82\xAC 5", "? 5"},                            // € is not in ISO-8859-1
        {"\xE6\x97\xA5\xE6\x9C\xAC", "??"},                   // two CJK characters
        {"\xF0\x9F\x8E\xB5!", "?!"},                          // a four-byte character
        {"a\xFF"
         "b",
         "a?b"},         // a byte no UTF-8 starts with
        {"a\xC3", "a?"}, // cut short at the end
        {"a\xC3"
         "b",
         "a?b"},                   // cut short in the middle
        {"\xC0\xAF", "??"},        // an overlong form
        {"\xED\xA0\x80x", "???x"}, // a surrogate
        {"\xE2\x82", "?"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CTagWriter::ToLatin1(c.utf8), c.latin1) << c.utf8;
}

TEST(CTagWriter, Id3v1RecordByteForByte) {
    // The album exactly fills its field: no terminator.
    const std::string longTitle = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";
    const std::string longComment = "This comment is longer than twenty-eight";
    TagValues t{
        longTitle, "Caf\xC3\xA9 Orchestra", std::string(30, 'L'), "19999", longComment, 148, "",
        300};
    CTagWriter::Id3v1Record r = CTagWriter::BuildId3v1(t);
    EXPECT_EQ(text(r, 0, 3), "TAG");
    EXPECT_EQ(text(r, 3, 30), "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123");
    EXPECT_EQ(text(r, 33, 30), std::string("Caf\xE9 Orchestra") + std::string(16, '\0'));
    EXPECT_EQ(text(r, 63, 30), std::string(30, 'L'));
    EXPECT_EQ(text(r, 93, 4), "1999");
    EXPECT_EQ(text(r, 97, 28), "This comment is longer than ");
    EXPECT_EQ(r[125], 0);
    EXPECT_EQ(r[126], 255);
    EXPECT_EQ(r[127], 148);

    struct Track {
        int track, byte;
    } tracks[] = {{0, 0}, {1, 1}, {255, 255}, {256, 255}, {-3, 0}};
    for (const Track& c : tracks) {
        t.track = c.track;
        EXPECT_EQ(CTagWriter::BuildId3v1(t)[126], c.byte) << c.track;
    }
    t.genre = 0x1FF; // only the low byte is kept
    EXPECT_EQ(CTagWriter::BuildId3v1(t)[127], 0xFF);

    CTagWriter::Id3v1Record empty = CTagWriter::BuildId3v1(TagValues{});
    CTagWriter::Id3v1Record zeros{};
    std::memcpy(zeros.data(), "TAG", 3);
    EXPECT_EQ(empty, zeros);
}

// The record goes after the last frame; the audio stays as it was, and readers find it.
TEST(CTagWriter, Mp3FileGetsTheRecordAppended) {
    TestProgramFolder dir(false);
    fs::path file = dir / "tagged.mp3";
    record(file, FileType::Mp3);
    const std::string before = readBytes(file);
    const TagValues t{
        "Blue in Green", "Miles Davis", "Kind of Blue", "1959", "side two", 8, "Jazz", 3};
    EXPECT_TRUE(CTagWriter::TagFile(file.string(), t));
    const std::string after = readBytes(file);
    ASSERT_EQ(after.size(), before.size() + 128);
    EXPECT_EQ(after.substr(0, before.size()), before);
    CTagWriter::Id3v1Record r = CTagWriter::BuildId3v1(t);
    EXPECT_EQ(after.substr(before.size()), text(r, 0, 128));
    std::string tags = FfprobeTags(file);
    EXPECT_NE(tags.find("TAG:track=3"), std::string::npos) << tags;
    EXPECT_NE(tags.find("TAG:genre=Jazz"), std::string::npos) << tags;
    EXPECT_FALSE(FfmpegDecode(file).empty());
}

// The kind of file comes from a case-sensitive search over the whole name.
TEST(CTagWriter, KindOfFileComesFromACaseSensitiveNameSearch) {
    TestProgramFolder dir(false);
    fs::create_directories(dir / "side.mp3");
    const std::string body(1000, 'x');
    struct Case {
        const char* name;
        size_t grows;
    } cases[] = {
        {"a.MP3", 0},       {"b.Mp3", 0},    {"c.WMA", 0},
        {"d.wav", 0},       {"e.mp3", 128},  {"side.mp3/f.wav", 128},
        {"g.mp3.wma", 128}, {"h.mp3x", 128},
    };
    testing::internal::CaptureStdout();
    for (const Case& c : cases) {
        WriteBytes(dir / c.name, body.data(), body.size());
        EXPECT_TRUE(CTagWriter::TagFile((dir / c.name).string(), TagValues{}));
        EXPECT_EQ(fs::file_size(dir / c.name), body.size() + c.grows) << c.name;
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// Every attribute is written, empty ones too: the title as it is, not as ISO-8859-1, the
// track not clamped, and a genre missing from the list as an empty name.
TEST(CTagWriter, WmaAttributesReadBackWithTagLib) {
    TestProgramFolder dir(false);
    const fs::path file = dir / "tagged.wma";
    const std::string title = "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC";
    const TagValues full{title, "Artist", "Album", "1972", "Comment", 17, "Rock", 300};
    TagValues empty;
    empty.genre = 148;
    const std::map<std::string, std::string> fullWant = {
        {"Title", title},     {"Author", "Artist"},       {"WM/AlbumTitle", "Album"},
        {"WM/Year", "1972"},  {"Description", "Comment"}, {"WM/TrackNumber", "300"},
        {"WM/Genre", "Rock"},
    };
    const std::map<std::string, std::string> emptyWant = {
        {"Title", ""},       {"Author", ""},          {"WM/AlbumTitle", ""}, {"WM/Year", ""},
        {"Description", ""}, {"WM/TrackNumber", "0"}, {"WM/Genre", ""},
    };
    for (const auto& [values, want] : {std::pair(full, fullWant), std::pair(empty, emptyWant)}) {
        record(file, FileType::Wma);
        testing::internal::CaptureStdout();
        EXPECT_TRUE(CTagWriter::TagFile(file.string(), values));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(readWma(file), want);
        EXPECT_FALSE(FfmpegDecode(file).empty());
    }
    // ffprobe leaves the empty values out of what it shows, so the header is searched for
    // them. The content description object holds title, author, copyright, description and
    // rating: five strings of nothing but their terminating zero.
    EXPECT_NE(FfprobeTags(file).find("TAG:track=0\n"), std::string::npos);
    const std::string bytes = readBytes(file);
    const std::string contentDescription("\x33\x26\xB2\x75\x8E\x66\xCF\x11", 8);
    size_t at = bytes.find(contentDescription);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(Le32(bytes, at + 16), 44u); // 24 + 5 lengths + 5 terminators
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Le16(bytes, at + 24 + 2 * i), 2);
        EXPECT_EQ(Le16(bytes, at + 34 + 2 * i), 0);
    }
    for (const char* name : {"WM/AlbumTitle", "WM/Year", "WM/TrackNumber", "WM/Genre"}) {
        std::string wide;
        for (const char* c = name; *c; ++c)
            wide += std::string(1, *c) + '\0';
        EXPECT_NE(bytes.find(wide), std::string::npos) << name;
    }
}

// Each attribute that cannot be written says so on the standard output; the others are
// still tried, the file is left as it was, and the caller is told nothing.
TEST(CTagWriter, FailuresArePrintedAndNotReported) {
    TestProgramFolder dir(false);
    const std::string junk(4000, 'j');
    WriteBytes(dir / "junk.wma", junk.data(), junk.size());
    const std::string missing = (dir / "missing.wma").string();
    const std::string notAsf = (dir / "junk.wma").string();

    testing::internal::CaptureStdout();
    EXPECT_TRUE(CTagWriter::TagFile(missing, TagValues{}));
    EXPECT_TRUE(CTagWriter::TagFile(notAsf, TagValues{}));
    EXPECT_TRUE(CTagWriter::TagFile((dir / "missing.mp3").string(), TagValues{}));
    EXPECT_EQ(CTagWriter::SetWmaAttribute(notAsf, "", "x"), -EINVAL);
    std::string out = testing::internal::GetCapturedStdout();

    std::string want;
    for (int i = 0; i < 7; ++i)
        want += "Could not open the file " + missing + " (hr=0xfffffffe).\n";
    for (int i = 0; i < 7; ++i)
        want += "Could not open the file " + notAsf + " (hr=0xffffffea).\n";
    want += "Could not open the file " + (dir / "missing.mp3").string() +
            " for its ID3v1 tag (No such file or directory).\n";
    want += "SetAttribute failed for Attribute name  (hr=0xffffffea).\n";
    EXPECT_EQ(out, want);
    EXPECT_EQ(readBytes(dir / "junk.wma"), junk);
    EXPECT_FALSE(fs::exists(missing));
}
