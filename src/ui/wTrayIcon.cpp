#include "ui/wTrayIcon.h"

#include "config/ConfigManger.h"
#include "platform/Messages.h"
#include "platform/ProgramFolder.h"
#include "ui/LanguageTexts.h"
#include "ui/SkinLayout.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QTimer>

namespace vorlane {

namespace {
std::optional<bool> g_availableOverride;

QString str(std::string_view s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
} // namespace

wTrayIcon::State wTrayIcon::StateOf(bool schedulerMode, bool devicePresent, bool recording,
                                    bool scheduled) {
    if (schedulerMode)
        return State::Scheduler;
    if (!devicePresent)
        return State::NoDevice;
    if (recording)
        return scheduled ? State::ScheduledRecording : State::Recording;
    return State::Listening;
}

wTrayIcon::Look wTrayIcon::LookOf(State state) {
    switch (state) {
    case State::Scheduler:
        return {skin::kTraySchedulerIcon, "Record Scheduler", "Vorlane Scheduler"};
    case State::NoDevice:
        return {skin::kTrayNoDeviceIcon, "NODEVICE ", "Please connect phone first"};
    case State::ScheduledRecording:
        return {skin::kTrayIdleIcon, "Schedule recording", "Schedule recording"};
    case State::Recording:
        return {skin::kTrayIdleIcon, "Record and replay", "Record and replay"};
    case State::Listening:
        break;
    }
    return {skin::kTrayIdleIcon, "Listening radio ", "Listening radio"};
}

wTrayIcon::wTrayIcon(const ConfigManger& config, WindowHandle target, QObject* parent)
    : QObject(parent), config_(config), target_(target), menu_(std::make_unique<QMenu>()) {
    popFrame_ = menu_->addAction(QString());
    tasks_ = menu_->addAction(QString());
    scheduler_ = menu_->addAction(QString());
    about_ = menu_->addAction(QString());
    exit_ = menu_->addAction(QString());
    connect(popFrame_, &QAction::triggered, this, [this] { postCommand(cmd::ShowPanel); });
    connect(tasks_, &QAction::triggered, this, [this] { postCommand(cmd::ShowTaskList); });
    connect(scheduler_, &QAction::triggered, this, [this] { postCommand(cmd::EnterScheduler); });
    connect(about_, &QAction::triggered, this, [this] { postCommand(cmd::About); });
    connect(exit_, &QAction::triggered, this, [this] { postCommand(cmd::MenuExit); });
    connect(menu_.get(), &QMenu::aboutToShow, this, &wTrayIcon::applyMenuTexts);
    applyMenuTexts();
    // A tray host may start after the program (a panel restarted, a slow session).
    trayWatch_ = new QTimer(this);
    trayWatch_->setInterval(TrayWatchMs);
    connect(trayWatch_, &QTimer::timeout, this, [this] {
        if (systemTrayAvailable()) {
            trayWatch_->stop();
            showInTray();
        }
    });
}

wTrayIcon::~wTrayIcon() {
    remove();
}

bool wTrayIcon::systemTrayAvailable() {
    return g_availableOverride ? *g_availableOverride : QSystemTrayIcon::isSystemTrayAvailable();
}

void wTrayIcon::overrideSystemTrayAvailable(std::optional<bool> available) {
    g_availableOverride = available;
}

bool wTrayIcon::add(const QIcon& icon, const QString& tip) {
    icon_ = icon;
    if (LanguageTexts::fitsTrayTip(tip))
        tip_ = tip;
    if (!systemTrayAvailable()) {
        trayWatch_->start();
        return false;
    }
    trayWatch_->stop();
    showInTray();
    return true;
}

void wTrayIcon::showInTray() {
    if (!tray_) {
        tray_ = new QSystemTrayIcon(this);
        tray_->setContextMenu(menu_.get());
        connect(tray_, &QSystemTrayIcon::activated, this, &wTrayIcon::onActivated);
    }
    tray_->setIcon(icon_);
    tray_->setToolTip(tip_);
    tray_->show();
}

void wTrayIcon::refresh(State state) {
    state_ = state;
    const Look look = LookOf(state);
    iconPath_ = QString::fromStdString(ProgramFolder::path()) + QStringLiteral("/Resource/") +
                str(look.iconFile);
    // A missing or unreadable icon file leaves the tray without an icon; the tip still
    // tells the state.
    icon_ = QIcon();
    if (QFileInfo(iconPath_).isFile()) {
        QIcon loaded(iconPath_);
        if (!loaded.availableSizes().isEmpty())
            icon_ = loaded;
    }
    const QString tip =
        LanguageTexts(config_, LanguageTexts::kTooltip).text(look.tipKey, look.tipDefault);
    if (LanguageTexts::fitsTrayTip(tip))
        tip_ = tip;
    if (tray_) {
        tray_->setIcon(icon_);
        tray_->setToolTip(tip_);
    }
}

void wTrayIcon::remove() {
    trayWatch_->stop();
    if (!tray_)
        return;
    tray_->hide();
    tray_->setContextMenu(nullptr);
    delete tray_;
    tray_ = nullptr;
}

bool wTrayIcon::shown() const {
    // A tray host that went away (an extension turned off) takes the icon with it.
    return tray_ && tray_->isVisible() && systemTrayAvailable();
}

void wTrayIcon::applyMenuTexts() {
    const LanguageTexts texts(config_, LanguageTexts::kMenuText);
    popFrame_->setText(texts.text("PopFrame ", "Open Sindery"));
    tasks_->setText(texts.text("TaskSet ", "Tasks"));
    scheduler_->setText(texts.text("Scheduler ", "Scheduler"));
    about_->setText(texts.text("About ", "About"));
    exit_->setText(texts.text("Exit ", "Exit"));
}

void wTrayIcon::onActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason != QSystemTrayIcon::DoubleClick && reason != QSystemTrayIcon::Trigger)
        return;
    if (state_ == State::Scheduler)
        return;
    postCommand(cmd::ShowPanel);
}

void wTrayIcon::postCommand(int id) const {
    MessageWindow::PostTo(target_, msg::Command, uintptr_t(id));
}

} // namespace vorlane
