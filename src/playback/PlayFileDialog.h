#pragma once

namespace vorlane {

class ADOConnection;
class CRivorAzururuFrame;

// Plugs the recordings browser into the main panel: its PlayFile button then makes the
// browser on first use and shows and hides it. Called once, after the panel is built:
//
//     PlayFileDialog::Install(panel, catalogue);
//
// Thread contract: GUI thread only.
class PlayFileDialog {
public:
    // `catalogue` must outlive the panel; it may open only later (the device thread opens
    // it), since the browser reads it each time it is shown.
    static void Install(CRivorAzururuFrame& panel, ADOConnection& catalogue);
};

} // namespace vorlane
