#include "PumpUntil.h"
#include "SettingsTestSupport.h"
#include "SkinTestFiles.h"
#include "platform/Messages.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/CRegionBmpBtnMouse.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QEnterEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <tuple>

using namespace vorlane;
using namespace vorlane::test;

namespace {

// Four images 6 x 4: red (normal), green (pushed), blue (hover), yellow (disabled); the
// first image has key corners.
QImage fourLooks() {
    return imageFromRows({
        "KRRRRKGGGGGGUUUUUUYYYYYY",
        "RRRRRRGGGGGGUUUUUUYYYYYY",
        "RRRRRRGGGGGGUUUUUUYYYYYY",
        "KRRRRKGGGGGGUUUUUUYYYYYY",
    });
}

QRgb centre(QWidget* w) {
    return w->grab().toImage().pixel(w->width() / 2, w->height() / 2) | 0xFF000000u;
}

void hover(QWidget* w, bool in) {
    if (in) {
        QEnterEvent e(QPointF(2, 2), QPointF(2, 2), w->mapToGlobal(QPointF(2, 2)));
        QCoreApplication::sendEvent(w, &e);
    } else {
        QEvent e(QEvent::Leave);
        QCoreApplication::sendEvent(w, &e);
    }
}

class SkinnedButton : public ::testing::Test {
protected:
    void activate() {
        parent.show();
        parent.activateWindow();
        ASSERT_TRUE(pumpUntil([this] { return parent.isActiveWindow(); }, 10000));
    }
    int commands() const {
        int n = 0;
        for (const Message& m : parent.messages)
            n += m.msg == msg::Command && m.wParam == 1016u;
        return n;
    }

    void SetUp() override {
        strip = writeBmp(dir.path(), "strip.bmp", fourLooks());
        parent.resize(100, 100);
        ASSERT_TRUE(parent.MessageWindow::create());
        parent.messages.clear(); // the create message
        ASSERT_TRUE(button.setSkin(strip, 6));
    }
    QTemporaryDir dir;
    QString strip;
    SkinTestDialog parent;
    CRegionBmpBtn button{&parent, 1016};
};

} // namespace

TEST_F(SkinnedButton, TakesTheSizeOfOneImageAndTheShapeOfTheFirst) {
    EXPECT_TRUE(button.isSkinned());
    EXPECT_EQ(button.size(), QSize(6, 4));
    EXPECT_EQ(button.sizeHint(), QSize(6, 4));
    EXPECT_EQ(button.imageCount(), 4);
    EXPECT_EQ(button.extendedStyle() & 0x09u, 0x09u);
    for (auto [x, y, inside] : {std::tuple{0, 0, false}, {5, 3, false}, {1, 0, true}, {0, 1, true}})
        EXPECT_EQ(button.mask().contains(QPoint(x, y)), inside) << x << "," << y;
}

TEST_F(SkinnedButton, ChoosesItsImageByStateWithTheMinusOneFallBack) {
    parent.show();
    const QRgb red = colourOf('R'), green = colourOf('G'), blue = colourOf('U'),
               yellow = colourOf('Y');

    button.setImages(0, 1, 2, -1);
    EXPECT_EQ(button.currentImage(), 0);
    EXPECT_EQ(centre(&button), red);
    hover(&button, true);
    EXPECT_EQ(button.currentImage(), 2);
    EXPECT_EQ(centre(&button), blue);
    button.setDown(true);
    EXPECT_EQ(centre(&button), green) << "pushed wins over hover";
    button.setDown(false);
    hover(&button, false);
    EXPECT_EQ(centre(&button), red);

    // Disabled with no disabled image: the normal image, not an empty button.
    button.setEnabled(false);
    EXPECT_EQ(button.currentImage(), 0);
    EXPECT_EQ(centre(&button), red);
    hover(&button, true);
    EXPECT_EQ(centre(&button), red);
    hover(&button, false);

    button.setImages(0, 1, 2, 3);
    EXPECT_EQ(centre(&button), yellow);
    button.setEnabled(true);

    // An image beyond the strip falls back to the normal image as well.
    button.setImages(1, 7, 2, 3);
    button.setDown(true);
    EXPECT_EQ(centre(&button), green);
    button.setDown(false);
}

TEST_F(SkinnedButton, WithoutHoverModeTheFocusShowsTheThirdImage) {
    button.setImages(0, 1, 2, -1);
    button.setExtendedStyle(button.extendedStyle() & ~CRegionBmpBtn::kHoverMode);
    hover(&button, true);
    EXPECT_EQ(button.currentImage(), 0) << "hover alone does nothing now";
    parent.show();
    parent.activateWindow();
    ASSERT_TRUE(vorlane::test::pumpUntil([this] { return parent.isActiveWindow(); }, 10000));
    button.setFocus();
    ASSERT_TRUE(button.hasFocus());
    EXPECT_EQ(button.currentImage(), 2);
}

