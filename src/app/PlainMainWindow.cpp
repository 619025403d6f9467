#include "app/PlainMainWindow.h"

#include "platform/Messages.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace vorlane {

PlainMainWindow::PlainMainWindow(std::function<void()> onExit) : onExit_(std::move(onExit)) {
    auto* layout = new QVBoxLayout(this);
    status_ = new QLabel(this);
    status_->setAlignment(Qt::AlignCenter);
    layout->addWidget(status_);
    resize(360, 160);
    MessageWindow::create();
}

PlainMainWindow::~PlainMainWindow() {
    MessageWindow::destroy();
}

void PlainMainWindow::setStatusText(const QString& text) {
    status_->setText(text);
}

void PlainMainWindow::closeEvent(QCloseEvent* e) {
    // The exit runs in order and destroys this window itself.
    e->ignore();
    post(msg::Command, cmd::Exit);
}

void PlainMainWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        post(msg::Command, cmd::Exit);
        return;
    }
    QWidget::keyPressEvent(e);
}

bool PlainMainWindow::processMessage(const Message& m, intptr_t& result) {
    result = 0;
    switch (m.msg) {
    case msg::Command:
        if (m.wParam == cmd::Exit || m.wParam == cmd::MenuExit) {
            if (onExit_)
                onExit_();
            return true;
        }
        if (m.wParam == cmd::ShowPanel) {
            showNormal();
            raise();
            activateWindow();
            return true;
        }
        return false;
    case msg::DeviceReady:
        setStatusText(QStringLiteral("Device 0x%1 ready").arg(uint(m.wParam), 4, 16, QChar('0')));
        return true;
    case msg::DeviceGone:
        setStatusText(QStringLiteral("No device"));
        return true;
    default:
        return false;
    }
}

} // namespace vorlane
