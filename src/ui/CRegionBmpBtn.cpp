#include "CRegionBmpBtn.h"

#include "platform/MessageWindow.h"
#include "platform/Messages.h"
#include "ui/SkinBitmap.h"
#include "ui/SkinFont.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace vorlane {

namespace {

// The pixels of `shape` whose four neighbours are all in it.
QRegion eroded(const QRegion& shape) {
    return shape & shape.translated(1, 0) & shape.translated(-1, 0) & shape.translated(0, 1) &
           shape.translated(0, -1);
}

} // namespace

CRegionBmpBtn::CRegionBmpBtn(QWidget* parent, int controlId)
    : QAbstractButton(parent), controlId_(controlId) {
    // Reached by Tab; a click leaves the focus where the user is typing.
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QAbstractButton::clicked, this, &CRegionBmpBtn::reportClick);
}

CRegionBmpBtn::~CRegionBmpBtn() = default;

bool CRegionBmpBtn::setSkin(const QString& stripFile, int imageWidth, QRgb keyColour) {
    if (imageWidth <= 0)
        return false;
    QImage strip = SkinBitmap::load(stripFile);
    if (strip.isNull() || strip.width() < imageWidth)
        return false;
    keyColour &= 0xFFFFFF;
    const QRegion region = SkinBitmap::opaqueRegion(strip, keyColour);
    if (region.isEmpty())
        return false; // an invisible button could not be found, let alone pressed

    strip_ = SkinBitmap::withKeyTransparent(strip, keyColour);
    const QImage twin = SkinBitmap::loadDoubleSize(stripFile, strip);
    strip2x_ = twin.isNull() ? QImage() : SkinBitmap::withKeyTransparent(twin, keyColour);
    region_ = region;
    imageWidth_ = imageWidth;
    style_ |= kHoverMode | kAutoSize;
    // The shape is that of the first image; presses outside it reach the window below.
    const QRegion shape = region_ & QRegion(0, 0, imageWidth_, strip_.height());
    setMask(shape);
    // The ring follows the outline, two pixels deep, so it shows on any image of the strip.
    const QRegion inside = eroded(shape);
    focusOuter_ = shape - inside;
    focusInner_ = inside - eroded(inside);
    if (style_ & kAutoSize)
        resize(imageWidth_, strip_.height());
    updateGeometry();
    update();
    return true;
}

void CRegionBmpBtn::setImages(int normal, int pushed, int focusOrHover, int disabled) {
    images_[0] = normal;
    images_[1] = pushed;
    images_[2] = focusOrHover;
    images_[3] = disabled;
    update();
}

bool CRegionBmpBtn::setCaption(std::optional<QString> caption) {
    caption_ = std::move(caption);
    updateAccessibleName();
    update();
    return true;
}

void CRegionBmpBtn::setShortcutKey(const QKeySequence& key) {
    setShortcut(key);
    showTip();
}

void CRegionBmpBtn::setAccessibleLabel(const QString& label) {
    accessibleLabel_ = label;
    updateAccessibleName();
}

bool CRegionBmpBtn::showsFocusRing() const {
    return isSkinned() && hasFocus();
}

void CRegionBmpBtn::showTip() {
    QString shown = tip_;
    if (!tip_.isEmpty() && !shortcut().isEmpty())
        shown +=
            QStringLiteral(" (") + shortcut().toString(QKeySequence::NativeText) + QLatin1Char(')');
    if (shown != toolTip()) {
        settingTip_ = true;
        setToolTip(shown);
        settingTip_ = false;
    }
    updateAccessibleName();
}

void CRegionBmpBtn::updateAccessibleName() {
    // Empty leaves Qt's own fall-back, the button's text.
    const QString name = !accessibleLabel_.isEmpty() ? accessibleLabel_
                         : !tip_.isEmpty()           ? tip_
                                                     : caption_.value_or(QString());
    if (name != accessibleName())
        setAccessibleName(name);
}

