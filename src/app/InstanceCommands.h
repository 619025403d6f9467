#pragma once

#include "platform/wSingleInstance.h"
#include "recording/RecordingController.h"

#include <QElapsedTimer>
#include <memory>
#include <string>

class QTimer;

namespace vorlane {

class CRivorAzururuFrame;

// Carries out what later starts ask of the running instance (vorlane --record, --stop,
// --pause, --divide, --status, --show, --quit). The record commands go to the panel as its
// buttons send them, so the panel decides as it does for a press; the answer says whether
// the command took effect, and why not in one line ("no device connected", "not
// recording", "already recording", or the panel's own note).
//
// Thread contract: main thread (the panel's).
class InstanceCommands {
public:
    using Reply = wSingleInstance::Reply;
    // How long a program started to record waits for a device.
    static constexpr int kDeviceWaitMs = 15000;

    explicit InstanceCommands(CRivorAzururuFrame& panel);
    ~InstanceCommands();
    InstanceCommands(const InstanceCommands&) = delete;
    InstanceCommands& operator=(const InstanceCommands&) = delete;

    // One command of the protocol; an unknown one is answered "bad".
    Reply Run(const std::string& command);

    // The program was started to record: it does once a device is ready. When none is
    // within kDeviceWaitMs, it says so on standard error and presses Record all the same,
    // so that the panel tells the user as a press without a device does. A stop meanwhile
    // calls it off.
    void RecordWhenDeviceFound();
    bool waitingForDevice() const;

    // "<state> elapsed=HH:MM:SS dropouts=N file=<path>": state idle, recording, paused or
    // scheduler; the path runs to the end of the line and is empty while nothing records.
    static std::string StatusLine(const RecordingController::Status& status, bool schedulerMode);

private:
    Reply Record();
    Reply Stop();
    Reply Pause();
    Reply Divide();
    void CheckDevice();
    // Why a command failed: the note the panel showed for it (one that differs from
    // `noteBefore`), else `fallback`.
    std::string Reason(const std::string& noteBefore, const std::string& fallback) const;

    CRivorAzururuFrame& panel_;
    std::unique_ptr<QTimer> deviceWait_;
    QElapsedTimer waited_;
};

} // namespace vorlane
