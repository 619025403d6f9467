#pragma once

#include "catalogue/Statement.h"

#include <cstdint>
#include <string>

namespace vorlane {

// Every select the program runs on the catalogue, in one place. Time texts are the
// fixed-width forms "yyyy-MM-dd HH:mm" (tasks), so text order is time order.
class CatalogueStatements {
public:
    // RecordFile
    static Statement allRecordings();
    static Statement recordingsNewestFirst();
    // No rows, only the columns: what adding a row needs, whatever the table's size.
    static Statement recordingsForInsert();
    // One column "Total": the number of rows.
    static Statement recordingCount();
    // At most `count` rows of the newest-first order, after skipping `first` of them. Rows
    // of equal StartTime keep one order between pages.
    static Statement recordingsNewestFirstPage(int first, int count);
    // The one row with this rowid (as RowId() of a recordset reports it), or none.
    static Statement recordingByRowId(int64_t rowid);

    // TaskFile
    static Statement allTasks();
    static Statement tasksEarliestFirst();
    static Statement tasksLatestFirst();
    // Tasks whose StartTime and EndTime texts are exactly these.
    static Statement taskByTimes(const std::string& start, const std::string& end);
    // Every task except the one carrying the edit marker.
    static Statement tasksWithoutMarker(const std::string& editMarker);
    // Single tasks starting after the current minute; now is "yyyy-MM-dd HH:mm".
    static Statement singleTasksAfter(const std::string& now);
    // Single tasks starting in the given minute ("yyyy-MM-dd HH:mm") or later.
    static Statement singleTasksFrom(const std::string& minute);
    static Statement repeatTasks();
    // Single tasks starting in the given minute ("yyyy-MM-dd HH:mm").
    static Statement singleTasksAt(const std::string& minute);
    // Repeat tasks at hhmm ("HH:mm") on weekday 0 Sunday .. 6 Saturday; any other
    // weekday counts as Sunday.
    static Statement repeatTasksAt(const std::string& hhmm, int weekday);
};

} // namespace vorlane
