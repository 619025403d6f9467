#pragma once

#include "platform/MessageWindow.h"

#include <QIcon>
#include <QObject>
#include <QString>
#include <QSystemTrayIcon>
#include <memory>
#include <optional>
#include <string_view>

class QAction;
class QMenu;
class QTimer;

namespace vorlane {

class ConfigManger;

// The notification-area icon of the main panel. Its icon file and tip follow the program's
// state; a double click posts the show command (32778) to the panel, and its menu offers
// PopFrame (32778), the task list (32784), scheduler mode (32783), About (32781) and Exit
// (32782), each posted to the panel as a command.
//
// On a desktop without a tray the icon is never shown, but the state, icon and tip are
// still tracked, so the program works the same from its panel.
//
// Thread contract: GUI thread only.
class wTrayIcon : public QObject {
    Q_OBJECT
public:
    enum class State {
        Scheduler,          // waiting hidden for the next scheduled task
        NoDevice,           // no device connected
        ScheduledRecording, // a recording started by a task
        Recording,          // a recording started by hand
        Listening,          // a device, no recording
    };

    struct Look {
        std::string_view iconFile; // in the program folder's Resource/
        std::string_view tipKey;   // section "Tooltip" of the language file
        std::string_view tipDefault;
    };

    static State StateOf(bool schedulerMode, bool devicePresent, bool recording, bool scheduled);
    static Look LookOf(State state);

    // `target` is the window that receives the commands; the texts come from `config`'s
    // language file.
    wTrayIcon(const ConfigManger& config, WindowHandle target, QObject* parent = nullptr);
    ~wTrayIcon() override;

    // Whether the desktop offers a tray (tests may decide instead).
    static bool systemTrayAvailable();
    static void overrideSystemTrayAvailable(std::optional<bool> available);

    // Looks every TrayWatchMs for a tray that was not there when the icon was added.
    static constexpr int TrayWatchMs = 2000;

    // Puts the icon into the tray with the given icon and tip; false when there is no tray
    // yet (the state is tracked all the same, and the icon appears once a tray does).
    bool add(const QIcon& icon, const QString& tip);
    // Chooses icon file and tip for the state; the tip is read anew from the language file.
    void refresh(State state);
    // Takes the icon out of the tray.
    void remove();

    // Whether the icon is in a tray that is there now.
    bool shown() const;
    State state() const { return state_; }
    const QString& iconPath() const { return iconPath_; }
    const QIcon& icon() const { return icon_; }
    const QString& tip() const { return tip_; }

    // The tray menu; its texts are read from the language file each time it opens.
    QMenu* menu() const { return menu_.get(); }
    void applyMenuTexts();

    // What the tray reported: a double click asks for the panel, and so does a single
    // click, since desktops that host tray icons as status items never report double
    // clicks. Not in scheduler mode, which only the menu's PopFrame leaves.
    void onActivated(QSystemTrayIcon::ActivationReason reason);

private:
    void postCommand(int id) const;
    void showInTray();

    const ConfigManger& config_;
    WindowHandle target_;
    std::unique_ptr<QMenu> menu_;
    QAction* popFrame_ = nullptr;
    QAction* tasks_ = nullptr;
    QAction* scheduler_ = nullptr;
    QAction* about_ = nullptr;
    QAction* exit_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr; // owned through this object
    QTimer* trayWatch_ = nullptr;     // owned through this object
    State state_ = State::NoDevice;
    QString iconPath_;
    QIcon icon_;
    QString tip_;
};

} // namespace vorlane
