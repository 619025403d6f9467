// The logind back end against a logind of the test's own on a private bus: a dbus-daemon
// of its own, with DBUS_SYSTEM_BUS_ADDRESS pointed at it, and an object that answers
// org.freedesktop.login1.Manager's Inhibit with one end of a pipe, so the test sees when
// the program lets go of its lock.
#include "PrivateBus.h"
#include "PumpUntil.h"
#include "TestProgramFolder.h"
#include "scheduler/LogindPowerBackend.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QThread>
#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vorlane;
using namespace vorlane::test;

namespace {

const char* const kBusName = "fake-logind";

// What the program asked for, with the end of the pipe that tells whether it still holds
// the lock.
struct Inhibitor {
    std::string what, who, why, mode;
    int watch = -1;

    // The program closed every copy of its end.
    bool released(int waitMs = 0) const {
        pollfd p{watch, POLLIN, 0};
        return ::poll(&p, 1, waitMs) == 1 && (p.revents & POLLHUP);
    }
};

class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    std::vector<Inhibitor> inhibitors() {
        std::lock_guard<std::mutex> lock(mutex_);
        return inhibitors_;
    }
    void forget() {
        std::lock_guard<std::mutex> lock(mutex_);
        for (Inhibitor& i : inhibitors_)
            ::close(i.watch);
        inhibitors_.clear();
    }
    std::atomic<int> powerOffs{0};
    std::atomic<bool> interactivePowerOff{false};

public Q_SLOTS:
    bool attach(const QString& address) {
        QDBusConnection bus = QDBusConnection::connectToBus(address, kBusName);
        return bus.isConnected() &&
               bus.registerObject("/org/freedesktop/login1", this,
                                  QDBusConnection::ExportAllSlots) &&
               bus.registerService("org.freedesktop.login1");
    }
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why,
                                    const QString& mode) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return {};
        QDBusUnixFileDescriptor handed(ends[1]); // a copy of its own
        ::close(ends[1]);
        std::lock_guard<std::mutex> lock(mutex_);
        inhibitors_.push_back({what.toStdString(), who.toStdString(), why.toStdString(),
                               mode.toStdString(), ends[0]});
        return handed;
    }
    void PowerOff(bool interactive) {
        interactivePowerOff = interactive;
        ++powerOffs;
    }

private:
    std::mutex mutex_;
    std::vector<Inhibitor> inhibitors_;
};

// One bus and one logind for all tests of the process: the program's system bus
// connection is made once.
class LogindOnPrivateBus : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        bus_ = new PrivateBus;
        address_ = bus_->address();
        if (address_.isEmpty())
            return;
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", address_.constData(), 1);
        logind_ = new FakeLogind;
        thread_ = new QThread;
        logind_->moveToThread(thread_);
        thread_->start();
        bool attached = false;
        QMetaObject::invokeMethod(logind_, "attach", Qt::BlockingQueuedConnection,
                                  Q_RETURN_ARG(bool, attached),
                                  Q_ARG(QString, QString::fromLatin1(address_)));
        if (!attached)
            address_.clear();
    }
    static void TearDownTestSuite() {
        if (logind_) {
            QDBusConnection::disconnectFromBus(kBusName);
            logind_->forget();
            QMetaObject::invokeMethod(logind_, "deleteLater");
        }
        if (thread_) {
            thread_->quit();
            thread_->wait();
        }
        delete thread_;
        delete bus_;
        thread_ = nullptr;
        logind_ = nullptr;
        bus_ = nullptr;
    }
    void SetUp() override {
        ASSERT_FALSE(address_.isEmpty()) << "no private bus with a logind of the test's own";
        logind_->forget();
        logind_->powerOffs = 0;
    }

    // The inhibitors asked for so far, once n of them have come (the call is synchronous,
    // but the fake records it on its own thread).
    static std::vector<Inhibitor> inhibitors(size_t n) {
        pumpUntil([n] { return logind_->inhibitors().size() >= n; }, 2000);
        return logind_->inhibitors();
    }
    // Sends logind's PrepareForSleep and lets the program handle it.
    static void prepareForSleep(bool start) {
        QDBusMessage signal = QDBusMessage::createSignal(
            "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep");
        signal << start;
        ASSERT_TRUE(QDBusConnection(kBusName).send(signal));
    }

    static inline PrivateBus* bus_ = nullptr;
    static inline QThread* thread_ = nullptr;
    static inline FakeLogind* logind_ = nullptr;
    static inline QByteArray address_;
};

} // namespace

