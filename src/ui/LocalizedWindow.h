#pragma once

#include "platform/MessageWindow.h"

#include <cstdint>

namespace vorlane {

// A window whose texts come from the language file. applyTexts() reads them all anew; the
// window calls it when it is initialised or shown, and its message map hands every message
// to processLanguageMessage(), which applies the texts again on msg::LanguageChanged.
//
// Thread contract: the window's own thread.
class LocalizedWindow {
public:
    virtual ~LocalizedWindow();

    virtual void applyTexts() = 0;

    // True (result 0) for msg::LanguageChanged after the texts were applied again; false
    // for every other message.
    bool processLanguageMessage(const Message& m, intptr_t& result);
};

} // namespace vorlane
