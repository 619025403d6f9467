#include "catalogue/CatalogueStatements.h"

#include <algorithm>

namespace vorlane {

Statement CatalogueStatements::allRecordings() {
    return {"select * from RecordFile", {}};
}

Statement CatalogueStatements::recordingsNewestFirst() {
    return {"select * from RecordFile order by StartTime desc", {}};
}

Statement CatalogueStatements::recordingsForInsert() {
    return {"select * from RecordFile limit 0", {}};
}

Statement CatalogueStatements::recordingCount() {
    return {"select count(*) as Total from RecordFile", {}};
}

Statement CatalogueStatements::recordingsNewestFirstPage(int first, int count) {
    // Plain numbers, so they go into the text; the StartTime index serves this order.
    return {"select * from RecordFile order by StartTime desc, rowid desc limit " +
                std::to_string(std::max(count, 0)) + " offset " +
                std::to_string(std::max(first, 0)),
            {}};
}

Statement CatalogueStatements::recordingByRowId(int64_t rowid) {
    return {"select * from RecordFile where rowid = " + std::to_string(rowid), {}};
}

Statement CatalogueStatements::allTasks() {
    return {"select * from TaskFile", {}};
}

Statement CatalogueStatements::tasksEarliestFirst() {
    return {"select * from TaskFile order by StartTime asc", {}};
}

Statement CatalogueStatements::tasksLatestFirst() {
    return {"select * from TaskFile order by StartTime desc", {}};
}

Statement CatalogueStatements::taskByTimes(const std::string& start, const std::string& end) {
    return {"select * from TaskFile where StartTime = ? and EndTime = ? order by StartTime asc",
            {start, end}};
}

Statement CatalogueStatements::tasksWithoutMarker(const std::string& editMarker) {
    // NOT LIKE is never true for NULL, which is why Test is NOT NULL DEFAULT ''.
    return {"select * from TaskFile where Test NOT LIKE ? order by StartTime desc", {editMarker}};
}

Statement CatalogueStatements::singleTasksAfter(const std::string& now) {
    // The trailing blank makes "yyyy-MM-dd HH:mm" of the current minute compare below the
    // bound, so a task starting in this very minute is not taken as the next one.
    return {"select * from TaskFile where StartTime > ? and Repeats = 0 order by StartTime asc",
            {now + " "}};
}

Statement CatalogueStatements::singleTasksFrom(const std::string& minute) {
    return {"select * from TaskFile where StartTime >= ? and Repeats = 0 order by StartTime asc",
            {minute}};
}

Statement CatalogueStatements::repeatTasks() {
    return {"select * from TaskFile where Repeats = 1 order by StartTime asc", {}};
}

Statement CatalogueStatements::singleTasksAt(const std::string& minute) {
    return {"select * from TaskFile where StartTime like ? and Repeats = 0 order by StartTime asc",
            {minute}};
}

Statement CatalogueStatements::repeatTasksAt(const std::string& hhmm, int weekday) {
    static const char* const kDayClause[] = {"Sunday = 1)",    "Monday = 1)",   "Tuesday = 1)",
                                             "Wednesday = 1)", "Thursday = 1)", "Friday = 1)",
                                             "Saturday = 1)"};
    const char* day = weekday >= 0 && weekday <= 6 ? kDayClause[weekday] : kDayClause[0];
    // The day is a column name, chosen from the fixed list above, so it may be part of the text.
    return {std::string("select * from TaskFile where (StartTime like ?) and (Repeats = 1) and (") +
                day + "order by StartTime asc",
            {"%" + hhmm + "%"}};
}

} // namespace vorlane
