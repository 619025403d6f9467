#include "scheduler/LogindPowerBackend.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace vorlane {

namespace {
const char* const kService = "org.freedesktop.login1";
const char* const kPath = "/org/freedesktop/login1";
const char* const kManager = "org.freedesktop.login1.Manager";
const char* const kWakeAlarm = "/sys/class/rtc/rtc0/wakealarm";
const char* const kTaskDue = "A scheduled recording is due";

QDBusMessage managerCall(const char* method) {
    return QDBusMessage::createMethodCall(kService, kPath, kManager, method);
}

bool writeWakeAlarm(const std::string& value) {
    std::FILE* f = std::fopen(kWakeAlarm, "w");
    if (!f)
        return false;
    const bool ok = std::fputs(value.c_str(), f) >= 0;
    return std::fclose(f) == 0 && ok;
}
} // namespace

LogindPowerBackend::LogindPowerBackend() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected() || !bus.interface())
        return;
    available_ = bus.interface()->isServiceRegistered(kService).value();
    if (available_)
        bus.connect(kService, kPath, kManager, "PrepareForSleep", this,
                    SLOT(onPrepareForSleep(bool)));
}

LogindPowerBackend::~LogindPowerBackend() {
    closeFd(blockFd_);
    closeFd(recordingFd_);
    closeFd(delayFd_);
    closeFd(alarmFd_);
}

void LogindPowerBackend::closeFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

int LogindPowerBackend::inhibit(const char* what, const char* why, const char* mode) {
    if (!available_)
        return -1;
    QDBusMessage call = managerCall("Inhibit");
    call << QString::fromLatin1(what) << QStringLiteral("Vorlane") << QString::fromLatin1(why)
         << QString::fromLatin1(mode);
    QDBusReply<QDBusUnixFileDescriptor> reply = QDBusConnection::systemBus().call(call);
    if (!reply.isValid())
        return -1;
    // The descriptor in the reply closes with it: keep a copy of our own.
    return ::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
}

void LogindPowerBackend::BlockSleep(bool block) {
    if (block && blockFd_ < 0)
        blockFd_ = inhibit("sleep:idle", kTaskDue, "block");
    else if (!block)
        closeFd(blockFd_);
}

void LogindPowerBackend::HoldForRecording(bool hold) {
    if (hold && recordingFd_ < 0)
        recordingFd_ = inhibit("sleep:idle", "Recording", "block");
    else if (!hold)
        closeFd(recordingFd_);
}

void LogindPowerBackend::WatchSuspend(bool watch) {
    watching_ = watch;
    if (watch && delayFd_ < 0)
        delayFd_ = inhibit("sleep", kTaskDue, "delay");
    else if (!watch)
        closeFd(delayFd_);
}

void LogindPowerBackend::onPrepareForSleep(bool start) {
    if (!watching_)
        return;
    if (start) {
        if (onSuspend_)
            onSuspend_();
        closeFd(delayFd_); // the wake-up is armed: the suspend may go on
    } else {
        if (onResume_)
            onResume_();
        if (watching_ && delayFd_ < 0)
            delayFd_ = inhibit("sleep", kTaskDue, "delay");
    }
}

bool LogindPowerBackend::CanWake() const {
    if (alarmFd_ >= 0 || sysfsAlarm_)
        return true;
    // Without CAP_WAKE_ALARM the alarm clock is refused (EPERM).
    const int fd = ::timerfd_create(CLOCK_REALTIME_ALARM, TFD_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return ::access(kWakeAlarm, W_OK) == 0;
}

bool LogindPowerBackend::ArmWake(int64_t epochSeconds) {
    DisarmWake();
    alarmFd_ = ::timerfd_create(CLOCK_REALTIME_ALARM, TFD_CLOEXEC | TFD_NONBLOCK);
    if (alarmFd_ >= 0) {
        itimerspec when{};
        when.it_value.tv_sec = time_t(epochSeconds);
        if (::timerfd_settime(alarmFd_, TFD_TIMER_ABSTIME, &when, nullptr) == 0)
            return true;
        closeFd(alarmFd_);
    }
    // Without CAP_WAKE_ALARM: the RTC's own alarm, where a udev rule lets the user write it.
    sysfsAlarm_ = writeWakeAlarm("0") && writeWakeAlarm(std::to_string(epochSeconds));
    if (!sysfsAlarm_)
        std::fprintf(stderr, "Vorlane: the wake-up alarm could not be set\n");
    return sysfsAlarm_;
}

void LogindPowerBackend::DisarmWake() {
    closeFd(alarmFd_);
    if (sysfsAlarm_)
        writeWakeAlarm("0");
    sysfsAlarm_ = false;
}

bool LogindPowerBackend::PowerOff() {
    if (!available_)
        return false;
    QDBusMessage call = managerCall("PowerOff");
    call << false; // not interactive: no password prompt
    const QDBusMessage reply = QDBusConnection::systemBus().call(call);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace vorlane
