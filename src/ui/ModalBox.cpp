#include "ui/ModalBox.h"

#include <QApplication>
#include <QDialog>

namespace vorlane::ModalBox {

bool CloseActive() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return false;
    // reject() ends a dialog even when its close() would be refused (a message box
    // without an Escape button).
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else
        modal->close();
    return true;
}

} // namespace vorlane::ModalBox
