#include "ui/SkinnedDialog.h"

#include "platform/Messages.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/SkinFont.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QShowEvent>
#include <QTableWidget>

namespace vorlane {

SkinnedDialog::SkinnedDialog(QWidget* parent, const skin::Background& background, Modality modality)
    : QDialog(parent), background_(background) {
    setModal(modality == Modality::Modal);
    resize(background.width, background.height);
}

SkinnedDialog::~SkinnedDialog() = default;

QWidget* SkinnedDialog::control(int id) const {
    auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

bool SkinnedDialog::openSkinned(const std::string& skinFolder, const char* what, QString* error) {
    if (!MessageWindow::create()) {
        if (error)
            *error = QString::fromLatin1(what) + QStringLiteral(" could not be created");
        return false;
    }
    applyFonts();
    skinFolder_ = QString::fromStdString(skinFolder);
    const QString file = skinFolder_ + QString::fromLatin1(background_.file);
    if (applySkin(file, true))
        return true;
    if (error)
        *error = dialogSkin() ? dialogSkin()->lastError() : file;
    return false;
}

void SkinnedDialog::skinButton(CRegionBmpBtn* button, const skin::Strip& strip, QPoint at) const {
    button->setSkin(skinFolder_ + QString::fromLatin1(strip.file), strip.imageWidth,
                    skin::kKeyColour);
    button->setImages(skin::kImageNormal, skin::kImagePushed, skin::kImageHover, -1);
    button->move(at);
}

void SkinnedDialog::skinCloseButton(CRegionBmpBtn* close) const {
    const skin::Rect at = skin::CloseButtonRect(background_);
    skinButton(close, skin::kCloseStrip, {at.x, at.y});
    close->setToolTip(QStringLiteral("close"));
}

void SkinnedDialog::skinButtonRow(std::initializer_list<CRegionBmpBtn*> buttons) const {
    const int y = background_.height - 20 - skin::kButtonStrip.height;
    const int step = skin::kButtonStrip.imageWidth + 8;
    int x = background_.width - 16 - skin::kButtonStrip.imageWidth - int(buttons.size() - 1) * step;
    for (CRegionBmpBtn* button : buttons) {
        skinButton(button, skin::kButtonStrip, {x, y});
        x += step;
    }
}

void SkinnedDialog::place(QWidget* w, const ControlPlace& p) {
    w->setGeometry(p.x, p.y, p.width, p.height);
}

CRegionBmpBtn* SkinnedDialog::addButton(int id, const char* text) {
    auto* b = new CRegionBmpBtn(this, id);
    b->setText(QString::fromLatin1(text));
    registerControl(id, b);
    return b;
}

QTableWidget* SkinnedDialog::addList(int id, int columns) {
    auto* list = new QTableWidget(0, columns, this);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->verticalHeader()->hide();
    registerControl(id, list);
    return list;
}

void SkinnedDialog::registerControl(int id, QWidget* w) {
    w->setObjectName(QString::number(id));
    controls_[id] = w;
}

void SkinnedDialog::setClosedNotice(WindowHandle panel, int code) {
    closedPanel_ = panel;
    closedCode_ = code;
}

void SkinnedDialog::OnClose() {
    hide();
    MessageWindow::PostTo(closedPanel_, msg::ToolDialogClosed, closedCode_, 0);
}

void SkinnedDialog::paintOver(QPainter&) {}

void SkinnedDialog::showEvent(QShowEvent* event) {
    if (!event->spontaneous())
        OnShown();
    QDialog::showEvent(event);
}

void SkinnedDialog::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    paintOver(painter);
    SkinFont::drawDialogTitle(painter, title_);
}

void SkinnedDialog::closeEvent(QCloseEvent* event) {
    // The panel keeps a modeless dialog for the next time.
    event->ignore();
    OnClose();
}

void SkinnedDialog::keyPressEvent(QKeyEvent* event) {
    // Only keys that the focused control left unused arrive here.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (!event->isAutoRepeat())
            OnEnter();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event); // Escape: reject()
}

void SkinnedDialog::OnEnter() {
    if (defaultButton_ && defaultButton_->isVisible() && defaultButton_->isEnabled())
        defaultButton_->click();
}

void SkinnedDialog::reject() {
    OnClose();
}

void SkinnedDialog::accept() {}

} // namespace vorlane
