#include "ui/PanelNotices.h"

#include "ui/LanguageTexts.h"

#include <QLabel>
#include <QMessageBox>
#include <cstdio>

namespace vorlane {

PanelNotices::PanelNotices(QWidget& panel, const ConfigManger& config, const QRect& lineRect)
    : panel_(panel), config_(config), line_(new QLabel(&panel)) {
    line_->setObjectName(QStringLiteral("noDeviceLine"));
    line_->setGeometry(lineRect);
    line_->hide();
    applyTexts();
}

void PanelNotices::showNoDevice(bool show) {
    line_->setVisible(show);
}

bool PanelNotices::noDeviceShown() const {
    return !line_->isHidden();
}

QString PanelNotices::noDeviceText() const {
    return line_->text();
}

void PanelNotices::applyTexts() {
    line_->setText(LanguageTexts(config_, LanguageTexts::kWindowText)
                       .text("No device ", "No USB turntable or adapter connected"));
}

QMessageBox* PanelNotices::makeNote(const QString& text) {
    lastNote_ = text.toStdString();
    std::fprintf(stderr, "Vorlane: %s\n", lastNote_.c_str());
    auto* box =
        new QMessageBox(QMessageBox::Warning, panel_.windowTitle(), text, QMessageBox::Ok, &panel_);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
    return box;
}

void PanelNotices::showNote(const QString& text) {
    makeNote(text);
}

void PanelNotices::tellRecordNeedsDevice() {
    const QString text =
        LanguageTexts(config_, LanguageTexts::kMessage)
            .text("Record needs device ",
                  "There is nothing to record from: no USB turntable or adapter is connected. "
                  "Connect it, wait until the panel no longer says that none is connected, and "
                  "press Record again.");
    if (needsDeviceNote_) {
        lastNote_ = text.toStdString();
        needsDeviceNote_->raise();
        needsDeviceNote_->activateWindow();
        return;
    }
    needsDeviceNote_ = makeNote(text);
}

void PanelNotices::tellSchedulerWithoutTray() {
    if (schedulerToldOnce_)
        return;
    schedulerToldOnce_ = true;
    showNote(LanguageTexts(config_, LanguageTexts::kMessage)
                 .text("Scheduler without tray ",
                       "Vorlane now waits for the next task with its panel hidden. This desktop "
                       "has no tray to bring it back from: start Vorlane again to see the panel."));
}

void PanelNotices::tellDeviceNotAccessible(const std::string& node) {
    showNote(LanguageTexts(config_, LanguageTexts::kMessage)
                 .text("Device not accessible ",
                       "A USB turntable or adapter is connected (%1), but this user may not "
                       "open it, so it cannot be used. Install the device rule that comes with "
                       "the program (see \"Giving your user access to the turntable\" in the "
                       "README), then plug the device in again.")
                 .arg(QString::fromStdString(node)));
}

} // namespace vorlane
