#include "PumpUntil.h"
#include "SettingsTestSupport.h"
#include "SkinTestFiles.h"
#include "platform/Messages.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/CRegionBmpBtnMouse.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QTemporaryDir>
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
