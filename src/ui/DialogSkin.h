#pragma once

#include <QImage>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRegion>
#include <QString>
#include <functional>

class QWidget;

namespace vorlane {

// The skin of one window: a frameless, translucent window shaped by the non-key pixels of a
// background bitmap, whose key pixels it paints fully transparent, sized to the bitmap, centred on
// the primary screen, painted from the bitmap, with static texts showing the skin behind them, and
// dragged by any point. CDialogRegionT mixes it into a dialog class; it watches the window through
// an event filter, so the dialog's own paintEvent() draws on top of the background.
//
// Thread contract: GUI thread only.
class DialogSkin : public QObject {
    Q_OBJECT
public:
    explicit DialogSkin(QWidget* window);
    ~DialogSkin() override;

    // Loads the bitmap and skins the window. False, with the window unchanged, when the file
    // does not load, is damaged, or has no pixel outside the key colour (lastError() says
    // why). Applying again replaces the background.
    bool apply(const QString& bitmapFile, bool movable);

    bool skinned() const { return skinned_; }
    bool movable() const { return movable_; }
    QRgb keyColour() const { return key_; }
    // The bitmap as loaded, and as painted: key pixels fully transparent.
    const QImage& background() const { return background_; }
    const QImage& surface() const { return surface_; }
    // The drawing for 200 % screens, when the skin has one; else null.
    const QImage& doubleSizeBackground() const { return background2x_; }
    const QRegion& region() const { return region_; }
    const QString& lastError() const { return lastError_; }

    // Decides whether a press at a client point starts a drag (default: every point). A
    // window whose own controls take presses on its body (slider tracks) narrows it.
    void setDragArea(std::function<bool(const QPoint&)> allowed) { dragArea_ = std::move(allowed); }

    // Paints the background at (0, 0); the event filter does this before each paint.
    void paintBackground(QWidget* target) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void makeTransparent(QWidget* child);

    QPointer<QWidget> window_;
    QImage background_;
    QImage surface_;
    QImage background2x_;
    QRegion region_;
    QRgb key_;
    bool skinned_ = false;
    bool movable_ = false;
    bool filtering_ = false;
    bool dragging_ = false;
    QPoint dragOffset_;
    std::function<bool(const QPoint&)> dragArea_;
    QString lastError_;
};

} // namespace vorlane
