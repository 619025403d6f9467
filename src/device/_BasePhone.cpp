#include "device/_BasePhone.h"

namespace vorlane {

_BasePhone::~_BasePhone() {
    releaseWindow();
    ownedWindow_.reset();
}

void _BasePhone::releaseWindow() {
    if (window_ && window_->subclassed() == this)
        window_->unsubclass();
}

} // namespace vorlane
