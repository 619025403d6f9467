#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <string>

class QLabel;
class QMessageBox;
class QWidget;

namespace vorlane {

class ConfigManger;

// What the main panel tells the user itself, since many desktops have no tray to do it:
// a line on the panel while no device is connected, and non-modal notes (a failure, a
// record press without a device, a device this user may not open). Recording, metering and
// the device go on while a note is up.
//
// Thread contract: GUI thread only.
class PanelNotices {
public:
    // The line sits at `lineRect` of the panel; the texts come from `config`'s language
    // file.
    PanelNotices(QWidget& panel, const ConfigManger& config, const QRect& lineRect);

    // Shows or hides the "no device" line.
    void showNoDevice(bool show);
    bool noDeviceShown() const;
    QString noDeviceText() const;

    // A note; also printed on standard error.
    void showNote(const QString& text);
    // The text of the last note.
    const std::string& lastNote() const { return lastNote_; }
    // Record was pressed while no device is connected. While that note is up, another
    // press brings it to the front instead of adding one.
    void tellRecordNeedsDevice();
    // Scheduler mode hides the panel, and there is no tray to bring it back from; said once
    // per run.
    void tellSchedulerWithoutTray();
    // A supported device is connected at `node`, but this user may not open it.
    void tellDeviceNotAccessible(const std::string& node);

    // Reads the line's text from the language file again.
    void applyTexts();

private:
    QMessageBox* makeNote(const QString& text);

    QWidget& panel_;
    const ConfigManger& config_;
    QLabel* line_; // owned by the panel
    QPointer<QMessageBox> needsDeviceNote_;
    bool schedulerToldOnce_ = false;
    std::string lastNote_;
};

} // namespace vorlane
