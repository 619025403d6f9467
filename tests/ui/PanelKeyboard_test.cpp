// The panel from the keyboard: its shortcuts act as its buttons do, also from a text field,
// Tab goes through its controls in reading order, Space and Enter press the focused button,
// and the genre chooser opens, moves, chooses and cancels from the keys.

#include "PanelTestSupport.h"
#include "PumpUntil.h"
#include "ui/CGenreerSettingDlg.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/PanelLayout.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <map>

using namespace vorlane;
using namespace vorlane::test;

namespace {

class PanelKeyboard : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        makePanel();
        for (auto which : {CRivorAzururuFrame::ToolDialog::PlayFile,
                           CRivorAzururuFrame::ToolDialog::SystemSetting})
            panel->setToolDialogFactory(
                which, [](CRivorAzururuFrame& p) -> QWidget* { return new QDialog(&p); });
        for (const panel::Control& c : panel::kControls)
            if (c.kind == panel::Kind::Button)
                QObject::connect(panel->button(c.id), &QAbstractButton::clicked,
                                 [this, id = c.id] { ++clicks[id]; });
        activatePanel();
    }

    void activatePanel() {
        panel->show();
        panel->activateWindow();
        ASSERT_TRUE(pumpUntil([this] { return panel->isActiveWindow(); }, 10000));
    }

    // Ctrl and the key on the focused control; true when a button was clicked. A shortcut
    // shows the button pushed for 100 ms before it clicks.
    bool ctrl(Qt::Key key, int waitMs = 1000) {
        const int before = total();
        QTest::keyClick(QApplication::focusWidget(), key, Qt::ControlModifier);
        return pumpUntil([&] { return total() > before; }, waitMs);
    }

    int total() const {
        int n = 0;
        for (const auto& [id, count] : clicks)
            n += count;
        return n;
    }

    std::map<int, int> clicks;
};

} // namespace

TEST_F(PanelKeyboard, ShortcutsActAsTheirButtonsWhileATagFieldHasTheFocus) {
    auto* title = ctl<QLineEdit>(panel::kTitleEdit);
    ASSERT_TRUE(title->hasFocus()) << "the panel starts in the title field";
    const struct {
        Qt::Key key;
        int button;
    } keys[] = {{Qt::Key_R, panel::kRecordStart},    {Qt::Key_T, panel::kRecordStop},
                {Qt::Key_N, panel::kRecordDivide},   {Qt::Key_P, panel::kRecordPause},
                {Qt::Key_B, panel::kPlayFileButton}, {Qt::Key_Comma, panel::kSettingButton}};
    for (const auto& k : keys) {
        const QString native = QKeySequence(Qt::CTRL | k.key).toString(QKeySequence::NativeText);
        EXPECT_TRUE(panel->button(k.button)->toolTip().endsWith(" (" + native + ")"))
            << panel->button(k.button)->toolTip().toStdString();
    }

    // Stop, divide and pause are disabled before a recording: their keys do nothing.
    for (Qt::Key key : {Qt::Key_T, Qt::Key_N, Qt::Key_P})
        EXPECT_FALSE(ctrl(key, 300)) << key;
    EXPECT_TRUE(clicks.empty());

    deviceReady();
    ASSERT_TRUE(ctrl(Qt::Key_R));
    EXPECT_EQ(clicks[panel::kRecordStart], 1);
    ASSERT_TRUE(panel->controller().Recording());
    EXPECT_FALSE(ctrl(Qt::Key_R, 300)) << "Record is disabled while recording";

    const int track = config.RecordTrack;
    ASSERT_TRUE(ctrl(Qt::Key_N));
    EXPECT_EQ(clicks[panel::kRecordDivide], 1);
    EXPECT_EQ(config.RecordTrack, track + 1);
    ASSERT_TRUE(ctrl(Qt::Key_P));
    EXPECT_TRUE(panel->controller().Paused());
    ASSERT_TRUE(ctrl(Qt::Key_P));
    EXPECT_FALSE(panel->controller().Paused());
    EXPECT_EQ(clicks[panel::kRecordPause], 2);
    ASSERT_TRUE(ctrl(Qt::Key_T));
    EXPECT_EQ(clicks[panel::kRecordStop], 1);
    EXPECT_FALSE(panel->controller().Recording());

    // Nothing of this was typed into the field, which kept the focus.
    EXPECT_TRUE(title->text().isEmpty());
    EXPECT_TRUE(title->hasFocus());

    ASSERT_TRUE(ctrl(Qt::Key_B));
    QWidget* browser = panel->toolDialog(CRivorAzururuFrame::ToolDialog::PlayFile);
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->isVisible());
    activatePanel();
    ASSERT_TRUE(ctrl(Qt::Key_Comma));
    QWidget* settings = panel->toolDialog(CRivorAzururuFrame::ToolDialog::SystemSetting);
    ASSERT_NE(settings, nullptr);
    EXPECT_TRUE(settings->isVisible());
    EXPECT_FALSE(browser->isVisible());
}

