#pragma once

#include "recording/AwayNotice.h"

#include <cstdint>
#include <string>

namespace vorlane {

// What the recording controller needs from the main panel. The panel implements it; tests
// use a fake. Main thread only.
class RecordingPanel {
public:
    virtual ~RecordingPanel() = default;

    // Enables or disables one of the record buttons, named by its command id (1016..1019).
    virtual void setButtonEnabled(uint32_t commandId, bool enabled) = 0;
    // Shows the file name label (control 1087) and the time label (control 1088).
    virtual void showRecordingLabels(const std::string& fileName, const std::string& time) = 0;
    // Updates the time label only.
    virtual void showElapsedTime(const std::string& time) = 0;
    virtual void hideRecordingLabels() = 0;
    // Sets the record number and track spinners (controls 1011 and 1013).
    virtual void setCounterSpinners(int recordNo, int recordTrack) = 0;
    // The tray icon and tip follow the device and recording state.
    virtual void refreshTray() = 0;
    // Tells the user why something failed (a file that could not be created, ...).
    virtual void reportError(const std::string& message) = 0;
    // Starts (running) or stops the recording clock: timer 0x10003, every 1000 ms, on the
    // panel window; each tick calls RecordingController::OnClockTick().
    virtual void setRecordingClock(bool running) = 0;
    // Posts a command (WM_COMMAND with this id) to the panel window.
    virtual void postCommand(uint32_t commandId) = 0;
    // Something the user should hear of also while the panel is out of sight; the panel
    // decides whether it is. Nothing by default.
    virtual void notifyAway(const AwayNotice& notice) { static_cast<void>(notice); }
};

} // namespace vorlane
