#include "CRegionBmpBtnMouse.h"

#include "platform/MessageWindow.h"
#include "platform/Messages.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>

namespace vorlane {

CRegionBmpBtnMouse::CRegionBmpBtnMouse(QWidget* parent, int controlId)
    : CRegionBmpBtn(parent, controlId) {
    // A thumb is held and dragged; a key would click it, which it never does.
    setFocusPolicy(Qt::NoFocus);
}

void CRegionBmpBtnMouse::report(uint32_t message) {
    QPointer<CRegionBmpBtnMouse> self(this);
    if (auto* target = dynamic_cast<MessageWindow*>(parentWidget()); target && target->isWindow())
        target->send(message, uintptr_t(controlId()), 0);
    // The parent may have deleted the button while it handled the message.
    if (!self)
        return;
    if (message == msg::ButtonPressed)
        Q_EMIT pressReported(controlId());
    else
        Q_EMIT releaseReported(controlId());
}

void CRegionBmpBtnMouse::mousePressEvent(QMouseEvent* event) {
    hold(event, true);
}

void CRegionBmpBtnMouse::mouseReleaseEvent(QMouseEvent* event) {
    hold(event, false);
}

void CRegionBmpBtnMouse::hold(QMouseEvent* event, bool down) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // Consumed here: the button base never sees the press, so no click can follow.
    event->accept();
    setDown(down);
    report(down ? msg::ButtonPressed : msg::ButtonReleased);
}

void CRegionBmpBtnMouse::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    QWidget* parent = parentWidget();
    if (!parent || !(event->buttons() & Qt::LeftButton))
        return;
    QMouseEvent moved(QEvent::MouseMove, mapToParent(event->position()), event->scenePosition(),
                      event->globalPosition(), event->button(), event->buttons(),
                      event->modifiers());
    QCoreApplication::sendEvent(parent, &moved);
}

} // namespace vorlane
