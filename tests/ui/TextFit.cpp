#include "TextFit.h"

#include "ui/CRegionBmpBtn.h"
#include "ui/SkinFont.h"
#include "ui/SkinLayout.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTableView>
#include <QTreeView>
#include <algorithm>
#include <optional>

namespace vorlane::test {

namespace {

QString quoted(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return QLatin1Char('"') + t + QLatin1Char('"');
}

// The text a control shows first, to name it in a failure.
QString shownText(const QWidget* w) {
    if (auto* b = qobject_cast<const CRegionBmpBtn*>(w))
        return b->caption().value_or(b->toolTip());
    if (auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    if (auto* c = qobject_cast<const QComboBox*>(w))
        return c->currentText();
    if (auto* g = qobject_cast<const QGroupBox*>(w))
        return g->title();
    return {};
}

QString nameOf(const QWidget* w) {
    QString name = QString::fromLatin1(w->metaObject()->className());
    if (!w->objectName().isEmpty())
        name += QLatin1Char('#') + w->objectName();
    const QString text = shownText(w);
    if (!text.isEmpty())
        name += QLatin1Char(' ') + quoted(text);
    return name;
}

QRect inWindow(const QWidget* w, const QWidget* window, const QRect& local) {
    return QRect(w->mapTo(window, local.topLeft()), local.size());
}

struct Collector {
    std::vector<Misfit> misfits;

    void shortBy(const QWidget* w, const QString& what, int need, int have) {
        if (need > have)
            misfits.push_back({nameOf(w), what, need - have});
    }
};

// The room that a label gives its text, as QLabel lays it out (margin, then indent).
QRect labelRoom(const QLabel* l) {
    QRect cr = l->contentsRect().adjusted(l->margin(), l->margin(), -l->margin(), -l->margin());
    int indent = l->indent();
    if (indent < 0 && l->frameWidth() > 0)
        indent = l->fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2 - l->margin();
    if (indent > 0) {
        const Qt::Alignment a = l->alignment();
        if (a & Qt::AlignLeft)
            cr.setLeft(cr.left() + indent);
        if (a & Qt::AlignRight)
            cr.setRight(cr.right() - indent);
        if (a & Qt::AlignTop)
            cr.setTop(cr.top() + indent);
        if (a & Qt::AlignBottom)
            cr.setBottom(cr.bottom() - indent);
    }
    return cr;
}

// The rectangle (in window coordinates) that a text control's text covers, or nullopt
// when the control shows no text of its own.
std::optional<QRect> checkText(QWidget* w, QWidget* window, Collector& out) {
    if (auto* l = qobject_cast<QLabel*>(w)) {
        if (l->text().isEmpty())
            return std::nullopt;
        if (l->wordWrap()) {
            out.shortBy(l, QStringLiteral("height of its wrapped text"),
                        l->heightForWidth(l->width()), l->height());
            return inWindow(l, window, l->contentsRect());
        }
        const QSize text = l->fontMetrics().size(0, l->text());
        const QRect room = labelRoom(l);
        out.shortBy(l, QStringLiteral("width"), text.width(), room.width());
        out.shortBy(l, QStringLiteral("height"), text.height(), room.height());
        const Qt::LayoutDirection dir = l->layoutDirection();
        const QRect placed = QStyle::alignedRect(dir, QStyle::visualAlignment(dir, l->alignment()),
                                                 text.boundedTo(room.size()), room);
        return inWindow(l, window, placed.intersected(l->rect()));
    }
    if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
        auto* b = static_cast<QAbstractButton*>(w);
        if (b->text().isEmpty())
            return std::nullopt;
        const QSize need = b->sizeHint();
        out.shortBy(b, QStringLiteral("width for indicator and text"), need.width(), b->width());
        out.shortBy(b, QStringLiteral("height"), need.height(), b->height());
        return inWindow(b, window, QRect(0, 0, std::min(need.width(), b->width()), b->height()));
    }
    if (auto* b = qobject_cast<CRegionBmpBtn*>(w)) {
        if (!b->caption() || b->caption()->isEmpty())
            return std::nullopt;
        const QFontMetrics fm(SkinFont::caption());
        const int margin = skin::CaptionMargin(b->height());
        out.shortBy(b, QStringLiteral("width of its caption inside the rounded ends"),
                    fm.horizontalAdvance(*b->caption()) + 2 * margin, b->width());
        out.shortBy(b, QStringLiteral("height of its caption"), fm.height(), b->height());
        return std::nullopt;
    }
    if (auto* b = qobject_cast<QPushButton*>(w)) {
        if (b->text().isEmpty())
            return std::nullopt;
        QStyleOptionButton opt;
        opt.initFrom(b);
        opt.text = b->text();
        const QFontMetrics fm = b->fontMetrics();
        const QSize need = b->style()->sizeFromContents(
            QStyle::CT_PushButton, &opt, QSize(fm.horizontalAdvance(b->text()), fm.height()), b);
        out.shortBy(b, QStringLiteral("width"), need.width(), b->width());
        out.shortBy(b, QStringLiteral("height"), need.height(), b->height());
        return std::nullopt;
    }
    if (auto* g = qobject_cast<QGroupBox*>(w)) {
        if (g->title().isEmpty())
            return std::nullopt;
        QStyleOptionGroupBox opt;
        opt.initFrom(g);
        opt.text = g->title();
        opt.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
        const QRect label =
            g->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, g);
        out.shortBy(g, QStringLiteral("width of its title"), label.right() + 1, g->width());
        return std::nullopt;
    }
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        const QFontMetrics fm = c->fontMetrics();
        QStyleOptionComboBox opt;
        opt.initFrom(c);
        opt.editable = c->isEditable();
        opt.frame = c->hasFrame();
        for (int i = 0; i < c->count(); ++i) {
            const QString item = c->itemText(i);
            const QSize need = c->style()->sizeFromContents(
                QStyle::CT_ComboBox, &opt, QSize(fm.horizontalAdvance(item), fm.height()), c);
            if (need.width() > c->width())
                out.misfits.push_back({nameOf(c), QStringLiteral("width for item ") + quoted(item),
                                       need.width() - c->width()});
        }
        return std::nullopt;
    }
    if (auto* e = qobject_cast<QLineEdit*>(w); e && e->validator() && !e->text().isEmpty()) {
        // A number field must show its whole number without scrolling it. Free text (tags,
        // folders) may scroll.
        QStyleOptionFrame opt;
        opt.initFrom(e);
        opt.rect = e->rect();
        opt.lineWidth =
            e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e) : 0;
        const QRect contents = e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e);
        const QMargins m = e->textMargins();
        const int cursor = e->style()->pixelMetric(QStyle::PM_TextCursorWidth, &opt, e);
        constexpr int kLineEditMargin = 2; // QLineEdit's own margin on each side of the text
        out.shortBy(e, QStringLiteral("width for its number"),
                    e->fontMetrics().horizontalAdvance(e->text()) + 2 * kLineEditMargin + cursor +
                        m.left() + m.right(),
                    contents.width());
        return std::nullopt;
    }
    if (auto* e = qobject_cast<QDateTimeEdit*>(w)) {
        out.shortBy(e, QStringLiteral("width for ") + quoted(e->displayFormat()),
                    e->sizeHint().width(), e->width());
        return std::nullopt;
    }
    return std::nullopt;
}

