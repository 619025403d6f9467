// Main thread only.
#include "app/InstanceCommands.h"

#include "config/ConfigManger.h"
#include "platform/Messages.h"
#include "recording/RecordingTexts.h"
#include "ui/CRivorAzururuFrame.h"

#include <QTimer>
#include <cstdio>

namespace vorlane {

namespace {
using Status = InstanceProtocol::Status;
constexpr int kDevicePollMs = 100;

InstanceCommands::Reply done() {
    return {Status::Ok, {}, false};
}

InstanceCommands::Reply refused(std::string why) {
    return {Status::Error, std::move(why), false};
}
} // namespace

InstanceCommands::InstanceCommands(CRivorAzururuFrame& panel) : panel_(panel) {}

InstanceCommands::~InstanceCommands() = default;

InstanceCommands::Reply InstanceCommands::Run(const std::string& command) {
    if (command == "record")
        return Record();
    if (command == "stop")
        return Stop();
    if (command == "pause")
        return Pause();
    if (command == "divide")
        return Divide();
    if (command == "status")
        return {Status::Ok, StatusLine(panel_.controller().CurrentStatus(), panel_.schedulerMode()),
                false};
    if (command == "show") {
        panel_.post(msg::Command, cmd::ShowPanel);
        return done();
    }
    if (command == "quit") {
        // The tray's Exit: a recording in progress is finished first. The asker learns
        // that the program has ended when the connection closes.
        panel_.post(msg::Command, cmd::MenuExit);
        return {Status::Ok, {}, true};
    }
    return {Status::Bad, "unknown command '" + command + "'", false};
}

InstanceCommands::Reply InstanceCommands::Record() {
    RecordingController& c = panel_.controller();
    if (c.Recording())
        return refused("already recording");
    // The panel is hidden and the device let go until a task is near.
    if (panel_.schedulerMode())
        return refused("scheduler mode is on ('vorlane --show' leaves it)");
    if (!c.DevicePresent())
        return refused("no device connected");
    const std::string note = panel_.lastError();
    panel_.send(msg::Command, cmd::RecordStart);
    if (!c.Recording())
        return refused(Reason(note, "the recording could not be started"));
    return done();
}

InstanceCommands::Reply InstanceCommands::Stop() {
    RecordingController& c = panel_.controller();
    if (!c.Recording()) {
        if (!waitingForDevice())
            return refused("not recording");
        // The start still waiting for its device is what there is to stop.
        deviceWait_->stop();
        return done();
    }
    const std::string note = panel_.lastError();
    panel_.send(msg::Command, cmd::RecordStop);
    if (c.Recording())
        return refused(Reason(note, "the recording did not stop"));
    return done();
}

InstanceCommands::Reply InstanceCommands::Pause() {
    RecordingController& c = panel_.controller();
    if (!c.Recording())
        return refused("not recording");
    const bool paused = c.Paused();
    const std::string note = panel_.lastError();
    panel_.send(msg::Command, cmd::RecordPause);
    if (!c.Recording() || c.Paused() == paused)
        return refused(Reason(note, paused ? "the recording could not go on"
                                           : "the recording could not be paused"));
    return done();
}

InstanceCommands::Reply InstanceCommands::Divide() {
    RecordingController& c = panel_.controller();
    if (!c.Recording())
        return refused("not recording");
    // The button is off then, and the panel divides by itself.
    if (panel_.config().RecordDiviType != 0)
        return refused("dividing by hand is off: this recording divides by time or on silence");
    const std::string file = c.CurrentFilePath();
    const std::string note = panel_.lastError();
    panel_.send(msg::Command, cmd::RecordDivide);
    if (!c.Recording())
        return refused(Reason(note, "the next file could not be started; the recording ended"));
    if (c.CurrentFilePath() == file)
        return refused(Reason(note, "the recording was not divided"));
    return done();
}

void InstanceCommands::RecordWhenDeviceFound() {
    if (!deviceWait_) {
        deviceWait_ = std::make_unique<QTimer>();
        QObject::connect(deviceWait_.get(), &QTimer::timeout, [this] { CheckDevice(); });
    }
    waited_.start();
    deviceWait_->start(kDevicePollMs);
}

bool InstanceCommands::waitingForDevice() const {
    return deviceWait_ && deviceWait_->isActive();
}

void InstanceCommands::CheckDevice() {
    RecordingController& c = panel_.controller();
    // Someone pressed Record, or a task started, in the meantime.
    if (c.Recording()) {
        deviceWait_->stop();
        return;
    }
    if (c.DevicePresent()) {
        deviceWait_->stop();
        panel_.post(msg::Command, cmd::RecordStart);
        return;
    }
    if (waited_.elapsed() < kDeviceWaitMs)
        return;
    deviceWait_->stop();
    std::fprintf(stderr, "Vorlane: no device connected within %d s; not recording\n",
                 kDeviceWaitMs / 1000);
    panel_.post(msg::Command, cmd::RecordStart);
}

std::string InstanceCommands::Reason(const std::string& noteBefore,
                                     const std::string& fallback) const {
    const std::string& note = panel_.lastError();
    return note.empty() || note == noteBefore ? fallback : note;
}

std::string InstanceCommands::StatusLine(const RecordingController::Status& status,
                                         bool schedulerMode) {
    using State = RecordingController::Status::State;
    const char* state = "idle";
    if (status.state == State::Recording)
        state = "recording";
    else if (status.state == State::Paused)
        state = "paused";
    else if (schedulerMode)
        state = "scheduler";
    return std::string(state) + " elapsed=" + RecordingTexts::DurationText(status.elapsedSeconds) +
           " dropouts=" + std::to_string(status.dropouts) + " file=" + status.file;
}

} // namespace vorlane
