#include "PanelTestSupport.h"

#include "E2eSupport.h"
#include "audio/NullMonitorSink.h"
#include "catalogue/CatalogueOpener.h"
#include "config/wIniFile.h"
#include "ui/CRegionBmpBtn.h"

#include <QApplication>
#include <QTimer>
#include <filesystem>

namespace fs = std::filesystem;

namespace vorlane::test {

void typeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(widget, &release);
    }
}

void pressKey(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &release);
}

void pump() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

void whenModal(std::function<void(QWidget*)> act) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            // Never leave a test waiting in the box's loop.
            QTimer::singleShot(2000, modal, &QWidget::close);
            act(modal);
        }
    });
    poll->start();
}

void PanelTest::SetUp() {
    copyGeneratedResources(folder);
    Clock::install(&clock);
    clock.setLocalTime({2026, 3, 5, 14, 7, 9, 0, 4});
    clock.setTickCount(1000000);

    fs::create_directories(folder / "records");
    ConfigManger::WriteSetting("Option", "RecordFilePath", (folder / "records").string());
    ConfigManger::WriteSetting("Option", "RecordFileType", 0); // WAV: no encoder needed
    ASSERT_TRUE(config.Load());
    ASSERT_TRUE(CatalogueOpener::open(catalogue, CatalogueOpener::defaultPath()).opened);

    auto fake = std::make_unique<FakeCaptureSource>();
    // Loud: a square wave of amplitude 10,000 and a period of 100 frames on both channels.
    fake->sample = [this](uint32_t, uint32_t index) {
        return int16_t(loud ? (index / 2 / 50 % 2 ? 10000 : -10000) : 0);
    };
    capture = std::make_unique<CSoundCapture>(std::move(fake), std::make_unique<NullMonitorSink>());
}

void PanelTest::TearDown() {
    panel.reset();
    capture.reset();
    catalogue.Close();
    Clock::install(nullptr);
}

bool PanelTest::buildPanel() {
    RecordingServices services;
    services.catalogue = &catalogue;
    services.deviceTargetWindow = &deviceTarget;
    services.tagFile = [](const std::string&) { return true; };
    // Without a capture thread the writer closes a file in the next capture step.
    services.writerPoll = [this](int) { capture->ProcessNotification(); };
    panel = std::make_unique<CRivorAzururuFrame>(config, *capture, std::move(services), [this] {
        ++exits;
        if (QApplication::activeModalWidget())
            exitedUnderABox = true;
    });
    capture->SetOwnerWindow(panel->handle());
    return panel->applyPanelSkin();
}

void PanelTest::deviceReady(int typeCode) {
    ASSERT_TRUE(panel->post(msg::DeviceReady, uintptr_t(typeCode)));
    pump();
    ASSERT_TRUE(panel->controller().DevicePresent());
}

void PanelTest::captureBlocks(int count) {
    for (int i = 0; i < count; ++i) {
        ASSERT_EQ(capture->ProcessNotification(), 0);
        pump();
    }
}

std::string PanelTest::setting(const std::string& section, const std::string& key) const {
    wIniFile ini;
    ini.SetFile(ConfigManger::SettingsFilePath(), section);
    return ini.ReadString(key, "<missing>");
}

void PanelTest::click(int id) {
    CRegionBmpBtn* b = panel->button(id);
    ASSERT_NE(b, nullptr);
    b->click();
    pump();
}

} // namespace vorlane::test
