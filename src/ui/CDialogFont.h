#pragma once

#include "ui/SkinFont.h"

#include <QWidget>

namespace vorlane {

// The dialog font of the tool dialogs (task list, task editor, recordings browser, system
// settings): 13-pixel Tahoma, normal weight, on the dialog and on every child it has when
// applyFonts() runs, which is in the dialog's initialisation before its skin and texts.
//
// Thread contract: GUI thread only.
template <class T> class CDialogFont {
public:
    void applyFonts() {
        auto* dialog = static_cast<QWidget*>(static_cast<T*>(this));
        const QFont font = SkinFont::caption();
        dialog->setFont(font);
        for (QWidget* child : dialog->findChildren<QWidget*>())
            child->setFont(font);
    }

protected:
    CDialogFont() = default;
    ~CDialogFont() = default;
};

} // namespace vorlane
