#include "AudioTestSupport.h"
#include "TestProgramFolder.h"
#include "audio/CRecordWriter.h"
#include "audio/CTagWriter.h"
#include "audio/Mp3FileWriter.h"

#include <gtest/gtest.h>
#include <taglib/asffile.h>
#include <taglib/asftag.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/xiphcomment.h>

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

// Where the first frame of a FLAC file starts: after "fLaC" and the metadata blocks.
size_t flacSoundOffset(const std::string& f) {
    size_t at = 4;
    for (bool last = false; !last && at + 4 <= f.size();) {
        const auto b = [&](size_t i) { return static_cast<uint8_t>(f[at + i]); };
        last = b(0) & 0x80;
        at += 4 + ((b(1) << 16) | (b(2) << 8) | b(3));
    }
    return at;
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

// Values that ID3v1 cannot hold: a Japanese title longer than 30 bytes, an accented
// artist, a comment past 28 characters.
const TagValues kUnicodeTags{"\xE9\x9D\x92\xE3\x81\x84\xE5\xA4\x9C\xE3\x81\xAE\xE3\x82\xB8"
                             "\xE3\x83\xA3\xE3\x82\xBA\xE3\x83\xBB\xE3\x83\x90\xE3\x83\xA9"
                             "\xE3\x83\xBC\xE3\x83\x89",
                             "Ren\xC3\xA9 Aubry & L\xC3\xA9"
                             "a Dvo\xC5\x99\xC3\xA1k",
                             "Kind of Blue",
                             "1959",
                             "recorded from the second pressing, side two",
                             8,
                             "Jazz",
                             3};

// The ID3v2 tag fills the room in front of the sound, so the sound stays where it was;
// the ID3v1 record goes after the last frame; readers find both, with the values in full.
TEST(CTagWriter, Mp3FileGetsBothTagsAndTheSoundStaysPut) {
    TestProgramFolder dir(false);
    // 11 s at 320 kbit/s: TagLib keeps padding of up to 1 % of a file in place, so a
    // recording of this length or more is tagged without moving its sound.
    fs::path shortFile = dir / "short.mp3";
    record(shortFile, FileType::Mp3);
    fs::path file = dir / "tagged.mp3";
    CRecordWriter w;
    std::atomic<int> index{4};
    w.BindBitRate(index);
    RecordTones(w, file, FileType::Mp3, 90);
    const std::string before = readBytes(file);
    const size_t samples = FfmpegDecode(file).size();
    ASSERT_GT(samples, 0u);
    const TagValues& t = kUnicodeTags;
    EXPECT_TRUE(CTagWriter::TagFile(file.string(), t));
    const std::string after = readBytes(file);
    ASSERT_EQ(after.size(), before.size() + 128);
    const size_t room = Mp3FileWriter::kTagRoomBytes;
    EXPECT_EQ(after.substr(room, before.size() - room), before.substr(room));
    EXPECT_EQ(after.substr(before.size()), text(CTagWriter::BuildId3v1(t), 0, 128));

    TagLib::MPEG::File f(file.c_str());
    ASSERT_TRUE(f.isValid());
    TagLib::ID3v2::Tag* v2 = f.ID3v2Tag();
    ASSERT_NE(v2, nullptr);
    EXPECT_EQ(v2->header()->majorVersion(), 4u);
    const std::map<std::string, std::string> want = {
        {"TIT2", t.title}, {"TPE1", t.artist}, {"TALB", t.album},  {"TDRC", t.year},
        {"TCON", "Jazz"},  {"TRCK", "3"},      {"COMM", t.comment}};
    for (const auto& [id, value] : want) {
        const auto& frames = v2->frameListMap()[id.c_str()];
        ASSERT_EQ(frames.size(), 1u) << id;
        EXPECT_EQ(frames.front()->toString().to8Bit(true), value) << id;
        if (auto* tf = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frames.front())) {
            EXPECT_EQ(tf->textEncoding(), TagLib::String::UTF8) << id;
        }
    }
    // TagLib reads the ID3v1 tag as it always was.
    ASSERT_NE(f.ID3v1Tag(), nullptr);
    EXPECT_EQ(f.ID3v1Tag()->album().to8Bit(true), "Kind of Blue");
    // Players still find the sound, all of it, and the title of the ID3v2 tag.
    EXPECT_EQ(FfmpegDecode(file).size(), samples);
    EXPECT_TRUE(DecodesCleanly(file));
    const std::string tags = FfprobeTags(file);
    EXPECT_NE(tags.find("TAG:title=" + t.title), std::string::npos) << tags;

    // Tagged again (recovery after a crash between the two tags): one frame of each still.
    TagValues other = t;
    other.title = "Blue in Green";
    ASSERT_EQ(CTagWriter::WriteId3v2(file.string(), other), 0);
    TagLib::MPEG::File g(file.c_str());
    EXPECT_EQ(g.ID3v2Tag()->frameListMap()["TIT2"].size(), 1u);
    EXPECT_EQ(g.ID3v2Tag()->title().to8Bit(true), "Blue in Green");
    EXPECT_EQ(fs::file_size(file), after.size());

    // A short file may have its sound moved by TagLib, but keeps all of it.
    const size_t shortSamples = FfmpegDecode(shortFile).size();
    EXPECT_TRUE(CTagWriter::TagFile(shortFile.string(), t));
    EXPECT_EQ(FfmpegDecode(shortFile).size(), shortSamples);
    TagLib::MPEG::File s(shortFile.c_str());
    ASSERT_NE(s.ID3v2Tag(), nullptr);
    EXPECT_EQ(s.ID3v2Tag()->title().to8Bit(true), t.title);
    const std::string shortBytes = readBytes(shortFile);
    EXPECT_EQ(shortBytes.substr(shortBytes.size() - 128), text(CTagWriter::BuildId3v1(t), 0, 128));
}

