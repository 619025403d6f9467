// Loaded into the installed program with LD_PRELOAD by the package test, to press its
// buttons as a user would: record as soon as a device is ready, stop after
// VORLANE_DRIVER_SECONDS (default 2) of recording, then close the panel.
#include "ui/PanelLayout.h"

#include <QAbstractButton>
#include <QApplication>
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

enum class Step { WaitForPanel, StartRecording, Recording, Stopping, Done };

void drive() {
    static Step step = Step::WaitForPanel;
    static int ticks = 0;
    static const int recordTicks = [] {
        const char* s = std::getenv("VORLANE_DRIVER_SECONDS");
        return (s && std::atoi(s) > 0 ? std::atoi(s) : 2) * 10;
    }();
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
            if (QAbstractButton* close = panelButton(panel::kCloseButton))
                close->click();
            step = Step::Done;
        }
        break;
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
