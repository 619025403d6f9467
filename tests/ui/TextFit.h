#pragma once

#include <QRect>
#include <QString>
#include <vector>

class QWidget;

namespace vorlane::test {

// Where a window's controls may lie: the inner areas of the cards and bands that its
// background draws (a control lies wholly inside one of them), and the areas that it
// paints itself (meters), which no control may cover. An empty list of areas checks only
// the texts and the overlaps.
struct FitAreas {
    std::vector<QRect> areas;
    std::vector<QRect> painted;
};

// A text that does not fit its control, or a control in another's way.
struct Misfit {
    QString control; // class and text
    QString problem; // what is short, or which control is in the way
    int pixels;      // how many pixels are missing
};

// Measures every text that the window shows (labels, check boxes, radio buttons, push
// buttons and bitmap-button captions, group box titles, combo box items, list header
// sections and list cells, date and time fields) with the font it is drawn in, plus the
// style's indicators and margins, against its control's rectangle; and checks that the
// window's controls do not overlap, that no text comes closer than kTextGap to another
// control, and that each control stays inside one of the areas.
class TextFit {
public:
    static constexpr int kTextGap = 2;

    static std::vector<Misfit> Check(QWidget* window, const FitAreas& areas = {});
    // One line per misfit: "control: problem (n px short)".
    static QString Describe(const std::vector<Misfit>& misfits);
};

} // namespace vorlane::test
