#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlane {

class ADOConnection;

// The recordings browser's view of the catalogue: the number of rows, and one page of ten
// of the newest-first order at a time, never the whole table. Showing a page also tidies
// it: a row whose file has gone from a folder that is there is deleted, and the page is
// read again so the rows after it move up; a row whose folder cannot be reached (a disk
// not mounted) is kept and only left off the page.
//
// Thread contract: the thread that uses the catalogue connection (the GUI thread).
class RecordingPages {
public:
    // The catalogue columns of a row, in the list's order.
    static constexpr std::array<const char*, 8> kFields = {
        "FileName", "StartTime", "Duration", "Title", "Artist", "Album", "Year", "Comment"};

    struct Row {
        int64_t rowid = 0;
        std::string path;                  // FileFullPathName
        std::array<std::string, 8> fields; // kFields
    };

    // What a row's file looks like on disk.
    enum class FileState { Present, Gone, Unreachable };
    static FileState StateOf(const std::string& path);

    // `catalogue` may be null or closed: then there are no rows.
    explicit RecordingPages(ADOConnection* catalogue) : db_(catalogue) {}

    int Count() const;
    // The rows of page `page` whose files are there. False, with `rows` untouched, when the
    // catalogue cannot be read or the page lies past the end. `swept` counts the rows
    // deleted on the way.
    bool Load(int page, std::vector<Row>& rows, int& swept) const;
    // Deletes exactly the row with this rowid. False when it is not there or stays.
    bool Remove(int64_t rowid) const;

private:
    bool usable() const;
    ADOConnection* db_;
};

} // namespace vorlane
