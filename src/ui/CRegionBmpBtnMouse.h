#pragma once

#include "ui/CRegionBmpBtn.h"

namespace vorlane {

// A bitmap button for press-and-hold controls (slider thumbs): it reports the press and
// the release of the left button to its parent, as msg::ButtonPressed and
// msg::ButtonReleased (wParam: the control id) when the parent is a message window, and as
// the signals below. It never reports a click. While the button is held, pointer moves go
// on to the parent as its own mouse moves, so the parent can drag the thumb.
//
// Thread contract: GUI thread only.
class CRegionBmpBtnMouse : public CRegionBmpBtn {
    Q_OBJECT
public:
    explicit CRegionBmpBtnMouse(QWidget* parent = nullptr, int controlId = 0);

Q_SIGNALS:
    void pressReported(int controlId);
    void releaseReported(int controlId);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // A left button press (down) or release: held or let go, and reported.
    void hold(QMouseEvent* event, bool down);
    void report(uint32_t message);
};

} // namespace vorlane
