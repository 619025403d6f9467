#include "app/DeviceThread.h"

#include "app/CMainDlg.h"
#include "platform/Messages.h"

namespace vorlane {

DeviceThread::DeviceThread() : thread_("device") {}

DeviceThread::~DeviceThread() {
    stop();
}

bool DeviceThread::start(WindowHandle panel, int waitMs) {
    CMainDlg& dlg = CMainDlg::instance();
    dlg.panelWindow.store(panel);
    return thread_.start([&dlg] { return dlg.create(); },
                         // The window normally destroys itself on close; make sure it is
                         // gone before the thread's event loop goes away.
                         [&dlg] { dlg.destroy(); }, waitMs);
}

bool DeviceThread::stop(int waitMs) {
    if (!thread_.isRunning())
        return true;
    if (thread_.abandoned())
        return false;
    MessageWindow::PostTo(CMainDlg::instance().handle(), msg::Close);
    if (thread_.wait(waitMs))
        return true;
    // It did not end in time: carry on with the exit regardless, and wait no more.
    thread_.abandon();
    return false;
}

} // namespace vorlane
