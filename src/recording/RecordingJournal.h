#pragma once

#include <string>
#include <vector>

namespace vorlane {

// One file that a recording has open, with what is needed to finish it after a crash.
struct JournalEntry {
    std::string path;
    std::string fileName;
    std::string startTime; // the catalogue's "StartTime" text
    std::string title, artist, album, year, comment, genreName, suffix;
    int genre = 0;
    int recordNo = 0;
    int track = 0;
    bool catalogued = false; // its catalogue row was written
    bool stopped = false;    // the recording it belongs to was stopped and counted

    bool operator==(const JournalEntry&) const = default;
};

// The files that recordings have open, kept in a small text file in the program folder so
// that the next start can finish those that a crash or a power cut left open. Every change
// replaces the file whole (written aside, forced to disk, renamed over it).
//
// Thread contract: one thread (the recording controller's).
class RecordingJournal {
public:
    static constexpr const char* kFileName = "RecordingJournal.txt";

    explicit RecordingJournal(std::string filePath);
    // The program folder's journal.
    static std::string DefaultPath();

    // False when the journal could not be written (the recording goes on regardless).
    bool Add(const JournalEntry& entry);
    bool MarkCatalogued(const std::string& path);
    bool MarkStopped(const std::string& path);
    bool Remove(const std::string& path);
    // The entries on disk; a damaged file gives those that can be read.
    std::vector<JournalEntry> Load() const;
    const std::string& FilePath() const { return filePath_; }

    // The text of the entries and back; values are escaped so that one is one line.
    static std::string Serialize(const std::vector<JournalEntry>& entries);
    static std::vector<JournalEntry> Parse(const std::string& text);

private:
    bool Save();
    template <typename Edit> bool Change(const std::string& path, Edit edit);

    std::string filePath_;
    std::vector<JournalEntry> entries_;
};

} // namespace vorlane