TEST_F(PanelKeyboard, TabGoesThroughTheTagsThenTheButtonsAndSpaceOrEnterPressTheFocusedOne) {
    // Division by time: the time field shows and takes its turn.
    auto* type = ctl<QComboBox>(panel::kDivideTypeList);
    type->setCurrentIndex(1);
    Q_EMIT type->activated(1);
    deviceReady();
    QWidget* title = panel->control(panel::kTitleEdit);
    ASSERT_TRUE(title->hasFocus());
    std::vector<int> order = {panel::kArtistEdit,   panel::kAlbumEdit,      panel::kYearEdit,
                              panel::kCommentEdit,  panel::kGenreButton,    panel::kRecordStart,
                              panel::kTaskButton,   panel::kPlayFileButton, panel::kSettingButton,
                              panel::kRecordNoEdit, panel::kRecordTrackEdit};
    order.insert(order.end(), {panel::kDivideTypeList, panel::kDivideTimePicker,
                               panel::kMinimizeButton, panel::kCloseButton, panel::kTitleEdit});
    for (int id : order) {
        // Tab goes through the hours, minutes and seconds of a time before it leaves it.
        QWidget* from = QApplication::focusWidget();
        for (int i = 0; i < 3 && QApplication::focusWidget() == from; ++i)
            QTest::keyClick(from, Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), panel->control(id))
            << "expected " << id << ", got "
            << QApplication::focusWidget()->objectName().toStdString();
    }
    QTest::keyClick(title, Qt::Key_Backtab);
    EXPECT_EQ(QApplication::focusWidget(), panel->control(panel::kCloseButton));

    // To Record: Space starts, and the focus goes on to Stop, which Enter presses; the
    // focus comes back to Record.
    CRegionBmpBtn* record = panel->button(panel::kRecordStart);
    while (QApplication::focusWidget() != record)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(record, Qt::Key_Space);
    ASSERT_TRUE(panel->controller().Recording());
    EXPECT_EQ(clicks[panel::kRecordStart], 1);
    ASSERT_EQ(QApplication::focusWidget(), panel->button(panel::kRecordStop));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_FALSE(panel->controller().Recording());
    EXPECT_EQ(clicks[panel::kRecordStop], 1);
    EXPECT_EQ(QApplication::focusWidget(), record);
    EXPECT_EQ(exits, 0) << "Enter on a button is not the panel's Enter";
}

TEST_F(PanelKeyboard, TheArrowKeysStepTheNumberFields) {
    auto* number = ctl<QLineEdit>(panel::kRecordNoEdit);
    const int start = config.RecordNo;
    QTest::keyClick(number, Qt::Key_Up);
    QTest::keyClick(number, Qt::Key_Up);
    EXPECT_EQ(config.RecordNo, start + 2);
    EXPECT_EQ(setting("Option", "RecordNo"), std::to_string(start + 2));
    const int track = config.RecordTrack;
    QTest::keyClick(ctl<QLineEdit>(panel::kRecordTrackEdit), Qt::Key_Down);
    EXPECT_EQ(config.RecordTrack, std::max(track - 1, 0));
}

TEST_F(PanelKeyboard, TheGenreChooserOpensMovesChoosesAndCancelsFromTheKeys) {
    panel->setGenreChooser(
        [this](QWidget* owner) { return CGenreerSettingDlg::Choose(config, owner); });
    CRegionBmpBtn* genre = panel->button(panel::kGenreButton);
    while (QApplication::focusWidget() != genre)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);

    // Typing a name finds it; Enter takes it.
    whenModal([](QWidget* box) {
        auto* list = box->findChild<QTreeWidget*>();
        QTest::keyClicks(list, "Jazz");
        QTest::keyClick(list, Qt::Key_Return);
    });
    QTest::keyClick(genre, Qt::Key_Space);
    EXPECT_EQ(config.MP3Genre, ConfigManger::GenreNumber("Jazz"));

    // The list starts at the genre in use; Down moves on, Escape leaves everything as it was.
    QString below;
    whenModal([&below](QWidget* box) {
        auto* list = box->findChild<QTreeWidget*>();
        EXPECT_EQ(list->currentItem()->text(0), QStringLiteral("Jazz"));
        EXPECT_TRUE(list->selectedItems().isEmpty());
        below = list->itemBelow(list->currentItem())->text(0);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Escape);
    });
    QTest::keyClick(genre, Qt::Key_Return);
    EXPECT_EQ(config.MP3Genre, ConfigManger::GenreNumber("Jazz"));

    whenModal([](QWidget* box) {
        auto* list = box->findChild<QTreeWidget*>();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
    });
    QTest::keyClick(genre, Qt::Key_Return);
    ASSERT_FALSE(below.isEmpty());
    EXPECT_EQ(config.MP3Genre, ConfigManger::GenreNumber(below.toStdString()));
    EXPECT_EQ(genre->accessibleDescription(), below) << "the button says which genre is in use";
}
