// Loaded into the installed program with LD_PRELOAD by the package test, to press its
// buttons as a user would: record as soon as a device is ready, stop after
// VORLANE_DRIVER_SECONDS (default 2) of recording, then close the panel.
//
// With VORLANE_DRIVER_PLAY=1 it opens the recordings browser before closing and plays
// every listed recording until its position thumb moves ("driver: played NAME"); a box the
// program shows instead is printed as "driver: message: ..." and closed. Then it copies
// /proc/self/maps (every file the process has loaded) to VORLANE_DRIVER_MAPS, if set.
#include "ui/PanelLayout.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace vorlane;

QAbstractButton* panelButton(int id) {
    const panel::Control* control = nullptr;
    for (const panel::Control& c : panel::kControls)
        if (c.id == id)
            control = &c;
    if (!control)
        return nullptr;
    const QPoint centre(control->rect.x + control->rect.width / 2,
                        control->rect.y + control->rect.height / 2);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!top->inherits("vorlane::CRivorAzururuFrame") || !top->isVisible())
            continue;
        for (QAbstractButton* b : top->findChildren<QAbstractButton*>())
            if (b->parentWidget() == top && b->geometry().contains(centre))
                return b;
    }
    return nullptr;
}

// The browser's controls, by the template ids that are their object names.
constexpr const char* kBrowserList = "1051";
constexpr const char* kBrowserPositionThumb = "1058";
constexpr const char* kBrowserPlay = "1060";
constexpr const char* kBrowserStop = "1061";
constexpr int kPlayTimeoutTicks = 100; // 10 s for one recording to start moving

QWidget* visibleTopLevel(const char* className) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->inherits(className) && top->isVisible())
            return top;
    return nullptr;
}

bool envFlag(const char* name) {
    const char* s = std::getenv(name);
    return s && std::atoi(s) == 1;
}

void copyMaps() {
    const char* target = std::getenv("VORLANE_DRIVER_MAPS");
    if (!target)
        return;
    QFile maps(QStringLiteral("/proc/self/maps"));
    QFile out(QString::fromLocal8Bit(target));
    if (!maps.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly) ||
        out.write(maps.readAll()) < 0)
        std::fprintf(stderr, "driver: cannot copy the maps to %s\n", target);
}

// Plays the browser's recordings one after the other; true once all are done.
class BrowserPlayer {
public:
    bool tick() {
        // A box in the way (a recording that does not render) is the result of that row.
        if (auto* box = qobject_cast<QMessageBox*>(visibleTopLevel("QMessageBox"))) {
            std::fprintf(stderr, "driver: message: %s %s\n", qPrintable(box->text()),
                         qPrintable(box->informativeText()));
            box->done(QMessageBox::Ok);
            if (state_ == State::Playing) {
                ++row_;
                state_ = State::Select;
            }
            return false;
        }
        QWidget* browser = visibleTopLevel("vorlane::CPlayFileDlg");
        if (!browser) {
            if (state_ == State::Open && ++ticks_ % 10 == 1) {
                if (QAbstractButton* b = panelButton(panel::kPlayFileButton))
                    b->click();
            }
            return false;
        }
        auto* list = browser->findChild<QTableWidget*>(kBrowserList);
        auto* play = browser->findChild<QAbstractButton*>(kBrowserPlay);
        auto* stop = browser->findChild<QAbstractButton*>(kBrowserStop);
        QWidget* thumb = browser->findChild<QWidget*>(kBrowserPositionThumb);
        if (!list || !play || !stop || !thumb) {
            std::fprintf(stderr, "driver: the browser lacks its list or buttons\n");
            return true;
        }
        switch (state_) {
        case State::Open:
            std::fprintf(stderr, "driver: browser lists %d recordings\n", list->rowCount());
            state_ = State::Select;
            [[fallthrough]];
        case State::Select:
            if (row_ >= list->rowCount())
                return true;
            list->selectRow(row_);
            thumbStart_ = thumb->x();
            // Queued: a box that the press opens runs its own loop, and this timer must
            // go on ticking under it to read and close it.
            QTimer::singleShot(0, play, &QAbstractButton::click);
            ticks_ = 0;
            state_ = State::Playing;
            return false;
        case State::Playing: {
            const QString name = list->item(row_, 0) ? list->item(row_, 0)->text() : QString();
            if (thumb->x() > thumbStart_) {
                std::fprintf(stderr, "driver: played %s\n", qPrintable(name));
            } else if (++ticks_ < kPlayTimeoutTicks) {
                return false;
            } else {
                std::fprintf(stderr, "driver: %s did not play\n", qPrintable(name));
            }
            stop->click();
            ++row_;
            state_ = State::Select;
            return false;
        }
        }
        return true;
    }

private:
    enum class State { Open, Select, Playing };
    State state_ = State::Open;
    int row_ = 0;
    int ticks_ = 0;
    int thumbStart_ = 0;
};

enum class Step { WaitForPanel, StartRecording, Recording, Stopping, Playing, Done };

void closePanel() {
    if (QAbstractButton* close = panelButton(panel::kCloseButton))
        close->click();
}

void drive() {
    static Step step = Step::WaitForPanel;
    static int ticks = 0;
    static const int recordTicks = [] {
        const char* s = std::getenv("VORLANE_DRIVER_SECONDS");
        return (s && std::atoi(s) > 0 ? std::atoi(s) : 2) * 10;
    }();
    static const bool play = envFlag("VORLANE_DRIVER_PLAY");
    static BrowserPlayer player;
    if (step == Step::Playing) {
        if (player.tick()) {
            copyMaps();
            closePanel();
            step = Step::Done;
        }
        return;
    }
    QAbstractButton* start = panelButton(panel::kRecordStart);
    QAbstractButton* stop = panelButton(panel::kRecordStop);
    if (!start || !stop)
        return;
    ++ticks;
    switch (step) {
    case Step::WaitForPanel:
        step = Step::StartRecording;
        ticks = 0;
        break;
    case Step::StartRecording:
        // Without a device the press does nothing; press again until the stop button
        // shows that a recording runs.
        if (stop->isEnabled()) {
            std::fprintf(stderr, "driver: recording\n");
            step = Step::Recording;
            ticks = 0;
        } else if (ticks % 5 == 0) {
            start->click();
        }
        break;
    case Step::Recording:
        if (ticks >= recordTicks) {
            stop->click();
            step = Step::Stopping;
            ticks = 0;
        }
        break;
    case Step::Stopping:
        if (!stop->isEnabled()) {
            std::fprintf(stderr, "driver: stopped\n");
            if (play) {
                step = Step::Playing;
            } else {
                closePanel();
                step = Step::Done;
            }
        }
        break;
    case Step::Playing:
    case Step::Done:
        break;
    }
}

void installDriver() {
    auto* timer = new QTimer(qApp);
    QObject::connect(timer, &QTimer::timeout, &drive);
    timer->start(100);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installDriver)
