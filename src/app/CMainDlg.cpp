#include "app/CMainDlg.h"

#include "catalogue/CatalogueOpener.h"
#include "platform/MessageThread.h"
#include "platform/Messages.h"

#include <cstdio>

namespace vorlane {

CMainDlg& CMainDlg::instance() {
    static CMainDlg dlg;
    return dlg;
}

CMainDlg::~CMainDlg() {
    catalogue_.Close();
}

void CMainDlg::reportInaccessible(const std::string& path) {
    MessageWindow::PostTextTo(panelWindow.load(), msg::DeviceNotAccessible, 0, path);
}

bool CMainDlg::Relay(uint32_t m, uintptr_t wParam, intptr_t lParam) {
    if (m == msg::DeviceReady)
        deviceTypeCode.store(int(wParam & 0xFFFF));
    else if (m == msg::DeviceGone)
        deviceTypeCode.store(0);
    return MessageWindow::PostTo(panelWindow.load(), m, wParam, lParam);
}

bool CMainDlg::processMessage(const Message& m, intptr_t& result) {
    switch (m.msg) {
    case msg::Create:
        onCreate();
        result = 0;
        return true;
    case msg::Destroy:
        onDestroy();
        return true;
    default:
        // Device supervision, then the device object: last in the map.
        return phone_.ProcessPhoneMessage(m, result);
    }
}

void CMainDlg::onCreate() {
    // The thread starts again after scheduler mode; the catalogue stays open meanwhile,
    // since the scheduler reads its tasks.
    if (!catalogue_.IsOpen() || catalogue_.Path() != CatalogueOpener::defaultPath()) {
        CatalogueOpenReport report =
            CatalogueOpener::open(catalogue_, CatalogueOpener::defaultPath());
        catalogueNotice_ = report.message;
        if (!report.message.empty())
            std::fprintf(stderr, "Vorlane: %s\n", report.message.c_str());
    }
    Load();                    // the result is ignored: the panel has loaded the same file already
    phone_.StartPhoneManger(); // device supervision: first connect in 1 s
}

void CMainDlg::onDestroy() {
    // Device supervision: tell the device object, then let go of the device and stop
    // the HID manager.
    send(devmsg::ManagerClose);
    phone_.ReleaseDevice();
    PostQuitMessage(0);
}

} // namespace vorlane
