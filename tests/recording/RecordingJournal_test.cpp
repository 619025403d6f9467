#include "TestProgramFolder.h"
#include "recording/RecordingJournal.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vorlane;
using vorlane::test::TestProgramFolder;

namespace {
JournalEntry entry(const std::string& path) {
    JournalEntry e;
    e.path = path;
    e.fileName = "No.04-Track002_20260305-140709.mp3";
    e.startTime = "2026-03-05 14:07:09";
    e.title = "Line one\nline two \\ back=slash";
    e.artist = "Artist";
    e.album = "Album";
    e.year = "1977";
    e.comment = "Comment";
    e.genre = 17;
    e.genreName = "Rock";
    e.suffix = "FM 98.1";
    e.recordNo = 4;
    e.track = 2;
    return e;
}
} // namespace

TEST(RecordingJournal, EntriesSurviveTheFileAndItsChanges) {
    TestProgramFolder folder(false);
    const std::string file = (folder / "journal.txt").string();
    {
        RecordingJournal j(file);
        ASSERT_TRUE(j.Add(entry("/r/a.mp3")));
        ASSERT_TRUE(j.Add(entry("/r/b.mp3")));
        ASSERT_TRUE(j.MarkCatalogued("/r/a.mp3"));
        ASSERT_TRUE(j.MarkStopped("/r/b.mp3"));
    }
    RecordingJournal j(file); // as the next start reads it
    auto got = j.Load();
    ASSERT_EQ(got.size(), 2u);
    JournalEntry a = entry("/r/a.mp3"), b = entry("/r/b.mp3");
    a.catalogued = b.stopped = true;
    EXPECT_EQ(got[0], a); // every field, each under its own key
    EXPECT_EQ(got[1], b);

    ASSERT_TRUE(j.Remove("/r/a.mp3"));
    ASSERT_EQ(j.Load().size(), 1u);
    ASSERT_TRUE(j.Remove("/r/b.mp3"));
    EXPECT_FALSE(std::filesystem::exists(file)); // nothing open: no journal
    EXPECT_TRUE(j.Remove("/r/unknown.mp3"));
}

TEST(RecordingJournal, ATornOrForeignFileGivesWhatCanBeRead) {
    const std::string whole = RecordingJournal::Serialize({entry("/r/a.wav")});
    struct Case {
        std::string text;
        size_t entries;
    } cases[] = {
        {whole, 1},
        {whole + "[File]\nFileName=x.wav\n", 1},      // the next entry torn before its path
        {whole.substr(0, whole.find("FileName")), 1}, // cut after the path
        {"garbage\n=\n[File\nPath\n", 0},
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecordingJournal::Parse(c.text).size(), c.entries) << c.text;
}
