#pragma once

#include "platform/MessageWindow.h"

#include <QWidget>
#include <functional>

class QLabel;

namespace vorlane {

// A plain main window that stands in for the skinned panel: it shows the product text,
// receives the panel's messages, and turns a close into the exit command.
class PlainMainWindow : public QWidget, public MessageWindow {
    Q_OBJECT
public:
    explicit PlainMainWindow(std::function<void()> onExit);
    ~PlainMainWindow() override;

    void setStatusText(const QString& text);

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool processMessage(const Message& m, intptr_t& result) override;

private:
    std::function<void()> onExit_;
    QLabel* status_ = nullptr;
};

} // namespace vorlane
