#include "LocalizedWindow.h"

#include "platform/Messages.h"

namespace vorlane {

LocalizedWindow::~LocalizedWindow() = default;

bool LocalizedWindow::processLanguageMessage(const Message& m, intptr_t& result) {
    if (m.msg != msg::LanguageChanged)
        return false;
    applyTexts();
    result = 0;
    return true;
}

} // namespace vorlane
