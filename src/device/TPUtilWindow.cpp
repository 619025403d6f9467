#include "device/TPUtilWindow.h"

namespace vorlane {

TPUtilWindow::~TPUtilWindow() {
    subclass_ = nullptr;
    destroy();
}

bool TPUtilWindow::processMessage(const Message& m, intptr_t& result) {
    return subclass_ && subclass_->ProcessWindowMessage(m, result);
}

} // namespace vorlane
