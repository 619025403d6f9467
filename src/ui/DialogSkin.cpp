#include "DialogSkin.h"

#include "ui/SkinBitmap.h"
#include "ui/SkinLayout.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace vorlane {

DialogSkin::DialogSkin(QWidget* window) : window_(window), key_(skin::kKeyColour) {}

DialogSkin::~DialogSkin() {
    if (window_ && filtering_)
        window_->removeEventFilter(this);
}

bool DialogSkin::apply(const QString& bitmapFile, bool movable) {
    if (!window_)
        return false;
    QString error;
    QImage image = SkinBitmap::load(bitmapFile, &error);
    if (image.isNull()) {
        lastError_ = error;
        return false;
    }
    QRegion region = SkinBitmap::opaqueRegion(image, key_);
    // A window without a single visible pixel could neither be seen nor closed.
    if (region.isEmpty()) {
        lastError_ = bitmapFile + QStringLiteral(": every pixel has the key colour");
        return false;
    }

    QWidget* w = window_;
    const bool wasVisible = w->isVisible();
    // Caption, border and sizing frame go; the window keeps its type (dialog, tool, ...).
    const Qt::WindowFlags flags =
        (w->windowFlags() & Qt::WindowType_Mask) | Qt::FramelessWindowHint;
    if (w->windowFlags() != flags)
        w->setWindowFlags(flags); // this hides a shown window

    background_ = image;
    surface_ = SkinBitmap::withKeyTransparent(image, key_);
    const QImage twin = SkinBitmap::loadDoubleSize(bitmapFile, image);
    // Holes of a hand-made large drawing show the window colour, never the key colour.
    background2x_ = twin.isNull() ? QImage() : SkinBitmap::withKeyTransparent(twin, key_);
    region_ = region;
    // The mask shapes the window where the window system clips to it (X11) and decides
    // where presses land; a compositor that shows the whole surface (Wayland) gets the key
    // pixels transparent, so both show the same outline. The surface gets its alpha channel
    // when the window is created, which setWindowFlags() above or the first show does.
    w->setAttribute(Qt::WA_TranslucentBackground);
    w->setMask(region_);
    w->setFixedSize(image.size());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect s = screen->geometry();
        w->move(s.x() + s.width() / 2 - image.width() / 2,
                s.y() + s.height() / 2 - image.height() / 2);
    }
    skinned_ = true;
    movable_ = movable;
    lastError_.clear();
    if (!filtering_) {
        w->installEventFilter(this);
        filtering_ = true;
    }
    for (QWidget* child : w->findChildren<QWidget*>())
        makeTransparent(child);
    if (wasVisible && !w->isVisible())
        w->show();
    w->update();
    return true;
}

void DialogSkin::paintBackground(QWidget* target) const {
    if (!skinned_ || !target)
        return;
    QPainter painter(target);
    if (!background2x_.isNull() && target->devicePixelRatioF() > 1.0) {
        painter.drawImage(QRectF(0, 0, background_.width(), background_.height()), background2x_);
    } else {
        painter.drawImage(QPoint(0, 0), surface_);
    }
}

void DialogSkin::makeTransparent(QWidget* child) {
    // Static texts, check boxes, radio buttons and frames show the skin behind them.
    if (qobject_cast<QLabel*>(child) || qobject_cast<QCheckBox*>(child) ||
        qobject_cast<QRadioButton*>(child) || qobject_cast<QGroupBox*>(child))
        child->setAutoFillBackground(false);
}

bool DialogSkin::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_ || !skinned_)
        return false;
    QWidget* w = window_;
    switch (event->type()) {
    case QEvent::Paint:
        paintBackground(w);
        return false; // the window's own painting follows
    case QEvent::ChildPolished:
        if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(event)->child()))
            makeTransparent(child);
        return false;
    case QEvent::MouseButtonPress: {
        auto* e = static_cast<QMouseEvent*>(event);
        dragging_ = false;
        if (!movable_ || e->button() != Qt::LeftButton)
            return false;
        if (dragArea_ && !dragArea_(e->position().toPoint()))
            return false;
        // The window manager moves the window where it can (Wayland allows nothing else);
        // otherwise the window follows the pointer itself.
        QWindow* handle = w->window()->windowHandle();
        if (handle && handle->startSystemMove())
            return true;
        dragging_ = true;
        dragOffset_ = e->globalPosition().toPoint() - w->pos();
        return true;
    }
    case QEvent::MouseMove: {
        auto* e = static_cast<QMouseEvent*>(event);
        if (!dragging_)
            return false;
        if (!(e->buttons() & Qt::LeftButton)) {
            dragging_ = false;
            return false;
        }
        w->move(e->globalPosition().toPoint() - dragOffset_);
        return true;
    }
    case QEvent::MouseButtonRelease:
        if (!dragging_)
            return false;
        dragging_ = false;
        return true;
    default:
        return false;
    }
}

} // namespace vorlane
