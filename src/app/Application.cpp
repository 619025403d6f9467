#include "app/Application.h"

#include "app/CMainDlg.h"
#include "app/DeviceThread.h"
#include "app/InstanceCommands.h"
#include "app/SimulatedDeviceControl.h"
#include "audio/AudioBackends.h"
#include "audio/CSoundCapture.h"
#include "audio/CTagWriter.h"
#include "config/wAutoRun.h"
#include "device/EndpointVolume.h"
#include "platform/Messages.h"
#include "platform/ProgramFolder.h"
#include "platform/UnixSignalWatcher.h"
#include "platform/UserProgramFolder.h"
#include "platform/wSingleInstance.h"
#include "playback/PlayFileDialog.h"
#include "scheduler/PowerBackends.h"
#include "scheduler/TaskDialogs.h"
#include "scheduler/TaskScheduler.h"
#include "ui/CRivorAzururuFrame.h"
#include "ui/LanguageTexts.h"
#include "ui/ModalBox.h"
#include "ui/QtTranslation.h"
#include "ui/SettingDialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace vorlane {

namespace {
const char* const kFileError = "File Error! Please ReInstall!";
const char* const kCaption = "Kestova";
// How long a second start waits for a busy first instance to take its command.
constexpr int kHandOverMs = 10000;

// `detail`: lines under the fixed text that say which file and why.
void fatalFileError(const std::string& detail = {}) {
    std::fprintf(stderr, "Vorlane: %s\n", kFileError);
    if (!detail.empty())
        std::fprintf(stderr, "Vorlane: %s\n", detail.c_str());
    QString text = QString::fromLatin1(kFileError);
    if (!detail.empty())
        text += QLatin1Char('\n') + QString::fromStdString(detail);
    QMessageBox::critical(nullptr, kCaption, text);
}

// Which settings file failed and why. An installed program sets a damaged file of the
// user's own aside, so that the next start copies the shipped settings in its place.
std::string settingsFailure(ConfigManger& config) {
    using F = ConfigManger::LoadFailure;
    config.LoadLanguage();
    QtTranslation::Apply(config);
    const LanguageTexts texts(config, LanguageTexts::kMessage);
    const std::string path = ConfigManger::SettingsFilePath();
    std::string why;
    switch (config.LoadError()) {
    case F::Missing:
        why = texts.string("Settings file missing", "The file is missing.");
        break;
    case F::Unreadable:
        why = texts.text("Settings file unreadable", "The file cannot be read (%1).")
                  .arg(QString::fromLocal8Bit(std::strerror(config.LoadErrno())))
                  .toStdString();
        break;
    case F::Empty:
        why = texts.string("Settings file empty", "The file is empty.");
        break;
    case F::Damaged:
    case F::None:
        why = texts.string("Settings file damaged",
                           "The file is damaged or is not the settings file of this program.");
        break;
    case F::NotWritable:
        why = texts.string("Settings file not writable",
                           "The file cannot be written, so it cannot be brought up to date.");
        break;
    }
    std::string detail = path + ": " + why;
    const bool damaged = config.LoadError() == F::Empty || config.LoadError() == F::Damaged;
    if (damaged && !ProgramFolder::shippedFolder().empty()) {
        std::string error;
        const std::filesystem::path kept = UserProgramFolder::SetAside(path, error);
        if (kept.empty())
            std::fprintf(stderr, "Vorlane: %s\n", error.c_str());
        else
            detail += "\n" + texts
                                 .text("Settings file set aside",
                                       "The damaged file was kept as %1; the next start puts "
                                       "the shipped settings in its place.")
                                 .arg(QString::fromStdString(kept.filename().string()))
                                 .toStdString();
    }
    return detail;
}

// The tags of a finished file come from the settings record at that moment.
bool tagFinishedFile(const std::string& path) {
    CMainDlg& dlg = CMainDlg::instance();
    TagValues tags;
    tags.title = dlg.MP3Title;
    tags.artist = dlg.MP3Artist;
    tags.album = dlg.MP3Album;
    tags.year = dlg.MP3Year;
    tags.comment = dlg.MP3Comment;
    tags.genre = dlg.MP3Genre.load();
    tags.genreName = ConfigManger::GenreName(tags.genre);
    tags.track = dlg.RecordTrack.load();
    return CTagWriter::TagFile(path, tags);
}
} // namespace

