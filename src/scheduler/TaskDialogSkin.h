#pragma once

#include "config/ConfigManger.h"
#include "ui/SkinLayout.h"

#include <QPoint>
#include <QString>
#include <string_view>

namespace vorlane {

class CRegionBmpBtn;

// How the task dialogs come up skinned: their message window, the dialog font and the
// background of the skin folder; and their buttons cut from the skin's strips.
class TaskDialogSkin {
public:
    // False, with *error saying why, when the window or its background cannot be made.
    template <class Dialog>
    static bool Open(Dialog& dialog, const ConfigManger& config, std::string_view background,
                     const char* what, QString* error) {
        if (!dialog.MessageWindow::create()) {
            if (error)
                *error = QString::fromLatin1(what) + QStringLiteral(" could not be created");
            return false;
        }
        dialog.applyFonts();
        const QString file = QString::fromStdString(config.SkinFolder) +
                             QString::fromLatin1(background.data(), qsizetype(background.size()));
        if (dialog.applySkin(file, true))
            return true;
        if (error)
            *error = dialog.dialogSkin() ? dialog.dialogSkin()->lastError() : file;
        return false;
    }

    // Normal, pushed and hover images of the strip; the normal one when disabled.
    static void SkinButton(CRegionBmpBtn* button, const ConfigManger& config,
                           const skin::Strip& strip, QPoint at);
};

} // namespace vorlane
