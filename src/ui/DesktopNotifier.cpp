#include "ui/DesktopNotifier.h"

#include "ui/LanguageTexts.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QVariantMap>
#include <QtDebug>

namespace vorlane {

namespace {

using Kind = AwayNotice::Kind;

struct Entry {
    Kind kind;
    const char* summaryKey;
    const char* summary;
    const char* bodyKey; // null: the body says what is left of the file
    const char* body;
    bool problem;
};

// %1 in a body is the file name, or the count for the notices that carry one.
constexpr Entry kEntries[] = {
    {Kind::TaskStarted, "Notify task started", "Scheduled recording started",
     "Notify task started text", "Recording to %1.", false},
    {Kind::TaskEnded, "Notify task ended", "Scheduled recording finished", "Notify task ended text",
     "Saved as %1.", false},
    {Kind::DeviceGone, "Notify device gone",
     "Recording stopped: the turntable or adapter was disconnected", nullptr, nullptr, true},
    {Kind::DiskFull, "Notify disk full", "Recording stopped: the disk is full", nullptr, nullptr,
     true},
    {Kind::WriteFailed, "Notify write failed", "Recording stopped: the file could not be written",
     nullptr, nullptr, true},
    {Kind::Dropouts, "Notify dropouts", "Sound was lost during the recording",
     "Notify dropouts text",
     "Dropouts: %1. The computer did not keep up, so the recording has gaps there.", true},
    {Kind::FilesRecovered, "Notify recovered", "Unfinished recordings recovered",
     "Notify recovered text",
     "Vorlane ended unexpectedly while recording. Files recovered, tagged and catalogued: %1.",
     false},
    {Kind::WakeUnavailable, "Notify wake unavailable",
     "The computer is not woken for scheduled recordings", "Notify wake unavailable text",
     "Vorlane may not set the wake-up alarm: a task is missed if the computer sleeps before it.",
     true},
};

const Entry& entryFor(Kind kind) {
    for (const Entry& e : kEntries)
        if (e.kind == kind)
            return e;
    return kEntries[0];
}

} // namespace

DesktopNotifier::DesktopNotifier(const ConfigManger& config, std::function<bool()> outOfSight)
    : config_(config), outOfSight_(std::move(outOfSight)) {}

DesktopNotifier::Texts DesktopNotifier::textsFor(const AwayNotice& notice) const {
    const LanguageTexts texts(config_, LanguageTexts::kMessage);
    const Entry& e = entryFor(notice.kind);
    const QString file = QString::fromStdString(notice.fileName);
    Texts out;
    out.summary = texts.text(e.summaryKey, e.summary);
    out.timeoutMs = e.problem ? kProblemTimeoutMs : kTimeoutMs;
    if (e.bodyKey) {
        const QString body = texts.text(e.bodyKey, e.body);
        const bool counted = notice.kind == Kind::Dropouts || notice.kind == Kind::FilesRecovered;
        out.body = notice.kind == Kind::WakeUnavailable ? body
                   : counted                            ? body.arg(notice.count)
                                                        : body.arg(file);
    } else if (file.isEmpty()) {
        out.body =
            texts.text("Notify nothing kept text", "Its file held no sound yet and was removed.");
    } else {
        out.body = texts.text("Notify kept text", "The sound recorded until then is kept in %1.")
                       .arg(file);
    }
    return out;
}

bool DesktopNotifier::notify(const AwayNotice& notice) {
    if (!outOfSight_ || !outOfSight_())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        failed(QStringLiteral("no session bus (%1)").arg(bus.lastError().message()));
        return false;
    }
    const Texts t = textsFor(notice);
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QString::fromLatin1(kDesktopEntry));
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(1))); // normal
    QDBusMessage call =
        QDBusMessage::createMethodCall(QString::fromLatin1(kService), QString::fromLatin1(kPath),
                                       QString::fromLatin1(kInterface), QStringLiteral("Notify"));
    call << QString::fromLatin1(kAppName) << uint(0) << QString::fromLatin1(kIconName) << t.summary
         << t.body << QStringList() << hints << t.timeoutMs;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        if (w->isError())
            failed(w->error().name() + QStringLiteral(": ") + w->error().message());
        w->deleteLater();
    });
    return true;
}

// Notifications are a courtesy: their absence must not bother anyone.
void DesktopNotifier::failed(const QString& why) {
    if (failureLogged_)
        return;
    failureLogged_ = true;
    qDebug("Vorlane: desktop notifications are not shown: %s", qUtf8Printable(why));
}

} // namespace vorlane