Application::Application() = default;

Application::~Application() {
    exit();
}

Application::StartResult Application::start() {
    return start(StartOptions{});
}

Application::StartResult Application::start(StartOptions options) {
    signals_ = std::make_unique<UnixSignalWatcher>(std::initializer_list<int>{SIGTERM, SIGINT});
    connect(signals_.get(), &UnixSignalWatcher::signalReceived, this, [this] { onSignal(); });
    // The instance is claimed before anything else, so two starts at the same moment
    // cannot both go on; a later start is answered even while this one is still busy.
    instance_ = options.claimed
                    ? std::move(options.claimed)
                    : std::make_unique<wSingleInstance>(QString::fromLatin1(kInstanceKey));
    if (!instance_->claim()) {
        // The other one may end meanwhile; then this start takes its place. One that holds
        // on without answering must not pass for a start that worked.
        if (instance_->notifyRunning(cmd::ShowPanel, kHandOverMs, true))
            return StartResult::HandedToRunningInstance;
        if (!instance_->claim()) {
            std::fprintf(stderr, "Vorlane: another instance runs but did not answer\n");
            return StartResult::Failed;
        }
    }
    if (!instance_->listen(cmd::ShowPanel, [this] {
            if (panel_)
                panel_->post(msg::Command, cmd::ShowPanel);
        }))
        std::fprintf(stderr, "Vorlane: cannot listen for a second start\n");

    // An installed program keeps each user's settings and catalogue in the user's own folder.
    if (std::string error = ProgramFolder::prepare(); !error.empty())
        std::fprintf(stderr, "Vorlane: %s\n", error.c_str());

    CMainDlg& dlg = CMainDlg::instance();
    if (!dlg.Load()) {
        fatalFileError(settingsFailure(dlg));
        return StartResult::Failed;
    }
    QtTranslation::Apply(dlg);

    capture_ = std::make_unique<CSoundCapture>(AudioBackends::CreateCaptureSource(),
                                               AudioBackends::CreateMonitorSink());
    capture_->BindSettings(dlg.RecordVolume, dlg.RecordBalance, dlg.deviceTypeCode);
    capture_->BindBitRate(dlg.RecordFileMP3BitRate);

    RecordingServices services;
    services.catalogue = &dlg.catalogue();
    services.deviceTargetWindow = &dlg.deviceTargetWindow;
    services.tagFile = tagFinishedFile;
    services.tagFileWith = [](const std::string& path, const TagValues& tags) {
        return CTagWriter::TagFile(path, tags);
    };
    services.journalPath = RecordingJournal::DefaultPath();
    services.setInputVolume = [&dlg] {
        EndpointVolume volume;
        volume.SetInputVolume(uint16_t(dlg.deviceTypeCode.load()), dlg.RecordVolume.load());
    };
    services.runEndAction = [this] {
        if (scheduler_)
            scheduler_->OnScheduledRecordingEnded();
    };
    // No idle suspend may cut a recording, whoever started it.
    services.recordingChanged = [this](bool recording) {
        if (power_)
            power_->HoldForRecording(recording);
    };
    // Queued: the exit destroys the panel, which must not happen inside its own handler.
    panel_ = std::make_unique<CRivorAzururuFrame>(dlg, *capture_, services, [this] {
        QMetaObject::invokeMethod(
            this, [this] { exit(); }, Qt::QueuedConnection);
    });
    if (!panel_->applyPanelSkin()) {
        panel_.reset();
        fatalFileError();
        return StartResult::Failed;
    }
    SettingDialogs::Install(*panel_, *capture_, services.setInputVolume);
    PlayFileDialog::Install(*panel_, dlg.catalogue());
    TaskDialogs::Install(*panel_, dlg.catalogue());

    deviceThread_ = std::make_unique<DeviceThread>();
    if (!deviceThread_->start(panel_->handle()))
        std::fprintf(stderr, "Vorlane: the device thread did not start; going on without it\n");

    capture_->StartCaptureThread(panel_->handle());
    panel_->showTrayIcon();

    // Autorun refresh: an entry that exists is pointed at this program again.
    if (!wAutoRun::read().empty())
        wAutoRun::write(ProgramFolder::executablePath());

    panel_->setWindowTitle(QString::fromStdString(dlg.SoftWareText));
    panel_->applyTexts();

    startScheduler();
    panel_->show();
    // The catalogue is open now: finish what a crash left open.
    panel_->controller().RecoverUnfinished();
    simControl_ = SimulatedDeviceControl::FromEnvironment(panel_->handle());
    commands_ = std::make_unique<InstanceCommands>(*panel_);
    instance_->setRequestHandler([this](const std::string& command) -> wSingleInstance::Reply {
        if (exiting_ || !commands_)
            return {InstanceProtocol::Status::Error, "Vorlane is ending", false};
        return commands_->Run(command);
    });
    if (options.record)
        commands_->RecordWhenDeviceFound();

    if (!dlg.catalogueNotice().empty()) {
        // Not modal: the program is usable while the note is on screen.
        auto* box = new QMessageBox(QMessageBox::Warning, kCaption,
                                    QString::fromStdString(dlg.catalogueNotice()), QMessageBox::Ok,
                                    panel_.get());
        box->setAttribute(Qt::WA_DeleteOnClose);
        // A message box is modal unless told otherwise, even when only shown.
        box->setModal(false);
        box->show();
    }
    return StartResult::Running;
}

