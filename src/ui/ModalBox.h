#pragma once

namespace vorlane::ModalBox {

// Closes the modal box on screen, if any, the way its Cancel or Escape would; its exec()
// returns once control is back in its event loop. Returns whether there was one.
bool CloseActive();

} // namespace vorlane::ModalBox
