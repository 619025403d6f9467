#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QKeySequence>
#include <QRegion>
#include <QString>
#include <cstdint>
#include <optional>

namespace vorlane {

// A bitmap button cut from an image strip. The strip holds images of one width side by
// side; four indices choose the normal, pushed, focus-or-hover and disabled images (-1 for
// none, which shows the normal image). The button is shaped by the non-key pixels of the
// strip's first image, draws an optional caption centred in 13-pixel Tahoma, and shows a
// tooltip (QWidget::setToolTip). A click is reported as clicked() and, when the parent is a
// message window and the button has a control id, as msg::Command with the id in wParam.
// Without a skin (setSkin() failed or was not called) it is an ordinary push button.
//
// Keyboard: the button takes the focus by Tab (not by a click, so a click leaves the focus in
// the field being typed in), draws a focus ring along its outline while it has it, and Space,
// Enter and Return press it. A shortcut (setShortcutKey) clicks it while its window is active,
// and only while it is enabled and visible, as a mouse click would; the tooltip then ends
// with the shortcut in the desktop's notation. Screen readers name it by its accessible
// label when one is set, else by its tooltip, else by its caption.
//
// Thread contract: GUI thread only.
class CRegionBmpBtn : public QAbstractButton {
    Q_OBJECT
public:
    // Extended style bits.
    static constexpr uint32_t kHoverMode = 0x01; // the focus-or-hover image shows on hover
    static constexpr uint32_t kEdge3D = 0x02;    // kept for callers; no skinned button draws it
    static constexpr uint32_t kEdge3DFocus = 0x04;
    static constexpr uint32_t kAutoSize = 0x08; // the control takes the size of one image

    explicit CRegionBmpBtn(QWidget* parent = nullptr, int controlId = 0);
    ~CRegionBmpBtn() override;

    int controlId() const { return controlId_; }
    void setControlId(int id) { controlId_ = id; }

    // Loads the strip (a .bmp file) with images imageWidth pixels wide, builds the shape
    // from the pixels that differ from keyColour (0xRRGGBB) and turns on hover mode and
    // automatic size. False, leaving the button as it was, when the file is missing or
    // damaged or narrower than one image.
    bool setSkin(const QString& stripFile, int imageWidth, QRgb keyColour = 0xFF00FF);
    bool isSkinned() const { return !strip_.isNull(); }

    void setImages(int normal, int pushed = -1, int focusOrHover = -1, int disabled = -1);
    // A caption drawn over the image; nullopt removes it. Always succeeds here.
    bool setCaption(std::optional<QString> caption);
    const std::optional<QString>& caption() const { return caption_; }
    void setTextColor(const QColor& color);

    // The key that clicks the button; an empty sequence removes it.
    void setShortcutKey(const QKeySequence& key);
    // The tooltip as set, without the shortcut that the shown one ends with.
    const QString& tipText() const { return tip_; }
    // The name that screen readers say, for buttons whose caption and tooltip do not say
    // what they do ("..."); empty: the tooltip or caption names it.
    void setAccessibleLabel(const QString& label);
    // Whether a paint would draw the focus ring now.
    bool showsFocusRing() const;

    uint32_t extendedStyle() const { return style_; }
    void setExtendedStyle(uint32_t bits) { style_ = bits; }

    int imageWidth() const { return imageWidth_; }
    int imageCount() const;
    // The strip with its key pixels transparent, as painted.
    const QImage& strip() const { return strip_; }
    const QRegion& region() const { return region_; }
    bool hovered() const { return hover_; }

    // The image that a paint would draw now (after the -1 and range fall-backs).
    int currentImage() const;

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool hitButton(const QPoint& pos) const override;

private:
    void reportClick();
    // The shown tooltip from the tip and the shortcut, and the accessible name.
    void showTip();
    void updateAccessibleName();

    int controlId_;
    QImage strip_;   // key pixels transparent
    QImage strip2x_; // the same for 200 % screens, when the skin has it
    QRegion region_;
    // The outer and inner pixel of the outline of the first image, drawn while focused.
    QRegion focusOuter_, focusInner_;
    int imageWidth_ = 0;
    int images_[4] = {-1, -1, -1, -1};
    uint32_t style_ = 0;
    bool hover_ = false;
    QColor textColor_ = Qt::black;
    std::optional<QString> caption_;
    QString tip_;
    QString accessibleLabel_;
    bool settingTip_ = false;
};

} // namespace vorlane
