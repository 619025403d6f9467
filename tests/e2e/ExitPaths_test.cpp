#include "E2eSupport.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "app/Application.h"
#include "app/CMainDlg.h"
#include "device/HidBackend.h"
#include "platform/MessageWindow.h"
#include "platform/Messages.h"
#include "ui/CRivorAzururuFrame.h"
#include "ui/CSysSettingDlg.h"
#include "ui/PanelLayout.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <functional>
#include <mutex>

using namespace vorlane;
using namespace vorlane::test;

namespace {

// The real program in this process. A modal box is opened through the panel, and SIGTERM
// arrives while the box waits for the user; the main loop must end with 0, no crash. SIGINT
// takes the same way out (see the startup tests).
class ExitWithModalBox : public ::testing::Test {
protected:
    void SetUp() override {
        copyGeneratedResources(folder);
        usePrivateSession(folder);
    }

    // Runs the main loop: `open` opens the box, the signal follows once it is on screen.
    int runWithBox(Application& app, const std::function<void()>& open) {
        QTimer::singleShot(0, open);
        QTimer poll;
        bool raised = false;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!raised && QApplication::activeModalWidget()) {
                raised = true;
                ::raise(SIGTERM);
            }
        });
        poll.start(20);
        // Never hang the suite: a loop that does not end reports 99.
        QTimer::singleShot(20000, [] { QCoreApplication::exit(99); });
        int code = QApplication::exec();
        EXPECT_TRUE(raised) << "the box never came up";
        EXPECT_EQ(app.panel(), nullptr);
        return code;
    }

    TestProgramFolder folder;
};

// The About box and the genre chooser, opened by their commands.
TEST_F(ExitWithModalBox, AboutBoxAndGenreChooser) {
    for (uintptr_t command : {uintptr_t(cmd::About), uintptr_t(panel::kGenreButton)}) {
        SCOPED_TRACE(command);
        Application app;
        ASSERT_EQ(app.start(), Application::StartResult::Running);
        WindowHandle panel = app.panel()->handle();
        EXPECT_EQ(runWithBox(app, [=] { MessageWindow::PostTo(panel, msg::Command, command); }), 0);
    }
}

// A message box that the settings dialog opens itself (a record folder it refuses).
TEST_F(ExitWithModalBox, SettingsMessageBox) {
    Application app;
    ASSERT_EQ(app.start(), Application::StartResult::Running);
    CRivorAzururuFrame* panel = app.panel();
    auto open = [panel] {
        panel->post(msg::Command, panel::kSettingButton);
        auto* wait = new QTimer;
        wait->setInterval(10);
        QObject::connect(wait, &QTimer::timeout, [wait, panel] {
            auto* dlg = dynamic_cast<CSysSettingDlg*>(
                panel->toolDialog(CRivorAzururuFrame::ToolDialog::SystemSetting));
            if (!dlg || !dlg->isVisible())
                return;
            wait->stop();
            wait->deleteLater();
            qobject_cast<QLineEdit*>(dlg->control(CSysSettingDlg::kPath))
                ->setText("not/a/full/path");
            qobject_cast<QAbstractButton*>(dlg->control(CSysSettingDlg::kOk))->click();
        });
        wait->start();
    };
    EXPECT_EQ(runWithBox(app, open), 0);
}

// A HID system that hangs when asked for its devices, as a wedged USB bus can: the HID
// manager thread blocks in it, and the device thread with it at its next connect.
class HangingHidBackend : public HidBackend {
public:
    bool enumerate(uint16_t, uint16_t, std::vector<HidDeviceInfo>& out) override {
        out.clear();
        std::unique_lock<std::mutex> lock(mutex);
        entered = true;
        cv.wait(lock, [this] { return released; });
        return true;
    }
    std::unique_ptr<HidDevice> open(const std::string&) override { return nullptr; }
    bool accessible(const std::string&) const override { return true; }
    void release() {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
        cv.notify_all();
    }
    std::atomic<bool> entered{false};

private:
    std::mutex mutex;
    std::condition_variable cv;
    bool released = false;
};

TEST(ExitWithAStuckDeviceThread, EndsWithZeroWithinTheBoundedWaits) {
    TestProgramFolder folder;
    copyGeneratedResources(folder);
    usePrivateSession(folder);
    static HangingHidBackend hid; // the stuck threads may outlive this test's scope
    HidBackend::install(&hid);
    std::chrono::steady_clock::time_point start;
    WindowHandle deviceWindow = 0;
    {
        Application app;
        ASSERT_EQ(app.start(), Application::StartResult::Running);
        deviceWindow = CMainDlg::instance().handle();
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (hid.entered && start == std::chrono::steady_clock::time_point()) {
                start = std::chrono::steady_clock::now();
                app.exit();
            }
        });
        poll.start(20);
        QTimer::singleShot(30000, [] { QCoreApplication::exit(99); });
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_TRUE(hid.entered) << "the device thread never reached the HID system";
        EXPECT_TRUE(app.leftThreadBehind());
    } // the application's destructors must neither wait again nor end the process
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    // Let the threads finish before this process ends.
    hid.release();
    pumpUntil([&] { return !MessageWindow::IsLiveWindow(deviceWindow); }, 10000);
    pumpFor(300);
}

} // namespace