void checkHeader(QHeaderView* h, Collector& out) {
    if (!h->isVisible() || !h->model())
        return;
    const int margin = h->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h);
    const QFontMetrics fm = h->fontMetrics();
    for (int i = 0; i < h->count(); ++i) {
        if (h->isSectionHidden(i))
            continue;
        const QString text = h->model()->headerData(i, h->orientation()).toString();
        const int need = fm.horizontalAdvance(text) + 2 * margin;
        if (need > h->sectionSize(i))
            out.misfits.push_back({QStringLiteral("header section ") + QString::number(i) +
                                       QLatin1Char(' ') + quoted(text),
                                   QStringLiteral("width"), need - h->sectionSize(i)});
    }
}

void checkCells(QAbstractItemView* v, Collector& out) {
    QAbstractItemModel* m = v->model();
    if (!m)
        return;
    auto* table = qobject_cast<QTableView*>(v);
    auto* tree = qobject_cast<QTreeView*>(v);
    if (!table && !tree)
        return;
    const int margin = v->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, v) + 1;
    const QFontMetrics fm = v->fontMetrics();
    for (int c = 0; c < m->columnCount(); ++c) {
        const int width = table ? table->columnWidth(c) : tree->columnWidth(c);
        if ((table && table->isColumnHidden(c)) || (tree && tree->isColumnHidden(c)))
            continue;
        for (int r = 0; r < m->rowCount(); ++r) {
            const QString text = m->index(r, c).data().toString();
            if (text.isEmpty())
                continue;
            const int need = fm.horizontalAdvance(text) + 2 * margin;
            if (need > width)
                out.misfits.push_back({nameOf(v) + QStringLiteral(" cell ") + QString::number(r) +
                                           QLatin1Char(',') + QString::number(c) +
                                           QLatin1Char(' ') + quoted(text),
                                       QStringLiteral("column width"), need - width});
            const int height =
                table ? table->rowHeight(r) : tree->visualRect(m->index(r, c)).height();
            if (fm.height() > height)
                out.misfits.push_back({nameOf(v) + QStringLiteral(" row ") + QString::number(r) +
                                           QLatin1Char(' ') + quoted(text),
                                       QStringLiteral("row height"), fm.height() - height});
        }
    }
}

