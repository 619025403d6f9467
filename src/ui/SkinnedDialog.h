#pragma once

#include "platform/MessageWindow.h"
#include "ui/CDialogFont.h"
#include "ui/CDialogRegionT.h"
#include "ui/SkinLayout.h"

#include <QDialog>
#include <QPoint>
#include <QString>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>

class QPainter;
class QTableWidget;

namespace vorlane {

class CRegionBmpBtn;

// Where a control sits on a dialog's background, in client pixels.
struct ControlPlace {
    int x, y, width, height;
};

// What the skinned tool dialogs (system settings, recordings browser, task list and task
// editor) have in common: a QDialog that is also a message window, with the dialog font and
// a background of the skin folder, its controls by template id, and a title painted over
// the background. A modeless one (setClosedNotice) hides on its close button, the desktop's
// close and Escape, and tells the panel. Enter presses a focused bitmap button; elsewhere it
// presses the default button (setDefaultButton) or runs OnEnter. A subclass destroys the
// message window in its own destructor, while its message map still exists.
//
// Thread contract: GUI thread only.
class SkinnedDialog : public QDialog,
                      public MessageWindow,
                      public CDialogRegionT<SkinnedDialog>,
                      public CDialogFont<SkinnedDialog> {
    Q_OBJECT
public:
    ~SkinnedDialog() override;

    // The control with a template id, or null.
    QWidget* control(int id) const;
    // The painted title.
    const QString& title() const { return title_; }

protected:
    enum class Modality { Modal, Modeless };
    // Sized to `background`, which must outlive the dialog (the skin layout's constants do).
    SkinnedDialog(QWidget* parent, const skin::Background& background, Modality modality);

    // Creates the message window, sets the dialog font and skins the dialog with its
    // background file of `skinFolder`. False, with *error saying why, when either fails;
    // `what` names the dialog in that text.
    bool openSkinned(const std::string& skinFolder, const char* what, QString* error);
    // The normal, pushed and hover images of a strip of the skin folder; the normal one
    // when disabled.
    void skinButton(CRegionBmpBtn* button, const skin::Strip& strip, QPoint at) const;
    // The close button in the top right corner of the background, with its tool tip.
    void skinCloseButton(CRegionBmpBtn* close) const;
    // Buttons side by side, left to right, ending at the bottom right of the background.
    void skinButtonRow(std::initializer_list<CRegionBmpBtn*> buttons) const;
    static void place(QWidget* w, const ControlPlace& p);
    // Registers a control under its template id, which is also its object name (as on the
    // panel), so that tools driving the program find it.
    void registerControl(int id, QWidget* w);
    // Places a new control and registers it.
    template <class W> W* addControl(int id, W* w, const ControlPlace& p) {
        place(w, p);
        registerControl(id, w);
        return w;
    }
    // A button registered under its template id, with a text for when it has no skin.
    CRegionBmpBtn* addButton(int id, const char* text = "");
    // A list of whole rows, one selectable at a time, that cannot be edited in place.
    QTableWidget* addList(int id, int columns);
    // A modeless dialog: closing hides it and posts msg::ToolDialogClosed (code) to `panel`.
    void setClosedNotice(WindowHandle panel, int code);
    // The button that Enter presses when the focused control does not use the key.
    void setDefaultButton(CRegionBmpBtn* button) { defaultButton_ = button; }

    // The close button, the desktop's close and Escape.
    virtual void OnClose();
    // The program (not the desktop restoring it) has shown the dialog.
    virtual void OnShown() {}
    // Enter on a control that does not use it: the default button, when there is one.
    virtual void OnEnter();
    // Draws over the background and under the title.
    virtual void paintOver(QPainter& painter);

    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override; // Escape
    void accept() override; // Enter

    std::map<int, QWidget*> controls_;
    QString title_;

private:
    const skin::Background& background_;
    QString skinFolder_;
    CRegionBmpBtn* defaultButton_ = nullptr;
    WindowHandle closedPanel_ = 0;
    int closedCode_ = 0;
};

} // namespace vorlane
