// Desktop notifications from the real panel, controller and capture engine to a
// notification service of the test's own: a dbus-daemon of its own as the session bus, and
// an object that owns org.freedesktop.Notifications there and keeps what it was sent.
#include "PanelTestSupport.h"
#include "PrivateBus.h"
#include "PumpUntil.h"
#include "ui/DesktopNotifier.h"
#include "ui/PanelLayout.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QThread>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <vector>

using namespace vorlane;
using namespace vorlane::test;

namespace {

const char* const kBusName = "fake-notifications";

struct Sent {
    QString app, icon, summary, body;
    uint replaces = 0;
    QStringList actions;
    QVariantMap hints;
    int timeout = 0;
};

class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    std::vector<Sent> sent() {
        std::lock_guard<std::mutex> lock(mutex_);
        return sent_;
    }
    void forget() {
        std::lock_guard<std::mutex> lock(mutex_);
        sent_.clear();
    }
    // How long Notify takes to answer: a service that hangs.
    std::atomic<int> stallMs{0};

public Q_SLOTS:
    bool attach(const QString& address) {
        QDBusConnection bus = QDBusConnection::connectToBus(address, kBusName);
        return bus.isConnected() &&
               bus.registerObject(DesktopNotifier::kPath, this, QDBusConnection::ExportAllSlots) &&
               own(true);
    }
    bool own(bool on) {
        QDBusConnection bus(kBusName);
        return on ? bus.registerService(DesktopNotifier::kService)
                  : bus.unregisterService(DesktopNotifier::kService);
    }
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints,
                int timeout) {
        if (stallMs > 0)
            QThread::msleep(ulong(stallMs.load()));
        std::lock_guard<std::mutex> lock(mutex_);
        sent_.push_back({app, icon, summary, body, replaces, actions, hints, timeout});
        return uint(sent_.size());
    }

private:
    std::mutex mutex_;
    std::vector<Sent> sent_;
};

// The debug lines of the process while the object lives.
class DebugLines {
public:
    DebugLines() {
        lines_.clear();
        previous_ = qInstallMessageHandler(&DebugLines::keep);
    }
    ~DebugLines() { qInstallMessageHandler(previous_); }
    int mentioning(const QString& part) const {
        int n = 0;
        for (const QString& l : lines_)
            n += l.contains(part) ? 1 : 0;
        return n;
    }

private:
    static void keep(QtMsgType, const QMessageLogContext&, const QString& text) {
        lines_.push_back(text);
    }
    static inline QStringList lines_;
    QtMessageHandler previous_ = nullptr;
};

const QString kNotShown = QStringLiteral("desktop notifications are not shown");

// One bus and one service for all tests of the process: the session bus connection of a
// process is made once.
class NotifyingPanel : public PanelTest {
protected:
    static void SetUpTestSuite() {
        bus_ = new PrivateBus;
        address_ = bus_->address();
        if (address_.isEmpty())
            return;
        ::setenv("DBUS_SESSION_BUS_ADDRESS", address_.constData(), 1);
        service_ = new FakeNotifications;
        thread_ = new QThread;
        service_->moveToThread(thread_);
        thread_->start();
        bool attached = false;
        QMetaObject::invokeMethod(service_, "attach", Qt::BlockingQueuedConnection,
                                  Q_RETURN_ARG(bool, attached),
                                  Q_ARG(QString, QString::fromLatin1(address_)));
        if (!attached)
            address_.clear();
    }
    static void TearDownTestSuite() {
        if (service_) {
            QDBusConnection::disconnectFromBus(kBusName);
            QMetaObject::invokeMethod(service_, "deleteLater");
        }
        if (thread_) {
            thread_->quit();
            thread_->wait();
        }
        delete thread_;
        delete bus_;
        thread_ = nullptr;
        service_ = nullptr;
        bus_ = nullptr;
    }
    void SetUp() override {
        ASSERT_FALSE(address_.isEmpty()) << "no private session bus with a notification service";
        PanelTest::SetUp();
        service_->forget();
        service_->stallMs = 0;
        ownName(true);
    }

    static void ownName(bool on) {
        bool done = false;
        QMetaObject::invokeMethod(service_, "own", Qt::BlockingQueuedConnection,
                                  Q_RETURN_ARG(bool, done), Q_ARG(bool, on));
        ASSERT_TRUE(done);
    }
    // What the service was sent, once n notifications have come.
    static std::vector<Sent> sent(size_t n) {
        pumpUntil([n] { return service_->sent().size() >= n; }, 3000);
        return service_->sent();
    }

    // A scheduled recording of a few blocks; its file's name.
    std::string scheduledRecording(const char* task) {
        deliverText(msg::ScheduledRecording, 0, task);
        const std::string name = panel->controller().CurrentFileName();
        captureBlocks(8);
        deliver(msg::ScheduledRecording, 1);
        return name;
    }
    // Record pressed, a few blocks, then the device goes away; the file's name.
    std::string unpluggedRecording() {
        click(panel::kRecordStart);
        const std::string name = panel->controller().CurrentFileName();
        captureBlocks(8);
        deliver(msg::DeviceGone);
        deviceReady();
        return name;
    }

    static inline PrivateBus* bus_ = nullptr;
    static inline QThread* thread_ = nullptr;
    static inline FakeNotifications* service_ = nullptr;
    static inline QByteArray address_;
};

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