bool CRegionBmpBtn::event(QEvent* event) {
    // Whoever sets the tooltip sets the tip; the shown one gets the shortcut added.
    if (event->type() == QEvent::ToolTipChange && !settingTip_) {
        tip_ = toolTip();
        showTip();
    }
    return QAbstractButton::event(event);
}

void CRegionBmpBtn::keyPressEvent(QKeyEvent* event) {
    // Space is the button's own key; Enter and Return press a focused button too, as they
    // do a focused push button.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!event->isAutoRepeat())
            click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void CRegionBmpBtn::setTextColor(const QColor& color) {
    textColor_ = color;
    update();
}

int CRegionBmpBtn::imageCount() const {
    return imageWidth_ > 0 ? strip_.width() / imageWidth_ : 0;
}

int CRegionBmpBtn::currentImage() const {
    const int count = imageCount();
    auto valid = [count](int index) { return index >= 0 && index < count; };
    // A missing or out-of-range normal index still draws the strip's first image.
    const int normal = valid(images_[0]) ? images_[0] : 0;
    int chosen;
    if (!isEnabled())
        chosen = images_[3];
    else if (isDown())
        chosen = images_[1];
    else if ((style_ & kHoverMode) ? hover_ : hasFocus())
        chosen = images_[2];
    else
        chosen = normal;
    return valid(chosen) ? chosen : normal;
}

QSize CRegionBmpBtn::sizeHint() const {
    if (isSkinned())
        return {imageWidth_, strip_.height()};
    QStyleOptionButton option;
    option.initFrom(this);
    option.text = caption_.value_or(text());
    const QSize textSize = fontMetrics().size(Qt::TextShowMnemonic, option.text);
    return style()->sizeFromContents(QStyle::CT_PushButton, &option, textSize, this);
}

void CRegionBmpBtn::paintEvent(QPaintEvent*) {
    if (!isSkinned()) {
        QStylePainter painter(this);
        QStyleOptionButton option;
        option.initFrom(this);
        option.text = caption_.value_or(text());
        if (isDown())
            option.state |= QStyle::State_Sunken;
        painter.drawControl(QStyle::CE_PushButton, option);
        return;
    }
    QPainter painter(this);
    painter.setClipRegion(region_);
    const int index = currentImage();
    const int h = strip_.height();
    if (!strip2x_.isNull() && devicePixelRatioF() > 1.0)
        painter.drawImage(QRectF(0, 0, imageWidth_, h), strip2x_,
                          QRectF(index * imageWidth_ * 2, 0, imageWidth_ * 2, h * 2));
    else
        painter.drawImage(QPoint(0, 0), strip_, QRect(index * imageWidth_, 0, imageWidth_, h));
    if (caption_ && !caption_->isEmpty()) {
        painter.setFont(SkinFont::caption());
        painter.setPen(textColor_);
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, *caption_);
    }
    if (showsFocusRing()) {
        painter.setClipRegion(focusOuter_);
        painter.fillRect(rect(), palette().color(QPalette::Highlight));
        painter.setClipRegion(focusInner_);
        painter.fillRect(rect(), palette().color(QPalette::HighlightedText));
    }
}

void CRegionBmpBtn::enterEvent(QEnterEvent* event) {
    hover_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CRegionBmpBtn::leaveEvent(QEvent* event) {
    hover_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

bool CRegionBmpBtn::hitButton(const QPoint& pos) const {
    return isSkinned() ? region_.contains(pos) && rect().contains(pos)
                       : QAbstractButton::hitButton(pos);
}

void CRegionBmpBtn::reportClick() {
    if (controlId_ == 0)
        return;
    if (auto* target = dynamic_cast<MessageWindow*>(parentWidget()); target && target->isWindow())
        target->send(msg::Command, uintptr_t(controlId_), 0);
}

} // namespace vorlane
