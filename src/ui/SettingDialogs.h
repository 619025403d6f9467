#pragma once

#include <functional>

namespace vorlane {

class CRivorAzururuFrame;
class CSoundCapture;

// Plugs the settings dialog and the genre chooser into the main panel: its Setting button
// then makes the settings dialog on first use and shows and hides it, and its genre button
// runs the genre chooser. Called once, after the panel is built:
//
//     SettingDialogs::Install(panel, capture, services.setInputVolume);
//
// Thread contract: GUI thread only.
class SettingDialogs {
public:
    // `setInputVolume` applies RecordVolume at the device's sound card, as on device arrival;
    // the capture engine's monitor output follows "Silence Recording". Both must outlive
    // the panel.
    static void Install(CRivorAzururuFrame& panel, CSoundCapture& capture,
                        std::function<void()> setInputVolume);
};

} // namespace vorlane
