#include "app/Application.h"

#include "app/CMainDlg.h"
#include "app/DeviceThread.h"
#include "app/PlainMainWindow.h"
#include "platform/UnixSignalWatcher.h"

#include <QApplication>
#include <QMessageBox>
#include <csignal>
#include <cstdio>

namespace vorlane {

namespace {
const char* const kFileError = "File Error! Please ReInstall!";
const char* const kCaption = "Kestova";

void fatalFileError() {
    std::fprintf(stderr, "Vorlane: %s\n", kFileError);
    QMessageBox::critical(nullptr, kCaption, kFileError);
}
} // namespace

Application::Application() = default;

Application::~Application() {
    exit();
}

bool Application::start() {
    signals_ = std::make_unique<UnixSignalWatcher>(std::initializer_list<int>{SIGTERM, SIGINT});
    connect(signals_.get(), &UnixSignalWatcher::signalReceived, this, [this] { exit(); });

    CMainDlg& dlg = CMainDlg::instance();
    if (!dlg.Load()) {
        fatalFileError();
        return false;
    }

    // Queued: the exit destroys the window, which must not happen inside its own handler.
    window_ = std::make_unique<PlainMainWindow>([this] {
        QMetaObject::invokeMethod(
            this, [this] { exit(); }, Qt::QueuedConnection);
    });
    deviceThread_ = std::make_unique<DeviceThread>();
    if (!deviceThread_->start(window_->handle()))
        std::fprintf(stderr, "Vorlane: the device thread did not start; going on without it\n");

    window_->setWindowTitle(QString::fromStdString(dlg.SoftWareText));
    window_->setStatusText(QStringLiteral("No device"));
    window_->show();

    if (!dlg.catalogueNotice().empty()) {
        // Not modal: the program is usable while the note is on screen.
        auto* box = new QMessageBox(QMessageBox::Warning, kCaption,
                                    QString::fromStdString(dlg.catalogueNotice()), QMessageBox::Ok,
                                    window_.get());
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    }
    return true;
}

void Application::exit() {
    if (exiting_)
        return;
    exiting_ = true;
    if (deviceThread_ && !deviceThread_->stop(5000))
        std::fprintf(stderr, "Vorlane: the device thread did not end within 5 s\n");
    if (window_) {
        window_->hide();
        window_.reset();
    }
    QCoreApplication::exit(0);
}

} // namespace vorlane