void Application::startScheduler() {
    CMainDlg& dlg = CMainDlg::instance();
    const WindowHandle panelHandle = panel_->handle();
    SchedulerHooks hooks;
    hooks.stopThreads = [this, &dlg] {
        if (deviceThread_ && !deviceThread_->stop(5000))
            std::fprintf(stderr, "Vorlane: the device thread did not end within 5 s\n");
        // The device was let go without a word to the panel: tell it, as if unplugged.
        dlg.Relay(msg::DeviceGone);
        capture_->ShutdownCapture();
    };
    hooks.startThreads = [this, panelHandle] {
        if (!deviceThread_->start(panelHandle))
            std::fprintf(stderr, "Vorlane: the device thread did not start; going on without it\n");
        capture_->StartCaptureThread(panelHandle);
    };
    hooks.showSchedulerMode = [this](bool on) { panel_->setSchedulerMode(on); };
    hooks.reloadTagDefaults = [&dlg] { dlg.Load(); };
    hooks.recording = [this] {
        return panel_->controller().Recording() || capture_->IsRecording();
    };
    hooks.tellUser = [this](const std::string& text) { panel_->reportError(text); };
    hooks.wakeUnavailable = [this] {
        panel_->notifyAway({AwayNotice::Kind::WakeUnavailable, {}, 0});
    };

    power_ = PowerBackends::Create();
    scheduler_ = std::make_unique<TaskScheduler>(dlg.catalogue(), dlg, *power_, panelHandle,
                                                 std::move(hooks));
    if (!scheduler_->Start())
        std::fprintf(stderr, "Vorlane: the scheduler could not start\n");
    TaskScheduler* scheduler = scheduler_.get();
    panel_->setSchedulerHandlers({[scheduler] { scheduler->EnterSchedulerMode(); },
                                  [scheduler] { scheduler->LeaveSchedulerMode(); },
                                  [scheduler] { scheduler->OnPanelHiddenToTray(); }});
}

bool Application::leftThreadBehind() const {
    return deviceThread_ && deviceThread_->abandoned();
}

void Application::onSignal() {
    // The panel's own exit path: it lets a modal box return before anything is destroyed.
    if (panel_ && !exiting_) {
        panel_->post(msg::Command, cmd::Exit);
        return;
    }
    // Still starting: a box on screen (the file error) is closed, and start-up ends as if
    // the user had closed it.
    ModalBox::CloseActive();
}

void Application::exit() {
    if (exiting_)
        return;
    exiting_ = true;
    if (panel_)
        panel_->setSchedulerHandlers({});
    scheduler_.reset();
    simControl_.reset();
    commands_.reset();
    if (panel_) {
        panel_->removeTrayIcon();
        // A recording in progress is finished and catalogued before anything goes away,
        // with the machine still kept awake.
        panel_->controller().FinishAtExit();
    }
    power_.reset();
    if (deviceThread_ && !deviceThread_->stop(5000))
        std::fprintf(stderr, "Vorlane: the device thread did not end within 5 s\n");
    if (capture_)
        capture_->ShutdownCapture();
    if (panel_) {
        panel_->hide();
        panel_.reset();
    }
    QCoreApplication::exit(0);
}

} // namespace vorlane
