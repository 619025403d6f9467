#include "scheduler/TaskDialogSkin.h"

#include "ui/CRegionBmpBtn.h"

namespace vorlane {

void TaskDialogSkin::SkinButton(CRegionBmpBtn* button, const ConfigManger& config,
                                const skin::Strip& strip, QPoint at) {
    button->setSkin(QString::fromStdString(config.SkinFolder) + QString::fromLatin1(strip.file),
                    strip.imageWidth, skin::kKeyColour);
    button->setImages(skin::kImageNormal, skin::kImagePushed, skin::kImageHover, -1);
    button->move(at);
}

} // namespace vorlane
