#pragma once

namespace vorlane {

// vorlane-bench --catalogue: times what the recordings browser and the recording
// controller ask of a large catalogue, on a catalogue file of 1,000 and of 100,000 rows,
// and prints for each
//   catalogue rows=<n> page_ms=<x> insert_ms=<y>
// page_ms: what each showing of the browser costs, counting the rows and reading the first
// page of ten (median of 5). insert_ms: adding one recording's row as the controller does
// (median of 21). Both should stay flat as the table grows. A second line gives
//   catalogue rows=<n> last_page_ms=<z>
// for a jump to the last page, which steps over every row before it in the index.
int RunCatalogueBench();

} // namespace vorlane