// FLAC files get Vorbis comments in the padding their writer left, so the sound is not
// moved and still matches its signature; tagging again replaces the values.
TEST(CTagWriter, FlacFileGetsVorbisComments) {
    TestProgramFolder dir(false);
    fs::path file = dir / "tagged.flac";
    record(file, FileType::Flac);
    const std::string before = readBytes(file);
    testing::internal::CaptureStdout();
    EXPECT_TRUE(CTagWriter::TagFile(file.string(), kUnicodeTags));
    TagValues second = kUnicodeTags;
    second.album = "";
    second.track = 4;
    EXPECT_TRUE(CTagWriter::TagFile(file.string(), second));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    const std::string after = readBytes(file);
    ASSERT_EQ(after.size(), before.size());
    // Everything after the metadata blocks is the same.
    const size_t sound = flacSoundOffset(before);
    EXPECT_EQ(flacSoundOffset(after), sound);
    EXPECT_EQ(after.substr(sound), before.substr(sound));

    TagLib::FLAC::File f(file.c_str());
    ASSERT_TRUE(f.isValid());
    TagLib::Ogg::XiphComment* c = f.xiphComment();
    ASSERT_NE(c, nullptr);
    const auto& fields = c->fieldListMap();
    const std::map<std::string, std::string> want = {
        {"TITLE", second.title},     {"ARTIST", second.artist}, {"DATE", "1959"},
        {"COMMENT", second.comment}, {"GENRE", "Jazz"},         {"TRACKNUMBER", "4"}};
    for (const auto& [key, value] : want) {
        ASSERT_TRUE(fields.contains(key.c_str())) << key;
        ASSERT_EQ(fields[key.c_str()].size(), 1u) << key;
        EXPECT_EQ(fields[key.c_str()].front().to8Bit(true), value) << key;
    }
    EXPECT_FALSE(fields.contains("ALBUM"));
    EXPECT_EQ(fields.size(), want.size());
    const FlacDecoded d = FlacDecode(file);
    EXPECT_TRUE(d.ok);
    EXPECT_TRUE(d.signatureMatches);
    const std::string tags = FfprobeTags(file);
    EXPECT_NE(tags.find("TAG:ARTIST=" + second.artist), std::string::npos) << tags;
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
        {"g.mp3.wma", 128}, {"h.mp3x", 128}, {"i.FLAC", 0},
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