TEST_F(SkinnedButton, DrawsItsCaptionCentred) {
    QImage white(40, 20, QImage::Format_RGB32);
    white.fill(Qt::white);
    CRegionBmpBtn other(&parent);
    ASSERT_TRUE(other.setSkin(writeBmp(dir.path(), "white.bmp", white), 40));
    ASSERT_TRUE(other.setCaption(QString("...")));
    parent.show();
    const QImage shot = other.grab().toImage();
    QRect ink;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x)
            if (qGray(shot.pixel(x, y)) < 128)
                ink |= QRect(x, y, 1, 1);
    ASSERT_FALSE(ink.isEmpty()) << "the caption was drawn";
    EXPECT_NEAR(ink.center().x(), 20, 3);
    EXPECT_NEAR(ink.center().y(), 10, 5);
    ASSERT_TRUE(other.setCaption(std::nullopt));
    EXPECT_EQ(centre(&other), 0xFFFFFFFFu);
}

TEST_F(SkinnedButton, BadStripLeavesAnOrdinaryButtonThatStillClicks) {
    CRegionBmpBtn other(&parent, 1016);
    EXPECT_FALSE(other.setSkin(dir.path() + "/missing.bmp", 6));
    EXPECT_FALSE(other.isSkinned());
    EXPECT_TRUE(other.mask().isEmpty());
    EXPECT_FALSE(other.sizeHint().isEmpty());
    int clicks = 0;
    QObject::connect(&other, &QAbstractButton::clicked, [&clicks] { ++clicks; });
    other.resize(other.sizeHint());
    clickAt(&other, {3, 3});
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(other.setSkin(strip, 25)) << "an image wider than the strip";
    EXPECT_FALSE(other.setSkin(strip, 0));
}

TEST_F(SkinnedButton, AClickReachesAMessageWindowParentAsACommand) {
    parent.show();
    int clicks = 0;
    QObject::connect(&button, &QAbstractButton::clicked, [&clicks] { ++clicks; });
    clickAt(&button, {3, 2});
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(parent.messages.size(), 1u);
    EXPECT_EQ(parent.messages[0].msg, msg::Command);
    EXPECT_EQ(parent.messages[0].wParam, 1016u);

    // A press on a key-coloured corner is outside the button.
    clickAt(&button, {0, 0});
    EXPECT_EQ(clicks, 1);
}

TEST_F(SkinnedButton, MouseButtonReportsPressAndReleaseAndNeverClicks) {
    CRegionBmpBtnMouse thumb(&parent, 1058);
    ASSERT_TRUE(thumb.setSkin(strip, 6));
    thumb.move(20, 30);
    parent.show();
    int clicks = 0, presses = 0, releases = 0;
    QObject::connect(&thumb, &QAbstractButton::clicked, [&clicks] { ++clicks; });
    QObject::connect(&thumb, &QAbstractButton::pressed, [&clicks] { ++clicks; });
    QObject::connect(&thumb, &CRegionBmpBtnMouse::pressReported, [&](int id) {
        EXPECT_EQ(id, 1058);
        ++presses;
    });
    QObject::connect(&thumb, &CRegionBmpBtnMouse::releaseReported, [&](int) { ++releases; });

    mouse(&thumb, QEvent::MouseButtonPress, {3, 2});
    ASSERT_EQ(parent.messages.size(), 1u);
    EXPECT_EQ(parent.messages[0].msg, msg::ButtonPressed);
    EXPECT_EQ(parent.messages[0].msg, 0x500u);
    EXPECT_EQ(parent.messages[0].wParam, 1058u);
    EXPECT_TRUE(thumb.isDown());

    // While held, moves reach the parent in its own coordinates, to drag the thumb.
    mouse(&thumb, QEvent::MouseMove, {5, 1});
    ASSERT_EQ(parent.mouseMoves.size(), 1u);
    EXPECT_EQ(parent.mouseMoves[0], QPoint(25, 31));

    mouse(&thumb, QEvent::MouseButtonRelease, {3, 2});
    ASSERT_EQ(parent.messages.size(), 2u);
    EXPECT_EQ(parent.messages[1].msg, 0x501u);
    EXPECT_EQ(parent.messages[1].wParam, 1058u);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(releases, 1);
    EXPECT_FALSE(thumb.isDown());
    for (const Message& m : parent.messages)
        EXPECT_NE(m.msg, msg::Command);
}