TEST_F(LogindOnPrivateBus, ARecordingHoldsItsOwnSleepLockUntilItEnds) {
    LogindPowerBackend power;
    ASSERT_TRUE(power.Available());
    power.HoldForRecording(true);
    power.HoldForRecording(true); // held already: no second lock
    auto locks = inhibitors(1);
    ASSERT_EQ(locks.size(), 1u);
    EXPECT_EQ(locks[0].what, "sleep:idle");
    EXPECT_EQ(locks[0].who, "Vorlane");
    EXPECT_EQ(locks[0].why, "Recording");
    EXPECT_EQ(locks[0].mode, "block");

    // The lock near a task is a second one; each goes with its own reason.
    power.BlockSleep(true);
    locks = inhibitors(2);
    ASSERT_EQ(locks.size(), 2u);
    EXPECT_EQ(locks[1].what, "sleep:idle");
    EXPECT_EQ(locks[1].mode, "block");
    EXPECT_NE(locks[1].why, "Recording");
    EXPECT_FALSE(locks[0].released(100));
    power.HoldForRecording(false);
    EXPECT_TRUE(locks[0].released(2000));
    EXPECT_FALSE(locks[1].released(100));
    power.BlockSleep(false);
    EXPECT_TRUE(locks[1].released(2000));

    // A new recording takes a new lock, and the end of the program lets go of it.
    {
        LogindPowerBackend again;
        again.HoldForRecording(true);
        locks = inhibitors(3);
        ASSERT_EQ(locks.size(), 3u);
        EXPECT_EQ(locks[2].why, "Recording");
        EXPECT_FALSE(locks[2].released(100));
    }
    EXPECT_TRUE(locks[2].released(2000));
    EXPECT_EQ(logind_->inhibitors().size(), 3u);
}

TEST_F(LogindOnPrivateBus, ASuspendArmsTheWakeUpBeforeItGoesOnAndPowerOffIsNotInteractive) {
    LogindPowerBackend power;
    ASSERT_TRUE(power.Available());
    int suspends = 0, resumes = 0;
    power.SetSuspendHandlers([&] { ++suspends; }, [&] { ++resumes; });
    power.WatchSuspend(true);
    auto locks = inhibitors(1);
    ASSERT_EQ(locks.size(), 1u);
    EXPECT_EQ(locks[0].what, "sleep");
    EXPECT_EQ(locks[0].mode, "delay");

    prepareForSleep(true);
    ASSERT_TRUE(pumpUntil([&] { return suspends == 1; }, 2000));
    // The handler has run: the suspend may go on.
    EXPECT_TRUE(locks[0].released(2000));
    prepareForSleep(false);
    ASSERT_TRUE(pumpUntil([&] { return resumes == 1; }, 2000));
    locks = inhibitors(2);
    ASSERT_EQ(locks.size(), 2u);
    EXPECT_EQ(locks[1].mode, "delay");
    power.WatchSuspend(false);
    EXPECT_TRUE(locks[1].released(2000));
    // Not watching: a suspend passes by.
    prepareForSleep(true);
    pumpFor(200);
    EXPECT_EQ(suspends, 1);

    EXPECT_TRUE(power.PowerOff());
    EXPECT_EQ(logind_->powerOffs, 1);
    EXPECT_FALSE(logind_->interactivePowerOff);
}

#include "LogindPowerBackend_test.moc"
