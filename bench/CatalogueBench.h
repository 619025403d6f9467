#pragma once

namespace vorlane {

// vorlane-bench --catalogue: times what the recordings browser and the recording
// controller ask of a large catalogue, on a catalogue file of 1,000 and of 100,000 rows,
// and prints for each
//   catalogue rows=<n> page_ms=<x> insert_ms=<y>
// page_ms: counting the rows and reading one page of ten, the slowest of the first, a
// middle and the last page (median of 5 runs each). insert_ms: adding one recording's row
// as the controller does (median of 21). Both should stay flat as the table grows.
int RunCatalogueBench();

} // namespace vorlane