TEST_F(SkinnedButton, TheFocusRingFollowsTheOutlineAndOnlyWhileFocused) {
    // One image 12 x 8 with key corners, so the ring has room inside it.
    QStringList rows(8, QString(12, QLatin1Char('R')));
    for (int y : {0, 7})
        rows[y][0] = rows[y][11] = QLatin1Char('K');
    CRegionBmpBtn big(&parent);
    ASSERT_TRUE(big.setSkin(writeBmp(dir.path(), "big.bmp", imageFromRows(rows)), 12));
    big.setImages(0, 0, 0, -1);
    activate();
    auto opaquePixels = [&big] {
        QImage shot = big.grab().toImage();
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (!big.mask().contains(QPoint(x, y)))
                    shot.setPixel(x, y, 0);
        return shot;
    };
    const QImage unfocused = opaquePixels();
    for (QPoint p : {QPoint(1, 0), QPoint(0, 4), QPoint(1, 1), QPoint(6, 4)})
        EXPECT_EQ(unfocused.pixel(p) | 0xFF000000u, colourOf('R')) << p.x() << "," << p.y();

    big.setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(big.hasFocus());
    EXPECT_TRUE(big.showsFocusRing());
    const QImage focused = opaquePixels();
    const QRgb outer = big.palette().color(QPalette::Highlight).rgb();
    const QRgb inner = big.palette().color(QPalette::HighlightedText).rgb();
    // The outline, a corner's inside neighbours included, then the pixel within it.
    for (QPoint p : {QPoint(1, 0), QPoint(0, 1), QPoint(11, 4), QPoint(5, 7)})
        EXPECT_EQ(focused.pixel(p) | 0xFF000000u, outer) << p.x() << "," << p.y();
    for (QPoint p : {QPoint(1, 1), QPoint(2, 1), QPoint(10, 6)})
        EXPECT_EQ(focused.pixel(p) | 0xFF000000u, inner) << p.x() << "," << p.y();
    EXPECT_EQ(focused.pixel(6, 4) | 0xFF000000u, colourOf('R'));

    big.clearFocus();
    EXPECT_EQ(opaquePixels(), unfocused);
}

// Space and Enter press the focused button; its shortcut clicks it from a text field and
// does nothing while it is disabled. Each click reaches the parent as the button's command.
TEST_F(SkinnedButton, KeysPressAFocusedButtonAndItsShortcutOnlyAnEnabledOne) {
    auto* field = new QLineEdit(&parent);
    field->move(40, 40);
    button.setToolTip(QStringLiteral("Record"));
    const QKeySequence ctrlR(Qt::CTRL | Qt::Key_R);
    button.setShortcutKey(ctrlR);
    EXPECT_EQ(button.tipText(), QStringLiteral("Record"));
    EXPECT_EQ(button.toolTip(),
              QStringLiteral("Record (%1)").arg(ctrlR.toString(QKeySequence::NativeText)));
    activate();
    field->setFocus();

    QTest::keyClick(field, Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(pumpUntil([this] { return commands() == 1; }, 5000));
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_TRUE(field->hasFocus());
    // A click leaves the focus in the field too.
    clickAt(&button, {3, 2});
    EXPECT_EQ(commands(), 2);
    EXPECT_TRUE(field->hasFocus());

    button.setEnabled(false);
    QTest::keyClick(field, Qt::Key_R, Qt::ControlModifier);
    pumpFor(300);
    EXPECT_EQ(commands(), 2);
    button.setEnabled(true);

    QTest::keyClick(field, Qt::Key_Tab);
    ASSERT_TRUE(button.hasFocus());
    int expected = 2;
    for (auto [key, mods] : {std::pair{Qt::Key_Space, Qt::NoModifier},
                             {Qt::Key_Return, Qt::NoModifier},
                             {Qt::Key_Enter, Qt::KeypadModifier}}) {
        QTest::keyClick(&button, key, mods);
        EXPECT_EQ(commands(), ++expected) << key;
    }
    // Another key goes on to the parent.
    QTest::keyClick(&button, Qt::Key_A);
    EXPECT_EQ(commands(), expected);
}

TEST_F(SkinnedButton, ScreenReadersHearTheLabelElseTheTooltipElseTheCaption) {
    auto name = [this] {
        return QAccessible::queryAccessibleInterface(&button)->text(QAccessible::Name);
    };
    button.setText(QStringLiteral("Rec Start")); // the template's, shown without a skin
    EXPECT_EQ(name(), QStringLiteral("Rec Start"));
    button.setCaption(QStringLiteral("..."));
    EXPECT_EQ(name(), QStringLiteral("..."));
    button.setToolTip(QStringLiteral("Next Page"));
    button.setShortcutKey(QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_EQ(name(), QStringLiteral("Next Page"));
    button.setAccessibleLabel(QStringLiteral("Genre"));
    EXPECT_EQ(name(), QStringLiteral("Genre"));
    button.setAccessibleLabel(QString());
    button.setToolTip(QString());
    EXPECT_EQ(name(), QStringLiteral("..."));
    EXPECT_TRUE(button.toolTip().isEmpty()) << "no tooltip of a shortcut alone";
}
