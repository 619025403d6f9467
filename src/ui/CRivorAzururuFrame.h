#pragma once

#include "audio/LevelMeter.h"
#include "platform/MessageWindow.h"
#include "recording/RecordingController.h"
#include "recording/RecordingPanel.h"
#include "ui/CDialogRegionT.h"
#include "ui/LanguageFontCheck.h"
#include "ui/LocalizedWindow.h"

#include <QDialog>
#include <QPointer>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTime;
class QTimeEdit;

namespace vorlane {

class ConfigManger;
class CRegionBmpBtn;
class CSoundCapture;
class DesktopNotifier;
class PanelNotices;
class wTrayIcon;

// The main panel: the skinned window with the record buttons, the record and track
// numbers, the division settings, the tag fields, the level meters, the current file and
// its recording time, and the buttons of the tool dialogs. It owns the recording
// controller behind the record buttons and the tray icon, and it is the message window
// that the device thread and the capture thread post to.
//
// Start-up, in this order, once the settings are loaded:
//
//     CRivorAzururuFrame panel(config, capture, services, onExit);
//     if (!panel.applyPanelSkin()) ... // "File Error! Please ReInstall!"
//     ... start the device thread and the capture thread with panel.handle() ...
//     panel.showTrayIcon();
//     panel.show();
//
// The exit command (2 and 32782: Escape while nothing records, the Close button, the tray
// menu's Exit) calls onExit, which runs the program's shutdown; that stops a running
// recording through controller().FinishAtExit() and takes the tray icon away with
// removeTrayIcon().
//
// Thread contract: GUI thread only. Other threads reach it by posting to handle().
class CRivorAzururuFrame : public QDialog,
                           public MessageWindow,
                           public CDialogRegionT<CRivorAzururuFrame>,
                           public LocalizedWindow,
                           public RecordingPanel {
    Q_OBJECT
public:
    // The tool dialogs, numbered as message 1053 names them.
    enum class ToolDialog { TaskList = 0, PlayFile = 1, SystemSetting = 2 };
    // Makes a tool dialog as a child of the panel on its first use.
    using ToolDialogFactory = std::function<QWidget*(CRivorAzururuFrame& panel)>;
    // Lets the user choose a genre, modally over `owner`; the chosen name, or nullopt when
    // cancelled.
    using GenreChooser = std::function<std::optional<std::string>(QWidget* owner)>;

    CRivorAzururuFrame(ConfigManger& config, CSoundCapture& capture, RecordingServices services,
                       std::function<void()> onExit);
    ~CRivorAzururuFrame() override;

    // Skins the panel with BK-LP.bmp of the skin folder. False when the file is missing or
    // damaged: the program cannot show its panel then.
    bool applyPanelSkin();
    // Puts the tray icon up with the device state; false on a desktop without a tray.
    bool showTrayIcon();
    void removeTrayIcon();

    RecordingController& controller() { return *controller_; }
    wTrayIcon& tray() { return *tray_; }
    const LevelMeter& meter() const { return meter_; }
    LevelMeter& meter() { return meter_; }
    ConfigManger& config() { return config_; }

    // The control with a template id (1010 ... 1102), or null.
    QWidget* control(int id) const;
    CRegionBmpBtn* button(int id) const;

    // Where the later tool dialogs and the genre chooser plug in. Until then their
    // buttons open nothing.
    void setToolDialogFactory(ToolDialog which, ToolDialogFactory factory);
    QWidget* toolDialog(ToolDialog which) const;
    // For the factories: the dialog they made, owned by the panel from here on; or, when
    // none was made, null after telling the user that `window` cannot be shown and why.
    QWidget* adoptToolDialog(std::unique_ptr<QWidget> dialog, const std::string& window,
                             const QString& error);
    void setGenreChooser(GenreChooser chooser);

    // The scheduler keeps the panel hidden in this mode; the tray shows it.
    void setSchedulerMode(bool on);
    // Where the scheduler plugs in: the tray's "Scheduler" item (enter), the open command
    // in scheduler mode (leave, before the panel shows), and the panel hidden to the tray.
    struct SchedulerHandlers {
        std::function<void()> enter;
        std::function<void()> leave;
        std::function<void()> hiddenToTray;
    };
    void setSchedulerHandlers(SchedulerHandlers handlers);
    bool schedulerMode() const { return schedulerMode_; }

    // The last error told to the user.
    const std::string& lastError() const;
    // The line and the notes that tell the user what the panel cannot do now.
    const PanelNotices& notices() const { return *notices_; }

    // Reads every text of the panel from the language file again.
    void applyTexts() override;

    // RecordingPanel
    void setButtonEnabled(uint32_t commandId, bool enabled) override;
    void showRecordingLabels(const std::string& fileName, const std::string& time) override;
    void showElapsedTime(const std::string& time) override;
    void hideRecordingLabels() override;
    void setCounterSpinners(int recordNo, int recordTrack) override;
    void refreshTray() override;
    void reportError(const std::string& message) override;
    void setRecordingClock(bool running) override;
    void postCommand(uint32_t commandId) override;
    // A desktop notification, while the panel is out of sight.
    void notifyAway(const AwayNotice& notice) override;
    // Hidden, minimised, in scheduler mode, or shown by the scheduler for a task and not
    // used since: the panel's own notes are not seen then.
    bool outOfSight() const;

protected:
    bool processMessage(const Message& m, intptr_t& result) override;
    // Up and Down on the number fields step their numbers.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    // The tray's menu, for desktops without a tray (and for everyone else too).
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Escape: the exit command, but not during a recording, which only the Close button
    // and the tray's Exit end. Enter: nothing, as in a modeless dialog.
    void reject() override;
    void accept() override;

private:
    struct ToolSlot {
        int buttonId = 0;
        ToolDialogFactory factory;
        QPointer<QWidget> dialog;
    };

    void buildControls();
    void setUpControls();
    void registerControl(int id, QWidget* widget);
    void skinButtons();

    void onCommand(uint32_t id);
    void onExitCommand();
    // A device is there but may not be opened: the user learns why nothing is found.
    void onDeviceNotAccessible(const std::string& node);
    void onRecordStart();
    void onShowPanel();
    void onAbout();
    void onMinimize();
    void onTaskListButton();
    void onPlayFileButton();
    void onSystemSettingButton();
    void onGenreButton();
    // Runs a modal box of the panel; an exit asked for meanwhile follows once it is closed.
    void runModal(const std::function<void()>& run);
    void toggleToolDialog(ToolDialog which);
    void showToolDialog(ToolDialog which);
    void resetToolButton(ToolDialog which);
    void onToolDialogClosed(uintptr_t which);

    void onNumberEdited(int editId);
    void onTagEdited(int editId);
    void onDivideTypeChanged(int index);
    void onDivideTimeChanged(const QTime& time);
    void showDivideTime();
    void applyDivideTimeLabel();
    void showGenreName();

    void onBlockCaptured();
    void onMonitorMute(bool mute);

    ConfigManger& config_;
    CSoundCapture& capture_;
    std::function<void()> onExit_;
    std::unique_ptr<RecordingController> controller_;
    std::unique_ptr<wTrayIcon> tray_;
    std::unique_ptr<PanelNotices> notices_;
    std::unique_ptr<DesktopNotifier> notifier_;
    LevelMeter meter_;

    std::map<int, QWidget*> controls_;
    std::map<int, CRegionBmpBtn*> buttons_;
    QLineEdit* recordNoEdit_ = nullptr;
    QSpinBox* recordNoSpin_ = nullptr;
    QLineEdit* recordTrackEdit_ = nullptr;
    QSpinBox* recordTrackSpin_ = nullptr;
    QComboBox* divideType_ = nullptr;
    QLabel* divideTimeLabel_ = nullptr;
    QTimeEdit* divideTime_ = nullptr;
    QLabel* genreName_ = nullptr;
    QLabel* fileName_ = nullptr;
    QLabel* recordTime_ = nullptr;

    std::array<ToolSlot, 3> tools_;
    GenreChooser genreChooser_;
    SchedulerHandlers scheduler_;
    // Field handlers act only once the panel has set its fields up, and not while it
    // sets them itself.
    bool fieldsReady_ = false;
    int settingFields_ = 0;
    bool schedulerMode_ = false;
    int modalDepth_ = 0;
    bool exitAfterModal_ = false;
    bool countersUnsaved_ = false;
    // A focused record button went off; Record or Stop takes the focus once one is on.
    bool refocusRecordButtons_ = false;
    // The first activation has put the focus on the title.
    bool focusGiven_ = false;
    // Minimised to the task bar by the panel: a platform that forgets the state (Wayland)
    // still gets the panel mapped anew when it is asked for.
    bool minimizedToTaskBar_ = false;
    // The scheduler left its mode for a task by itself: the panel came up with nobody
    // asking for it, so the task's recording is still told as in scheduler mode, until the
    // user opens the panel from scheduler mode or presses Record.
    bool shownForTask_ = false;
    LanguageFontCheck fontCheck_;
};

} // namespace vorlane
