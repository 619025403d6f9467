#include "playback/RecordingPages.h"

#include "catalogue/ADOConnection.h"
#include "catalogue/ADORecordset.h"
#include "catalogue/CatalogueStatements.h"
#include "playback/PlaybackMath.h"

#include <filesystem>

namespace vorlane {

namespace fs = std::filesystem;

RecordingPages::FileState RecordingPages::StateOf(const std::string& path) {
    if (path.empty())
        return FileState::Unreachable;
    std::error_code ec;
    if (fs::exists(path, ec))
        return FileState::Present;
    if (ec && ec != std::errc::no_such_file_or_directory)
        return FileState::Unreachable; // permissions, I/O: nothing is known
    // Only a folder that is there can vouch that the file is gone.
    const fs::path folder = fs::path(path).parent_path();
    return !folder.empty() && fs::is_directory(folder, ec) ? FileState::Gone
                                                           : FileState::Unreachable;
}

bool RecordingPages::usable() const {
    return db_ && db_->IsOpen();
}

int RecordingPages::Count() const {
    ADORecordset rs;
    if (!usable() || !rs.Open(*db_, CatalogueStatements::recordingCount()))
        return 0;
    return rs.GetInt("Total");
}

bool RecordingPages::Load(int page, std::vector<Row>& rows, int& swept) const {
    swept = 0;
    if (!usable() || page < 0)
        return false;
    std::vector<Row> shown;
    // A deleted row leaves its place to the rows after it, so the page is read again until
    // nothing more goes. Every pass deletes a row, so this ends.
    for (bool again = true; again;) {
        again = false;
        shown.clear();
        ADORecordset rs;
        if (!rs.Open(*db_, CatalogueStatements::recordingsNewestFirstPage(
                               page * PlaybackMath::kRowsPerPage, PlaybackMath::kRowsPerPage)))
            return false;
        if (rs.IsEOF() && page > 0)
            return false;
        for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext()) {
            Row row;
            row.path = rs.GetText("FileFullPathName");
            switch (StateOf(row.path)) {
            case FileState::Present:
                row.rowid = rs.RowId();
                for (size_t c = 0; c < kFields.size(); ++c)
                    row.fields[c] = rs.GetText(kFields[c]);
                shown.push_back(std::move(row));
                break;
            case FileState::Gone:
                if (rs.Delete()) {
                    ++swept;
                    again = true;
                }
                break;
            case FileState::Unreachable:
                break; // kept for when its disk is back
            }
        }
    }
    rows = std::move(shown);
    return true;
}

bool RecordingPages::Remove(int64_t rowid) const {
    ADORecordset rs;
    return usable() && rs.Open(*db_, CatalogueStatements::recordingByRowId(rowid)) && !rs.IsEOF() &&
           rs.Delete();
}

} // namespace vorlane
