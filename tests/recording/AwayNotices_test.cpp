#include "RecordingRig.h"
#include "audio/WavFileWriter.h"

#include <cerrno>
#include <functional>

using namespace vorlane;
using namespace vorlane::test;

namespace {

using Kind = AwayNotice::Kind;

// A WAV file on a disk that is full after `room` blocks.
class FillingDiskWav : public WavFileWriter {
public:
    explicit FillingDiskWav(int room) : room_(room) {}
    bool writeBlock(const uint8_t* data, uint32_t bytes) override {
        if (room_-- <= 0)
            return fail(-ENOSPC, "writing the sound");
        return WavFileWriter::writeBlock(data, bytes);
    }

private:
    int room_;
};

struct Told {
    Kind kind;
    std::string fileName;
    uint32_t count = 0;
    bool operator==(const Told&) const = default;
};

std::vector<Told> told(const std::vector<AwayNotice>& notices) {
    std::vector<Told> out;
    for (const AwayNotice& n : notices)
        out.push_back({n.kind, n.fileName, n.count});
    return out;
}

std::ostream& operator<<(std::ostream& os, const Told& t) {
    return os << int(t.kind) << " \"" << t.fileName << "\" " << t.count;
}

} // namespace

// What the panel is given for a user who may not see it: a scheduled recording's start and
// end with its files, and whatever ended a recording early, each once.
TEST_F(RecordingRig, TheUserAwayHearsOfScheduledRecordingsAndOfWhatEndedOne) {
    ctl->OnDeviceReady(0xD201);
    int diskRoom = -1; // blocks until the disk is full; -1: room enough
    capture->Writer().SetOutputFactory([&](FileType) -> std::unique_ptr<RecordOutput> {
        if (diskRoom < 0)
            return std::make_unique<WavFileWriter>();
        return std::make_unique<FillingDiskWav>(diskRoom);
    });
    std::string first, last; // the files of the case's recording
    auto started = [&] { first = last = ctl->CurrentFileName(); };
    struct Case {
        const char* what;
        std::function<void()> run;
        std::function<std::vector<Told>()> expected;
    };
    const Case cases[] = {
        {"scheduled, divided once",
         [&] {
             ctl->OnScheduledStart("FM 98.1");
             started();
             play(2000);
             ctl->OnRecDivi();
             last = ctl->CurrentFileName();
             play(1000);
             ctl->OnScheduledStop();
         },
         [&] {
             return std::vector<Told>{{Kind::TaskStarted, first}, {Kind::TaskEnded, last}};
         }},
        {"by hand",
         [&] {
             ctl->OnRecStart();
             play(2000);
             ctl->OnRecStop();
         },
         [] { return std::vector<Told>{}; }},
        {"scheduled, device unplugged",
         [&] {
             ctl->OnScheduledStart("News");
             started();
             play(2000);
             ctl->OnDeviceGone();
             ctl->OnDeviceReady(0xD201);
             ctl->OnScheduledStop(); // ended already: no second word of it
         },
         [&] {
             return std::vector<Told>{{Kind::TaskStarted, first}, {Kind::DeviceGone, first}};
         }},
        {"disk full",
         [&] {
             diskRoom = 12;
             ctl->OnRecStart();
             started();
             play(3000);
         },
         [&] {
             return std::vector<Told>{{Kind::DiskFull, first}};
         }},
        {"disk full at the first block",
         [&] {
             diskRoom = 0;
             ctl->OnScheduledStart("News");
             started();
             play(1000);
             ctl->OnScheduledStop();
         },
         [&] {
             return std::vector<Told>{{Kind::TaskStarted, first}, {Kind::DiskFull, ""}};
         }},
        {"file too large",
         [&] {
             ctl->OnRecStart();
             started();
             FileSizeLimit small(WavFileWriter::kHeaderBytes + 12 * kBlock);
             play(3000);
         },
         [&] {
             return std::vector<Told>{{Kind::WriteFailed, first}};
         }},
        {"dropouts",
         [&] {
             ctl->OnRecStart();
             play(1000);
             source->overrunCount.fetch_add(3);
             play(1000);
             ctl->OnRecStop();
         },
         [] {
             return std::vector<Told>{{Kind::Dropouts, "", 3}};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        panel.away.clear();
        diskRoom = -1;
        c.run();
        EXPECT_FALSE(ctl->Recording());
        EXPECT_EQ(told(panel.away), c.expected());
    }
}

TEST_F(RecordingRig, FilesRecoveredAtStartAreCountedForTheUserAway) {
    // Two finished files, listed in the journal as a crash would have left them.
    const std::string journalPath = (folder / "Journal.txt").string();
    RecordingJournal journal(journalPath);
    for (int i = 0; i < 2; ++i) {
        JournalEntry e;
        e.path = startRecording();
        e.fileName = ctl->CurrentFileName();
        e.startTime = ctl->StartTimeText();
        play(1000);
        ctl->OnRecStop();
        ASSERT_TRUE(journal.Add(e));
    }
    EXPECT_TRUE(panel.away.empty());
    services.journalPath = journalPath;
    ctl = std::make_unique<RecordingController>(panel, config, *capture, services);
    ASSERT_EQ(ctl->RecoverUnfinished().size(), 2u);
    EXPECT_EQ(told(panel.away), (std::vector<Told>{{Kind::FilesRecovered, "", 2}}));
    // Nothing left to recover: nothing to tell.
    panel.away.clear();
    EXPECT_TRUE(ctl->RecoverUnfinished().empty());
    EXPECT_TRUE(panel.away.empty());
}
