#pragma once

#include "ui/DialogSkin.h"

#include <QString>
#include <QWidget>
#include <memory>

namespace vorlane {

// Mixed into each skinned dialog class T beside its widget base:
//
//     class CSysSettingDlg : public QDialog, public MessageWindow,
//                            public CDialogRegionT<CSysSettingDlg> { ... };
//
// applySkin() in the dialog's initialisation, after its controls exist, makes the window
// frameless, shapes it by the bitmap's non-key pixels, sizes it to the bitmap, centres it
// on the primary screen, paints the bitmap as its background (before T's own paintEvent),
// lets static texts show through, and lets the window be dragged by any point when
// movable. A window whose skin fails keeps its normal look and stays usable.
//
// Thread contract: GUI thread only.
template <class T> class CDialogRegionT {
public:
    bool applySkin(const QString& bitmapFile, bool movable = true) {
        if (!skin_)
            skin_ = std::make_unique<DialogSkin>(static_cast<QWidget*>(static_cast<T*>(this)));
        return skin_->apply(bitmapFile, movable);
    }

    bool isSkinned() const { return skin_ && skin_->skinned(); }

    // The skin's state (background, region, flags); null before the first applySkin().
    DialogSkin* dialogSkin() const { return skin_.get(); }

protected:
    CDialogRegionT() = default;
    ~CDialogRegionT() = default;

private:
    std::unique_ptr<DialogSkin> skin_;
};

} // namespace vorlane