// The depth of b inside a: 0 when b lies in a; else the largest overshoot at any side.
int overshoot(const QRect& area, const QRect& r) {
    return std::max({area.left() - r.left(), r.right() - area.right(), area.top() - r.top(),
                     r.bottom() - area.bottom(), 0});
}

} // namespace

std::vector<Misfit> TextFit::Check(QWidget* window, const FitAreas& areas) {
    Collector out;
    struct Placed {
        QWidget* w;
        QRect rect;
        std::optional<QRect> text;
    };
    std::vector<Placed> controls;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->isWindow() || !w->isVisibleTo(window))
            continue;
        std::optional<QRect> text = checkText(w, window, out);
        if (auto* h = qobject_cast<QHeaderView*>(w))
            checkHeader(h, out);
        if (auto* v = qobject_cast<QAbstractItemView*>(w))
            checkCells(v, out);
        if (w->parentWidget() == window)
            controls.push_back({w, w->geometry(), text});
    }

    for (size_t i = 0; i < controls.size(); ++i) {
        const Placed& a = controls[i];
        if (!window->rect().contains(a.rect))
            out.misfits.push_back({nameOf(a.w), QStringLiteral("leaves the window"),
                                   overshoot(window->rect(), a.rect)});
        if (!areas.areas.empty()) {
            int best = INT_MAX;
            for (const QRect& area : areas.areas)
                if (area.intersects(a.rect))
                    best = std::min(best, overshoot(area, a.rect));
            if (best > 0)
                out.misfits.push_back({nameOf(a.w),
                                       QStringLiteral("crosses the border of its card or band"),
                                       best == INT_MAX ? a.rect.width() : best});
        }
        for (const QRect& p : areas.painted)
            if (const QRect hit = p.intersected(a.rect); !hit.isEmpty())
                out.misfits.push_back({nameOf(a.w), QStringLiteral("covers a meter"),
                                       std::min(hit.width(), hit.height())});
        for (size_t j = 0; j < controls.size(); ++j) {
            if (i == j)
                continue;
            const Placed& b = controls[j];
            if (j > i)
                if (const QRect hit = a.rect.intersected(b.rect); !hit.isEmpty())
                    out.misfits.push_back({nameOf(a.w), QStringLiteral("overlaps ") + nameOf(b.w),
                                           std::min(hit.width(), hit.height())});
            if (a.text) {
                const QRect near = a.text->adjusted(-kTextGap, -kTextGap, kTextGap, kTextGap);
                const QRect hit = near.intersected(b.rect);
                if (!hit.isEmpty() && !a.rect.intersects(b.rect))
                    out.misfits.push_back({nameOf(a.w),
                                           QStringLiteral("text touches ") + nameOf(b.w),
                                           std::min(hit.width(), hit.height())});
            }
        }
    }
    return out.misfits;
}

QString TextFit::Describe(const std::vector<Misfit>& misfits) {
    QString out;
    for (const Misfit& m : misfits)
        out += QStringLiteral("  %1: %2 (%3 px short)\n").arg(m.control, m.problem).arg(m.pixels);
    return out;
}

} // namespace vorlane::test
