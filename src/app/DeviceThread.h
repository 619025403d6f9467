#pragma once

#include "platform/MessageThread.h"
#include "platform/MessageWindow.h"

namespace vorlane {

// The device thread: it carries the hidden CMainDlg window, created when the thread
// starts and destroyed when it is asked to close.
class DeviceThread {
public:
    DeviceThread();
    ~DeviceThread();

    // Stores the panel window in CMainDlg, starts the thread and waits at most waitMs
    // for the CMainDlg window. False when the window could not be created in time.
    bool start(WindowHandle panel, int waitMs = 600000);
    // Closes the CMainDlg window, which ends the thread, and waits at most waitMs.
    // Returns whether the thread has ended. A thread that did not is given up: later
    // stops and the destructor do not wait for it again.
    bool stop(int waitMs = 5000);
    bool isRunning() const { return thread_.isRunning(); }
    bool abandoned() const { return thread_.abandoned(); }

private:
    MessageThread thread_;
};

} // namespace vorlane