TEST_F(NotifyingPanel, AHiddenPanelTellsOfAScheduledRecordingAndOfAnUnplug) {
    makePanel(); // never shown: out of sight
    deviceReady();
    const std::string task = scheduledRecording("FM 98.1");
    const std::string unplugged = unpluggedRecording();
    ASSERT_FALSE(task.empty());
    ASSERT_FALSE(unplugged.empty());

    const std::vector<Sent> all = sent(3);
    ASSERT_EQ(all.size(), 3u);
    for (const Sent& s : all) {
        EXPECT_EQ(s.app, "Vorlane");
        EXPECT_EQ(s.icon, "vorlane"); // the installed theme icon of vorlane.desktop
        EXPECT_EQ(s.replaces, 0u);
        EXPECT_TRUE(s.actions.isEmpty());
        EXPECT_EQ(s.hints.value("desktop-entry").toString(), "vorlane");
        EXPECT_EQ(s.hints.value("urgency").toInt(), 1);
    }
    EXPECT_EQ(all[0].summary, "Scheduled recording started");
    EXPECT_EQ(all[0].body, "Recording to " + q(task) + ".");
    EXPECT_EQ(all[0].timeout, DesktopNotifier::kTimeoutMs);
    EXPECT_EQ(all[1].summary, "Scheduled recording finished");
    EXPECT_EQ(all[1].body, "Saved as " + q(task) + ".");
    EXPECT_EQ(all[2].summary, "Recording stopped: the turntable or adapter was disconnected");
    EXPECT_EQ(all[2].body, "The sound recorded until then is kept in " + q(unplugged) + ".");
    EXPECT_EQ(all[2].timeout, DesktopNotifier::kProblemTimeoutMs);
}

// In sight, the panel's own notes say it all. A panel that the scheduler brought up for a
// task by itself, though, tells of that task until the user takes the panel over.
TEST_F(NotifyingPanel, AVisiblePanelTellsNothingUnlessTheSchedulerBroughtItUp) {
    makePanel();
    panel->setSchedulerHandlers({{}, [this] { panel->setSchedulerMode(false); }, {}});
    panel->show();
    deviceReady();
    scheduledRecording("In sight");
    unpluggedRecording();

    // The open command leaves scheduler mode: the user is there.
    panel->setSchedulerMode(true);
    deliver(msg::Command, cmd::ShowPanel);
    ASSERT_TRUE(panel->isVisible());
    scheduledRecording("Opened by the user");

    // The scheduler leaves its mode for a task and shows the panel (its open command).
    panel->setSchedulerMode(true);
    panel->setSchedulerMode(false);
    deliver(msg::Command, cmd::ShowPanel);
    ASSERT_TRUE(panel->isVisible());
    const std::string unattended = scheduledRecording("Unattended");
    // Until the user records by hand.
    unpluggedRecording();

    // Minimised: out of sight again.
    panel->showMinimized();
    const std::string minimised = scheduledRecording("Minimised");

    const std::vector<Sent> all = sent(4);
    pumpFor(200); // nothing more on its way
    ASSERT_EQ(service_->sent().size(), 4u);
    EXPECT_EQ(all[0].body, "Recording to " + q(unattended) + ".");
    EXPECT_EQ(all[1].body, "Saved as " + q(unattended) + ".");
    EXPECT_EQ(all[2].body, "Recording to " + q(minimised) + ".");
    EXPECT_EQ(all[3].body, "Saved as " + q(minimised) + ".");
}

TEST_F(NotifyingPanel, WithoutAServiceOrWithAHungOneNothingWaitsAndOneLineIsLogged) {
    makePanel();
    deviceReady();
    {
        DebugLines debug;
        ownName(false);
        scheduledRecording("Nobody listens");
        scheduledRecording("Nobody listens");
        // The bus answers for the missing service; it is said once, and only as a debug line.
        EXPECT_TRUE(pumpUntil([&] { return debug.mentioning(kNotShown) > 0; }, 3000));
        pumpFor(200);
        EXPECT_EQ(debug.mentioning(kNotShown), 1);
        EXPECT_TRUE(panel->lastError().empty()) << panel->lastError();
    }
    EXPECT_TRUE(service_->sent().empty());
    // The recordings went on as ever: both in the catalogue and their folder.
    size_t files = 0;
    for ([[maybe_unused]] const auto& f : std::filesystem::directory_iterator(folder / "records"))
        ++files;
    EXPECT_EQ(files, 2u);

    // A service that owns the name but takes its time holds nothing up.
    ownName(true);
    service_->stallMs = 1500;
    const auto start = std::chrono::steady_clock::now();
    deliverText(msg::ScheduledRecording, 0, "Slow service");
    EXPECT_LT(msSince(start), 500);
    ASSERT_EQ(sent(1).size(), 1u); // and it does get there
    EXPECT_EQ(sent(1)[0].summary, "Scheduled recording started");
    deliver(msg::ScheduledRecording, 1);
}

// Run by CTest with DBUS_SESSION_BUS_ADDRESS pointing at nothing (see CMakeLists.txt).
TEST_F(PanelTest, WithoutASessionBusNothingIsSentAndOneLineIsLogged) {
    if (!std::getenv("VORLANE_TEST_NO_SESSION_BUS"))
        GTEST_SKIP() << "needs a process without a session bus";
    DebugLines debug;
    makePanel();
    deviceReady();
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 2; ++i) {
        deliverText(msg::ScheduledRecording, 0, "No bus");
        captureBlocks(4);
        deliver(msg::ScheduledRecording, 1);
    }
    EXPECT_LT(msSince(start), 3000);
    EXPECT_EQ(debug.mentioning(kNotShown), 1);
    EXPECT_FALSE(panel->controller().Recording());
    EXPECT_TRUE(panel->lastError().empty()) << panel->lastError();
}

#include "DesktopNotifier_test.moc"
