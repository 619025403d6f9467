#pragma once

#include "recording/AwayNotice.h"

#include <QObject>
#include <QString>
#include <functional>

namespace vorlane {

class ConfigManger;

// Desktop notifications (org.freedesktop.Notifications on the session bus) for what the
// user would otherwise miss while the panel is out of sight. The panel's own notes say the
// same while it can be seen, so nothing is sent then.
//
// Sending never waits: the call is asynchronous, and without a session bus or a service
// that owns the name nothing happens apart from one debug line per run.
//
// Thread contract: GUI thread only.
class DesktopNotifier : public QObject {
public:
    static constexpr const char* kService = "org.freedesktop.Notifications";
    static constexpr const char* kPath = "/org/freedesktop/Notifications";
    static constexpr const char* kInterface = "org.freedesktop.Notifications";
    static constexpr const char* kAppName = "Vorlane";
    // The icon of the installed package (hicolor theme), and its desktop entry.
    static constexpr const char* kIconName = "vorlane";
    static constexpr const char* kDesktopEntry = "vorlane";
    // How long a notification stays; one that says a recording went wrong stays longer.
    static constexpr int kTimeoutMs = 10000;
    static constexpr int kProblemTimeoutMs = 30000;
    // A service that takes longer to answer is given up (the answer is only logged).
    static constexpr int kCallTimeoutMs = 5000;

    struct Texts {
        QString summary;
        QString body;
        int timeoutMs = kTimeoutMs;
    };

    // `outOfSight` says whether the panel is out of the user's sight now.
    DesktopNotifier(const ConfigManger& config, std::function<bool()> outOfSight);

    // Sends the notice while the panel is out of sight; true when it was sent.
    bool notify(const AwayNotice& notice);

    // The summary and body in the current language, with the notice's file and count.
    Texts textsFor(const AwayNotice& notice) const;

private:
    void failed(const QString& why);

    const ConfigManger& config_;
    std::function<bool()> outOfSight_;
    bool failureLogged_ = false;
};

} // namespace vorlane
