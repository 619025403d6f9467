#include "PanelTestSupport.h"
#include "ui/CGenreerSettingDlg.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/CSysSettingDlg.h"
#include "ui/PanelLayout.h"
#include "ui/SettingDialogs.h"
#include "ui/SkinLayout.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>

using namespace vorlane;
using namespace vorlane::test;
using TD = CRivorAzururuFrame::ToolDialog;

namespace {

// Answers the genre chooser from inside its modal loop.
void answerChooser(const QString& genre) {
    QTimer::singleShot(0, [genre] {
        auto* chooser = qobject_cast<CGenreerSettingDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        const auto found = chooser->list()->findItems(genre, Qt::MatchExactly);
        if (!found.isEmpty())
            found.front()->setSelected(true);
        chooser->okButton()->click();
        if (chooser->isVisible())
            chooser->reject(); // never leave the test inside the loop
    });
}

class SettingDialogsTest : public PanelTest {
protected:
    void install() {
        makePanel();
        SettingDialogs::Install(*panel, *capture, [this] { ++inputVolumeCalls; });
        panel->show();
    }
    CSysSettingDlg* settings() {
        return qobject_cast<CSysSettingDlg*>(panel->toolDialog(TD::SystemSetting));
    }
    void clickIn(CSysSettingDlg* dialog, int id) {
        qobject_cast<CRegionBmpBtn*>(dialog->control(id))->click();
    }
    int settingButtonImage() { return panel->button(panel::kSettingButton)->currentImage(); }

    int inputVolumeCalls = 0;
};

} // namespace

TEST_F(SettingDialogsTest, SettingButtonShowsAndHidesTheDialogAndHidesTheBrowser) {
    install();
    auto* browser = new QWidget(panel.get(), Qt::Tool);
    panel->setToolDialogFactory(TD::PlayFile, [browser](CRivorAzururuFrame&) { return browser; });
    click(panel::kPlayFileButton);
    ASSERT_TRUE(browser->isVisible());

    click(panel::kSettingButton);
    CSysSettingDlg* dialog = settings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->isSkinned());
    EXPECT_EQ(dialog->parentWidget(), panel.get());
    EXPECT_FALSE(browser->isVisible());
    EXPECT_EQ(settingButtonImage(), skin::kImagePushed);
    // Filled from the panel's settings record: WAV, so no bit rate.
    EXPECT_EQ(qobject_cast<QComboBox*>(dialog->control(CSysSettingDlg::kFormat))->currentIndex(),
              0);
    EXPECT_FALSE(dialog->control(CSysSettingDlg::kBitRate)->isEnabled());

    click(panel::kSettingButton);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(settingButtonImage(), skin::kImageNormal);

    // Shown again it is the same dialog; closing it from inside resets the panel's button.
    click(panel::kSettingButton);
    EXPECT_EQ(settings(), dialog);
    clickIn(dialog, CSysSettingDlg::kClose);
    pump();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(settingButtonImage(), skin::kImageNormal);
}

TEST_F(SettingDialogsTest, OkStoresReachesTheCaptureEngineAndRetextsThePanel) {
    install();
    const QString englishTip = panel->button(panel::kRecordStart)->toolTip();
    click(panel::kSettingButton);
    CSysSettingDlg* dialog = settings();
    ASSERT_NE(dialog, nullptr);
    qobject_cast<QComboBox*>(dialog->control(CSysSettingDlg::kFormat))->setCurrentIndex(1);
    qobject_cast<QCheckBox*>(dialog->control(CSysSettingDlg::kSilenceRecording))->setChecked(true);
    qobject_cast<QComboBox*>(dialog->control(CSysSettingDlg::kLanguage))->setCurrentIndex(2);
    clickIn(dialog, CSysSettingDlg::kOk);
    pump();

    EXPECT_EQ(setting("Option", "RecordFileType"), "1");
    EXPECT_EQ(config.RecordFileType, 1);
    EXPECT_EQ(capture->MonitorVolume(), -10000);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(settingButtonImage(), skin::kImageNormal);
    // The panel has applied the Japanese texts on 1055.
    const QString japaneseTip = panel->button(panel::kRecordStart)->toolTip();
    EXPECT_NE(japaneseTip, englishTip);
    EXPECT_EQ(japaneseTip, QString::fromUtf8("録音"));
    EXPECT_EQ(inputVolumeCalls, 0);
}

TEST_F(SettingDialogsTest, GenreButtonTurnsTheChosenNameIntoTheGenreNumber) {
    install();
    answerChooser("Rock");
    click(panel::kGenreButton);
    EXPECT_EQ(config.MP3Genre, 17);
    EXPECT_EQ(ctl<QLabel>(panel::kGenreName)->text(), "Rock");

    answerChooser("no such genre: nothing selected, the chooser is cancelled");
    click(panel::kGenreButton);
    EXPECT_EQ(config.MP3Genre, 17);
}

TEST_F(SettingDialogsTest, AMissingBackgroundIsReportedAndOpensNothing) {
    std::filesystem::remove(folder / "Resource/Skin/BK10.bmp");
    install();
    click(panel::kSettingButton);
    EXPECT_EQ(settings(), nullptr);
    EXPECT_NE(panel->lastError().find("settings window"), std::string::npos);
    EXPECT_EQ(settingButtonImage(), skin::kImageNormal);
}
