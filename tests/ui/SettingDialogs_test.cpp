#include "PanelTestSupport.h"
#include "ui/CRegionBmpBtn.h"
#include "ui/CSysSettingDlg.h"
#include "ui/PanelLayout.h"
#include "ui/SettingDialogs.h"
#include "ui/SkinLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <filesystem>

using namespace vorlane;
using namespace vorlane::test;
using TD = CRivorAzururuFrame::ToolDialog;

namespace {

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

TEST_F(SettingDialogsTest, TheSettingButtonOpensTheDialogFilledFromThePanelsSettings) {
    install();
    click(panel::kSettingButton);
    CSysSettingDlg* dialog = settings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->isSkinned());
    EXPECT_EQ(dialog->parentWidget(), panel.get());
    EXPECT_EQ(settingButtonImage(), skin::kImagePushed);
    // The panel's settings record says WAV, so there is no bit rate.
    EXPECT_EQ(qobject_cast<QComboBox*>(dialog->control(CSysSettingDlg::kFormat))->currentIndex(),
              0);
    EXPECT_FALSE(dialog->control(CSysSettingDlg::kBitRate)->isEnabled());
    // Closed from inside, it resets the panel's button.
    clickIn(dialog, CSysSettingDlg::kClose);
    pump();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(settingButtonImage(), skin::kImageNormal);
}

TEST_F(SettingDialogsTest, OkStoresReachesTheCaptureEngineAndRetextsThePanel) {
    install();
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
    EXPECT_EQ(panel->button(panel::kRecordStart)->toolTip(), QString::fromUtf8("録音"));
    EXPECT_EQ(inputVolumeCalls, 0);
}

TEST_F(SettingDialogsTest, AMissingBackgroundIsReportedAndOpensNothing) {
    std::filesystem::remove(folder / "Resource/Skin/BK10.bmp");
    install();
    click(panel::kSettingButton);
    EXPECT_EQ(settings(), nullptr);
    EXPECT_NE(panel->lastError().find("settings window"), std::string::npos);
    EXPECT_EQ(settingButtonImage(), skin::kImageNormal);
}
